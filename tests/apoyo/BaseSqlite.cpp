#include "apoyo/BaseSqlite.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <vector>

namespace ov::prueba {

BaseSqlite::BaseSqlite(const std::filesystem::path& archivo, bool crea) {
    const int modo = SQLITE_OPEN_READWRITE | (crea ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(archivo.c_str(), &base_, modo, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "no se pudo abrir " << archivo;
    }
    sqlite3_busy_timeout(base_, 5000);
}

BaseSqlite::~BaseSqlite() {
    sqlite3_close(base_);
}

void BaseSqlite::Ejecuta(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(base_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        ADD_FAILURE() << sql << ": " << (error ? error : "");
        sqlite3_free(error);
    }
}

std::string BaseSqlite::Valor(const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(base_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sql << ": " << sqlite3_errmsg(base_);
        return "0";
    }
    std::string r;
    if (sqlite3_step(s) == SQLITE_ROW && sqlite3_column_text(s, 0) != nullptr) {
        r = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    }
    sqlite3_finalize(s);
    return r;
}

std::string BaseSqlite::Huella(const std::string& tabla) {
    sqlite3_stmt* s = nullptr;
    const std::string sql = "SELECT * FROM " + tabla;
    if (sqlite3_prepare_v2(base_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sql << ": " << sqlite3_errmsg(base_);
        return {};
    }
    std::vector<std::string> filas;
    while (sqlite3_step(s) == SQLITE_ROW) {
        std::string fila;
        for (int c = 0; c < sqlite3_column_count(s); ++c) {
            const auto* v = sqlite3_column_text(s, c);
            fila += v ? "'" + std::string(reinterpret_cast<const char*>(v)) + "'," : std::string("NULL,");
        }
        filas.push_back(std::move(fila));
    }
    sqlite3_finalize(s);
    return HuellaDeFilas(std::move(filas));
}

void GeneraDemo(const std::filesystem::path& carpeta, int checadas) {
    const std::string orden = std::string("'") + OV_GENERA_DEMO + "' '" + carpeta.string() + "' --checadas " +
                              std::to_string(checadas) + " > /dev/null";
    ASSERT_EQ(std::system(orden.c_str()), 0) << orden;
}

} // namespace ov::prueba
