#include "db/Espera.h"

#include "db/CadenaConexion.h"

#include <algorithm>
#include <climits>

namespace ov::db {

namespace {
constexpr std::int32_t kSqliteOcupada = 5;          // SQLITE_BUSY
constexpr std::int32_t kSqliteBloqueada = 6;        // SQLITE_LOCKED
constexpr std::int32_t kSqlServerSinBloqueo = 1222; // Lock request time out period exceeded
} // namespace

void PonEsperaSQLite(CadenaOdbc& cadena, std::chrono::seconds espera) {
    const std::string driver = ValorDeClave(cadena.Texto, "Driver");
    if (driver.find("SQLite") == std::string::npos && driver.find("sqlite") == std::string::npos) {
        return;
    }
    if (!ValorDeClave(cadena.Texto, "Timeout").empty()) {
        return;
    }
    // Medido: con SQLExecDirect el driver espera unas dos veces su Timeout antes de rendirse.
    const long long ms = std::chrono::milliseconds(espera).count() / 2;
    cadena.Texto += cadena.Texto.ends_with(';') ? "" : ";";
    cadena.Texto +=
        "Timeout=" + std::to_string(espera.count() > 0 ? std::clamp<long long>(ms, 1, INT_MAX) : INT_MAX);
}

std::string SentenciaEspera(Dialecto dialecto, std::chrono::seconds espera) {
    if (dialecto != Dialecto::SqlServer) {
        return {};
    }
    // -1 es esperar sin límite, lo que hace SQL Server si no se le dice nada.
    const long long ms = std::chrono::milliseconds(espera).count();
    return "SET LOCK_TIMEOUT " + std::to_string(ms > 0 ? std::min<long long>(ms, INT_MAX) : -1);
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
