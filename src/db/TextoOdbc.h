#pragma once

#include "db/Sql.h"

#include <optional>
#include <string>

namespace ov::db {

// Las llamadas ODBC que llevan texto o atributos. Dentro del programa el texto es UTF-8.
// En Windows van por las funciones Unicode (W) y se convierte a UTF-16 solo aquí: los drivers de
// Windows tratan mejor los nombres con acentos por ellas, y el odbc32 de wine solo implementa esas.
// Fuera de Windows, las de siempre (A) de unixODBC, con los bytes tal cual.
namespace odbc {

SQLRETURN DriverConnect(SQLHDBC dbc, const std::string& cadena);
SQLRETURN ExecDirect(SQLHSTMT st, const std::string& sql);
// Las tablas de usuario (tipo "TABLE") de cualquier nombre.
SQLRETURN TablasDeUsuario(SQLHSTMT st);

// Un registro de diagnóstico; mensaje sin el salto de línea final.
SQLRETURN DiagRec(SQLSMALLINT tipo, SQLHANDLE h, SQLSMALLINT numero, std::string& estado, SQLINTEGER& nativo,
                  std::string& mensaje);

// Un dato de texto de SQLGetInfo (SQL_DBMS_NAME, SQL_DATABASE_NAME).
SQLRETURN InfoTexto(SQLHDBC dbc, SQLUSMALLINT que, std::string& texto);
SQLRETURN CatalogoActual(SQLHDBC dbc, std::string& texto);

SQLRETURN FijaAtributoConexion(SQLHDBC dbc, SQLINTEGER atributo, SQLULEN valor);
SQLRETURN FijaAtributoSentencia(SQLHSTMT st, SQLINTEGER atributo, SQLULEN valor);

// Nombre y tamaño declarado de una columna del resultado.
SQLRETURN DescribeColumna(SQLHSTMT st, SQLUSMALLINT columna, std::string& nombre, SQLULEN& tamano);

// El valor de una columna como texto, leído por trozos; nullopt es Null. Devuelve SQL_SUCCESS o el
// código de la llamada que falló (sus diagnósticos siguen en la sentencia).
SQLRETURN DatoTexto(SQLHSTMT st, SQLUSMALLINT columna, std::optional<std::string>& valor);

// Un driver instalado (SQLDrivers), en la dirección dada (SQL_FETCH_FIRST o SQL_FETCH_NEXT).
SQLRETURN Driver(SQLHENV entorno, SQLUSMALLINT direccion, std::string& nombre);

} // namespace odbc

#ifdef _WIN32
// La frontera UTF-8 / UTF-16 de Windows; visibles para probarlas.
std::wstring Utf16DeUtf8(const std::string& utf8);
std::string Utf8DeUtf16(const wchar_t* texto, std::size_t largo);
#endif

} // namespace ov::db
