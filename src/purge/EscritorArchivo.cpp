#include "purge/EscritorArchivo.h"

#include "log/Rutas.h"
#include "purge/Archivo.h"

#ifdef OV_SQLITE_NATIVO
#include <sqlite3.h>
#endif

namespace ov {

namespace {

constexpr int kFilasPorLote = 500;
constexpr std::size_t kBytesPorLote = 1 << 20;

std::string Comillas(const std::string& nombre) {
    return Delimita(nombre, '"', '"');
}

#ifdef OV_SQLITE_NATIVO

class EscritorNativo final : public EscritorArchivo {
public:
    explicit EscritorNativo(const std::filesystem::path& archivo) {
        if (sqlite3_open_v2(Utf8DeRuta(archivo).c_str(), &base_, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK) {
            const std::string error = base_ != nullptr ? sqlite3_errmsg(base_) : "sin memoria";
            sqlite3_close(base_);
            throw ErrorPropio(error);
        }
        Ejecuta("PRAGMA journal_mode=DELETE");
        Ejecuta("PRAGMA synchronous=FULL");
    }
    ~EscritorNativo() override { Cierra(); }
    long long Ejecuta(const std::string& sql) override {
        char* error = nullptr;
        if (sqlite3_exec(base_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            std::string texto = error != nullptr ? error : sqlite3_errmsg(base_);
            sqlite3_free(error);
            throw ErrorPropio(texto);
        }
        return sqlite3_changes(base_);
    }
    // Diferida: toma para escribir solo el archivo, no la base que tenga unida para leer.
    void Comienza() override { Ejecuta("BEGIN"); }
    void Confirma() override { Ejecuta("COMMIT"); }
    void Deshace() noexcept override {
        Suelta();
        sqlite3_exec(base_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void EmpiezaFilas(const std::string& tabla, std::size_t columnas) override {
        Suelta();
        std::string sql = "INSERT INTO " + Comillas(tabla) + " VALUES (";
        for (std::size_t i = 0; i < columnas; ++i) {
            sql += i == 0 ? "?" : ",?";
        }
        if (sqlite3_prepare_v2(base_, (sql + ")").c_str(), -1, &insercion_, nullptr) != SQLITE_OK) {
            throw ErrorPropio(sqlite3_errmsg(base_));
        }
    }
    void Fila(const std::vector<db::Valor>& fila, std::size_t desde) override {
        for (std::size_t i = desde; i < fila.size(); ++i) {
            const int n = static_cast<int>(i - desde + 1);
            const auto& v = fila[i];
            const int r =
                v ? sqlite3_bind_text(insercion_, n, v->data(), static_cast<int>(v->size()), SQLITE_STATIC)
                  : sqlite3_bind_null(insercion_, n);
            if (r != SQLITE_OK) {
                throw ErrorPropio(sqlite3_errmsg(base_));
            }
        }
        if (sqlite3_step(insercion_) != SQLITE_DONE) {
            throw ErrorPropio(sqlite3_errmsg(base_));
        }
        sqlite3_reset(insercion_);
    }
    void TerminaFilas() override { Suelta(); }
    std::string Suma(const std::string& tabla) override {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(base_, ("SELECT * FROM " + Comillas(tabla)).c_str(), -1, &s, nullptr) !=
            SQLITE_OK) {
            throw ErrorPropio(sqlite3_errmsg(base_));
        }
        SumaFilas suma;
        std::vector<db::Valor> fila(static_cast<std::size_t>(sqlite3_column_count(s)));
        int r = SQLITE_ROW;
        while ((r = sqlite3_step(s)) == SQLITE_ROW) {
            for (std::size_t i = 0; i < fila.size(); ++i) {
                const int c = static_cast<int>(i);
                if (sqlite3_column_type(s, c) == SQLITE_NULL) {
                    fila[i].reset();
                } else {
                    const auto* texto = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
                    fila[i].emplace(texto, static_cast<std::size_t>(sqlite3_column_bytes(s, c)));
                }
            }
            suma.Agrega(fila);
        }
        sqlite3_finalize(s);
        if (r != SQLITE_DONE) {
            throw ErrorPropio(sqlite3_errmsg(base_));
        }
        return suma.Texto();
    }
    void Cierra() override {
        Suelta();
        sqlite3_close(base_);
        base_ = nullptr;
    }

private:
    void Suelta() noexcept {
        sqlite3_finalize(insercion_);
        insercion_ = nullptr;
    }
    sqlite3* base_ = nullptr;
    sqlite3_stmt* insercion_ = nullptr;
};

#endif

// Por ODBC: cada tanda de filas es un INSERT con sus valores como literales.
class EscritorOdbc final : public EscritorArchivo {
public:
    explicit EscritorOdbc(const std::filesystem::path& archivo) : cn_(AbreArchivoSQLite(archivo)) {
        cn_->Execute("PRAGMA journal_mode=DELETE");
        cn_->Execute("PRAGMA synchronous=FULL");
    }
    long long Ejecuta(const std::string& sql) override { return cn_->Execute(sql).UltimaCuenta(); }
    void Comienza() override { cn_->Comienza(); }
    void Confirma() override { cn_->Confirma(); }
    void Deshace() noexcept override {
        lote_.clear();
        cn_->Deshace();
    }
    void EmpiezaFilas(const std::string& tabla, std::size_t) override {
        prefijo_ = "INSERT INTO " + Comillas(tabla) + " VALUES ";
        lote_.clear();
        enLote_ = 0;
    }
    void Fila(const std::vector<db::Valor>& fila, std::size_t desde) override {
        lote_ += enLote_ == 0 ? prefijo_ + "(" : ",(";
        for (std::size_t i = desde; i < fila.size(); ++i) {
            if (i > desde) {
                lote_ += ',';
            }
            AgregaLiteral(lote_, fila[i]);
        }
        lote_ += ')';
        if (++enLote_ == kFilasPorLote || lote_.size() > kBytesPorLote) {
            TerminaFilas();
        }
    }
    void TerminaFilas() override {
        if (enLote_ > 0) {
            cn_->Execute(lote_);
            lote_.clear();
            enLote_ = 0;
        }
    }
    std::string Suma(const std::string& tabla) override {
        SumaFilas suma;
        cn_->Recorre("SELECT * FROM " + Comillas(tabla),
                     [&suma](const std::vector<db::Valor>& f) { suma.Agrega(f); });
        return suma.Texto();
    }
    void Cierra() override {
        if (cn_->Abierta()) {
            cn_->Close();
        }
    }

private:
    std::unique_ptr<db::Conexion> cn_;
    std::string prefijo_, lote_;
    int enLote_ = 0;
};

} // namespace

std::unique_ptr<EscritorArchivo> AbreEscritorArchivo(const std::filesystem::path& archivo) {
#ifdef OV_SQLITE_NATIVO
    return std::make_unique<EscritorNativo>(archivo);
#else
    return std::make_unique<EscritorOdbc>(archivo);
#endif
}

} // namespace ov
