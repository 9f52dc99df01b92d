#pragma once

#include "db/ErrorBD.h"

#include "db/Sql.h"

#include <optional>
#include <string>
#include <vector>

namespace ov::db {

// Un registro de diagnóstico tal como lo da SQLGetDiagRec.
struct Diagnostico {
    std::string Estado; // SQLSTATE
    std::int32_t Nativo = 0;
    std::string Mensaje;
};

// Lo que devolvió una llamada ODBC y los diagnósticos que dejó, leídos antes de la siguiente.
struct Llamada {
    SQLRETURN rc = SQL_SUCCESS;
    std::vector<Diagnostico> Diagnosticos;
};

std::vector<Diagnostico> LeeDiagnosticos(SQLSMALLINT tipo, SQLHANDLE manejador);

// Las clases 00, 01 y 02 son éxito, aviso y sin datos; el resto es error aunque la llamada
// haya devuelto SQL_SUCCESS_WITH_INFO.
bool EsError(const Diagnostico& d);

// El error que deja una llamada, si dejó alguno: el primer registro de error; si la llamada
// falló sin ninguno, el primer registro, o uno genérico.
std::optional<ErrorBD> ErrorDe(const Llamada& llamada);

// Separa los prefijos entre corchetes del mensaje ("[FreeTDS][SQL Server]") del texto.
ErrorBD ErrorDeDiagnostico(const Diagnostico& d);

} // namespace ov::db
