#pragma once

#include "db/Conexion.h"

#include <string>
#include <string_view>
#include <vector>

namespace ov::db {

// Traduce la cadena ADO/OLE DB del registro a una cadena ODBC. Una cadena que ya es ODBC
// (Driver=, DSN=, FileDSN=) pasa sin cambio. Lanza ErrorBD si está mal formada; el mensaje
// nunca lleva la cadena.
CadenaOdbc TraduceCadena(const std::string& cadenaRegistro,
                         const std::vector<std::string>& driversInstalados);

// Valor de una clave de una cadena ODBC, sin distinguir mayúsculas en la clave; vacío si no
// está o si la cadena está mal formada.
std::string ValorDeClave(const std::string& cadenaOdbc, std::string_view clave);

// Rechaza con ErrorBD una cadena del driver de SQLite cuyo archivo no existe, antes de conectar.
void ExigeBaseSQLiteExistente(const CadenaOdbc& cadena);

// El texto con las letras ASCII en minúsculas (nombres de claves, drivers y tablas).
std::string Minusculas(std::string_view s);

// Nombres de los drivers ODBC instalados (SQLDrivers).
std::vector<std::string> DriversInstalados();

} // namespace ov::db
