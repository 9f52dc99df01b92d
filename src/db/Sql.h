#pragma once

// Las cabeceras de ODBC. Las de Windows (mingw-w64) usan los tipos de windows.h sin incluirla.
#ifdef _WIN32
#include <windows.h>
#endif
#include <sql.h>
#include <sqlext.h>
