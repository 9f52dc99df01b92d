// Por el driver SQLite3 de ODBC, el mismo en Linux y en Windows (bajo wine, el del anfitrión): en mingw no
// hay biblioteca sqlite3.
#include "apoyo/BaseSqlite.h"
#include "apoyo/CarpetaTemporal.h"
#include "db/Conexion.h"

#include <gtest/gtest.h>

#include <cstdlib>
#ifdef _WIN32
#include "db/TextoOdbc.h"

#include <cstring>
#endif

namespace ov::prueba {

BaseSqlite::BaseSqlite(const std::filesystem::path& archivo, bool crea)
    : cn_(std::make_unique<db::Conexion>()) {
    // El acceso a datos nunca crea una base SQLite: si hay que crearla, un archivo vacío es una base vacía.
    if (crea && !std::filesystem::exists(archivo)) {
        EscribeArchivo(archivo, "");
    }
    db::CadenaOdbc cadena;
    cadena.Texto =
        "Driver=SQLite3;Database=" + archivo.generic_string() + ";Timeout=5000" + (crea ? "" : ";NoCreat=1");
    try {
        cn_->OpenOdbc(cadena);
    } catch (const db::ErrorBD& e) {
        ADD_FAILURE() << "no se pudo abrir " << archivo << ": " << e.Descripcion;
    }
}

BaseSqlite::~BaseSqlite() = default;

void BaseSqlite::Ejecuta(const std::string& sql) {
    try {
        cn_->Execute(sql);
    } catch (const db::ErrorBD& e) {
        ADD_FAILURE() << sql << ": " << e.Descripcion;
    }
}

std::string BaseSqlite::Valor(const std::string& sql) {
    try {
        const db::Resultado r = cn_->Execute(sql);
        if (r.Registros && !r.Registros->Filas.empty() && !r.Registros->Filas.front().empty()) {
            return r.Registros->Filas.front().front().value_or("");
        }
        return {};
    } catch (const db::ErrorBD& e) {
        ADD_FAILURE() << sql << ": " << e.Descripcion;
        return "0";
    }
}

std::string BaseSqlite::Huella(const std::string& tabla) {
    std::vector<std::string> filas;
    try {
        const db::Resultado r = cn_->Execute("SELECT * FROM " + tabla);
        for (const auto& valores : r.Registros ? r.Registros->Filas : std::vector<std::vector<db::Valor>>{}) {
            std::string fila;
            for (const auto& v : valores) {
                fila += v ? "'" + *v + "'," : std::string("NULL,");
            }
            filas.push_back(std::move(fila));
        }
    } catch (const db::ErrorBD& e) {
        ADD_FAILURE() << tabla << ": " << e.Descripcion;
        return {};
    }
    return HuellaDeFilas(std::move(filas));
}

long long DejaSobrante(const std::filesystem::path& sur, const std::string& copia, bool conOrigen,
                       const std::string& borra) {
    BaseSqlite s(sur, true); // sin NoCreat: ATTACH crea orvalo_temp.db
    s.Ejecuta("ATTACH DATABASE '" + (sur.parent_path() / "orvalo_temp.db").string() + "' AS orvalo_temp");
    s.Ejecuta("CREATE TABLE orvalo_temp.checadas AS SELECT * FROM checadas WHERE " + copia);
    if (conOrigen) {
        s.Ejecuta("CREATE TABLE orvalo_temp.ovnalvora_origen AS SELECT 'Planta Sur' AS conexion, '" +
                  sur.parent_path().string() +
                  "' AS servidor, 'orvalo_sur.db' AS base, 'otra' AS maquina, "
                  "'2026-12-01 03:00' AS inicio, '2025-03-01' AS desde, '2025-03-31' AS hasta");
    }
    s.Ejecuta("DELETE FROM checadas WHERE " + borra);
    return s.Cuenta("SELECT count(*) FROM orvalo_temp.checadas");
}

#ifndef _WIN32
void GeneraDemo(const std::filesystem::path& carpeta, int checadas) {
    const std::string orden = std::string("'") + OV_GENERA_DEMO + "' '" + carpeta.string() + "' --checadas " +
                              std::to_string(checadas) + " > /dev/null";
    ASSERT_EQ(std::system(orden.c_str()), 0) << orden;
}
#else
// En Windows la demostración la genera una vez el programa de Linux antes de las pruebas y aquí se copia,
// con su orvalo.reg apuntando a la copia.
void GeneraDemo(const std::filesystem::path& carpeta, int checadas) {
    namespace fs = std::filesystem;
    const fs::path origen = OV_DEMO_PRUEBAS; // la del programa de Linux, con 3000 checadas
    ASSERT_EQ(checadas, 3000) << "solo está preparada la demostración de 3000 checadas";
    ASSERT_TRUE(fs::exists(origen / "orvalo.reg")) << "falta la demostración preparada en " << origen;
    fs::create_directories(carpeta);
    for (const char* base : {"orvalo_norte.db", "orvalo_sur.db"}) {
        // overwrite_existing de copy_file falla en mingw si el destino existe: se borra antes.
        fs::remove(carpeta / base);
        fs::copy_file(origen / base, carpeta / base);
    }
    // orvalo.reg va en UTF-16LE con BOM, como wchar_t en Windows: se cambia la carpeta de origen por la
    // de la copia.
    const std::string bytes = LeeArchivo(origen / "orvalo.reg");
    ASSERT_GE(bytes.size(), 2u);
    std::wstring texto((bytes.size() - 2) / 2, L'\0');
    std::memcpy(texto.data(), bytes.data() + 2, texto.size() * 2);
    const std::wstring de = db::Utf16DeUtf8(std::string(OV_DEMO_PRUEBAS) + "/");
    const std::wstring a = db::Utf16DeUtf8(carpeta.generic_string() + "/");
    for (size_t p = texto.find(de); p != std::wstring::npos; p = texto.find(de, p + a.size())) {
        texto.replace(p, de.size(), a);
    }
    const std::string salida =
        bytes.substr(0, 2) + std::string(reinterpret_cast<const char*>(texto.data()), texto.size() * 2);
    EscribeArchivo(carpeta / "orvalo.reg", salida);
}
#endif

} // namespace ov::prueba
