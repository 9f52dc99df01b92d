#pragma once

#include "db/Conexion.h"

#include <functional>
#include <string>

namespace ov::db {

using Ejecutor = std::function<Resultado(const std::string&)>;

// La base actual de una conexión a SQL Server.
std::string BaseActualSqlServer(const Ejecutor& ejecuta);

inline constexpr const char* kPreparaSesion = "SET DATEFORMAT ymd\r\nSET NOCOUNT OFF";

// Lo que se hace al abrir SQL Server: fechas año-mes-día, cuentas de filas y, si la cadena nombra una base,
// comprobar que la conexión quedó en ella. Lanza ErrorBD.
void PreparaSqlServer(const Ejecutor& ejecuta, const std::string& baseEsperada);

} // namespace ov::db
