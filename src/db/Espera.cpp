#include "db/Espera.h"

#include <climits>

namespace ov::db {

namespace {
constexpr std::int32_t kSqliteOcupada = 5;          // SQLITE_BUSY
constexpr std::int32_t kSqliteBloqueada = 6;        // SQLITE_LOCKED
constexpr std::int32_t kSqlServerSinBloqueo = 1222; // Lock request time out period exceeded
} // namespace

std::string SentenciaEspera(Dialecto dialecto, std::chrono::seconds espera) {
    const long long ms = std::chrono::milliseconds(espera).count();
    switch (dialecto) {
    case Dialecto::SqlServer:
        // -1 es esperar sin límite, lo que hace SQL Server si no se le dice nada.
        return "SET LOCK_TIMEOUT " + std::to_string(ms > 0 ? std::min<long long>(ms, INT_MAX) : -1);
    case Dialecto::SQLite:
        // En SQLite 0 es no esperar nada: sin límite es el mayor tiempo que admite (casi 25 días).
        return "PRAGMA busy_timeout = " + std::to_string(ms > 0 ? std::min<long long>(ms, INT_MAX) : INT_MAX);
    case Dialecto::Otro:
        break;
    }
    return {};
}

void FijaEspera(Conexion& cn, std::chrono::seconds espera) {
    if (const std::string sql = SentenciaEspera(cn.dialecto(), espera); !sql.empty()) {
        cn.Execute(sql);
    }
}

bool EsEsperaAgotada(const ErrorBD& e) {
    // Babelfish da su número genérico con el texto de PostgreSQL: "canceling statement due to lock timeout".
    if (e.Numero == kSqlServerSinBloqueo || e.Descripcion.find("due to lock timeout") != std::string::npos) {
        return true;
    }
    // Los códigos extendidos de SQLite guardan el primario en el byte bajo (517 es SQLITE_BUSY_SNAPSHOT).
    const std::int32_t primario = e.Numero & 0xff;
    return e.Fuente.find("SQLite") != std::string::npos &&
           (primario == kSqliteOcupada || primario == kSqliteBloqueada);
}

} // namespace ov::db
