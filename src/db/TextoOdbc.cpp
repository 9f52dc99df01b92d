#include "db/TextoOdbc.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <array>
#include <cstdint>
#include <cwchar>

namespace ov::db {

namespace {

SQLPOINTER Entero(SQLULEN v) {
    return reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(v));
}

// Cuántas unidades de un búfer de `capacidad` ocupa un largo informado, sin pasar del terminador.
template <typename N> std::size_t Ocupado(N largo, std::size_t capacidad) {
    return std::min(static_cast<std::size_t>(std::max<N>(largo, 0)), capacidad - 1);
}

#ifdef _WIN32
// Un texto UTF-16 devuelto en un búfer lleno de ceros. Algunos drivers (el SQLite3 de unixODBC)
// informan el largo en bytes UTF-8 y no en caracteres: manda el terminador, no ese largo.
std::string TextoDeBufer(const SQLWCHAR* buf, std::size_t capacidad) {
    return Utf8DeUtf16(buf, wcsnlen(buf, capacidad));
}
#endif

} // namespace

#ifdef _WIN32

std::wstring Utf16DeUtf8(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring ancho(static_cast<std::size_t>(std::max(n, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), ancho.data(), n);
    return ancho;
}

std::string Utf8DeUtf16(const wchar_t* texto, std::size_t largo) {
    if (largo == 0) {
        return {};
    }
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, texto, static_cast<int>(largo), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(std::max(n, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, texto, static_cast<int>(largo), utf8.data(), n, nullptr, nullptr);
    return utf8;
}

namespace odbc {

namespace {
// Las funciones W piden SQLWCHAR*, que en mingw es wchar_t; el texto de entrada no se modifica.
SQLWCHAR* W(std::wstring& s) {
    return s.data();
}
constexpr SQLSMALLINT kBytesPorCaracter = sizeof(SQLWCHAR);
} // namespace

SQLRETURN DriverConnect(SQLHDBC dbc, const std::string& cadena) {
    std::wstring w = Utf16DeUtf8(cadena);
    return SQLDriverConnectW(dbc, nullptr, W(w), static_cast<SQLSMALLINT>(w.size()), nullptr, 0, nullptr,
                             SQL_DRIVER_NOPROMPT);
}

SQLRETURN ExecDirect(SQLHSTMT st, const std::string& sql) {
    std::wstring w = Utf16DeUtf8(sql);
    return SQLExecDirectW(st, W(w), static_cast<SQLINTEGER>(w.size()));
}

SQLRETURN TablasDeUsuario(SQLHSTMT st) {
    std::wstring todas = L"%", tipo = L"TABLE";
    return SQLTablesW(st, nullptr, 0, nullptr, 0, W(todas), SQL_NTS, W(tipo), SQL_NTS);
}

SQLRETURN DiagRec(SQLSMALLINT tipo, SQLHANDLE h, SQLSMALLINT numero, std::string& estado, SQLINTEGER& nativo,
                  std::string& mensaje) {
    SQLWCHAR sqlstate[SQL_SQLSTATE_SIZE + 1] = {};
    std::wstring texto(SQL_MAX_MESSAGE_LENGTH, L'\0');
    SQLSMALLINT largo = 0;
    SQLRETURN rc = SQLGetDiagRecW(tipo, h, numero, sqlstate, &nativo, W(texto),
                                  static_cast<SQLSMALLINT>(texto.size()), &largo);
    if (rc == SQL_SUCCESS_WITH_INFO && largo >= static_cast<SQLSMALLINT>(texto.size())) {
        // Mensaje más largo que el búfer: se vuelve a pedir completo.
        texto.assign(static_cast<std::size_t>(largo) + 1, L'\0');
        rc = SQLGetDiagRecW(tipo, h, numero, sqlstate, &nativo, W(texto),
                            static_cast<SQLSMALLINT>(texto.size()), &largo);
    }
    if (SQL_SUCCEEDED(rc)) {
        estado = TextoDeBufer(sqlstate, SQL_SQLSTATE_SIZE);
        mensaje = TextoDeBufer(texto.data(), texto.size());
    }
    return rc;
}

SQLRETURN InfoTexto(SQLHDBC dbc, SQLUSMALLINT que, std::string& texto) {
    std::array<SQLWCHAR, 256> buf{};
    SQLSMALLINT bytes = 0;
    const SQLRETURN rc = SQLGetInfoW(dbc, que, buf.data(), static_cast<SQLSMALLINT>(sizeof(buf)), &bytes);
    if (SQL_SUCCEEDED(rc)) {
        texto = TextoDeBufer(buf.data(), buf.size());
    }
    return rc;
}

SQLRETURN CatalogoActual(SQLHDBC dbc, std::string& texto) {
    std::array<SQLWCHAR, 256> buf{};
    SQLINTEGER bytes = 0;
    const SQLRETURN rc = SQLGetConnectAttrW(dbc, SQL_ATTR_CURRENT_CATALOG, buf.data(),
                                            static_cast<SQLINTEGER>(sizeof(buf)), &bytes);
    if (SQL_SUCCEEDED(rc)) {
        texto = TextoDeBufer(buf.data(), buf.size());
    }
    return rc;
}

SQLRETURN FijaAtributoConexion(SQLHDBC dbc, SQLINTEGER atributo, SQLULEN valor) {
    return SQLSetConnectAttrW(dbc, atributo, Entero(valor), 0);
}

SQLRETURN FijaAtributoSentencia(SQLHSTMT st, SQLINTEGER atributo, SQLULEN valor) {
    return SQLSetStmtAttrW(st, atributo, Entero(valor), 0);
}

SQLRETURN DescribeColumna(SQLHSTMT st, SQLUSMALLINT columna, std::string& nombre, SQLULEN& tamano) {
    std::array<SQLWCHAR, 512> buf{};
    SQLSMALLINT largo = 0, tipo = 0, decimales = 0, nulos = 0;
    SQLRETURN rc = SQLDescribeColW(st, columna, buf.data(), static_cast<SQLSMALLINT>(buf.size()), &largo,
                                   &tipo, &tamano, &decimales, &nulos);
    if (!SQL_SUCCEEDED(rc)) {
        return rc;
    }
    if (largo < static_cast<SQLSMALLINT>(buf.size())) {
        nombre = TextoDeBufer(buf.data(), buf.size());
        return SQL_SUCCESS;
    }
    // Nombre más largo que el búfer: se pide completo (aquí los largos van en bytes).
    std::wstring largoNombre(static_cast<std::size_t>(largo) + 1, L'\0');
    SQLSMALLINT bytes = 0;
    rc = SQLColAttributeW(st, columna, SQL_DESC_NAME, largoNombre.data(),
                          static_cast<SQLSMALLINT>(largoNombre.size() * sizeof(SQLWCHAR)), &bytes, nullptr);
    if (SQL_SUCCEEDED(rc)) {
        nombre = TextoDeBufer(largoNombre.data(), largoNombre.size());
        rc = SQL_SUCCESS;
    }
    return rc;
}

SQLRETURN DatoTexto(SQLHSTMT st, SQLUSMALLINT columna, std::optional<std::string>& valor) {
    std::array<SQLWCHAR, 2048> buf; // sin llenar: se lee solo lo que el driver escribió
    constexpr SQLLEN util = static_cast<SQLLEN>(buf.size()) - 1; // el driver termina cada trozo con NUL
    std::wstring texto; // UTF-16 entero: un par sustituto puede partirse
    for (;;) {
        SQLLEN indicador = 0;
        const SQLRETURN rc =
            SQLGetData(st, columna, SQL_C_WCHAR, buf.data(), static_cast<SQLLEN>(sizeof(buf)), &indicador);
        if (rc == SQL_NO_DATA) {
            break;
        }
        if (!SQL_SUCCEEDED(rc)) {
            return rc;
        }
        if (indicador == SQL_NULL_DATA) {
            valor.reset();
            return SQL_SUCCESS;
        }
        const SQLLEN caracteres = indicador == SQL_NO_TOTAL ? util + 1 : indicador / kBytesPorCaracter;
        const bool trunco = caracteres > util;
        texto.append(buf.data(), static_cast<std::size_t>(trunco ? util : std::max<SQLLEN>(caracteres, 0)));
        if (!trunco) {
            break;
        }
    }
    valor = Utf8DeUtf16(texto.data(), texto.size());
    return SQL_SUCCESS;
}

SQLRETURN Driver(SQLHENV entorno, SQLUSMALLINT direccion, std::string& nombre) {
    std::array<SQLWCHAR, 512> buf{};
    std::array<SQLWCHAR, 2048> atributos{};
    SQLSMALLINT largo = 0, largoAtributos = 0;
    const SQLRETURN rc =
        SQLDriversW(entorno, direccion, buf.data(), static_cast<SQLSMALLINT>(buf.size()), &largo,
                    atributos.data(), static_cast<SQLSMALLINT>(atributos.size()), &largoAtributos);
    if (SQL_SUCCEEDED(rc)) {
        nombre = TextoDeBufer(buf.data(), buf.size());
    }
    return rc;
}

} // namespace odbc

#else

namespace odbc {

SQLRETURN DriverConnect(SQLHDBC dbc, const std::string& cadena) {
    std::string texto = cadena;
    return SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(texto.data()),
                            static_cast<SQLSMALLINT>(texto.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
}

SQLRETURN ExecDirect(SQLHSTMT st, const std::string& sql) {
    std::string texto = sql;
    return SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(texto.data()), static_cast<SQLINTEGER>(texto.size()));
}

SQLRETURN TablasDeUsuario(SQLHSTMT st) {
    SQLCHAR todas[] = "%";
    SQLCHAR tipo[] = "TABLE";
    return SQLTables(st, nullptr, 0, nullptr, 0, todas, SQL_NTS, tipo, SQL_NTS);
}

SQLRETURN DiagRec(SQLSMALLINT tipo, SQLHANDLE h, SQLSMALLINT numero, std::string& estado, SQLINTEGER& nativo,
                  std::string& mensaje) {
    SQLCHAR sqlstate[SQL_SQLSTATE_SIZE + 1] = {};
    std::string texto(SQL_MAX_MESSAGE_LENGTH, '\0');
    SQLSMALLINT largo = 0;
    SQLRETURN rc = SQLGetDiagRec(tipo, h, numero, sqlstate, &nativo, reinterpret_cast<SQLCHAR*>(texto.data()),
                                 static_cast<SQLSMALLINT>(texto.size()), &largo);
    if (rc == SQL_SUCCESS_WITH_INFO && largo >= static_cast<SQLSMALLINT>(texto.size())) {
        // Mensaje más largo que el búfer: se vuelve a pedir completo.
        texto.assign(static_cast<std::size_t>(largo) + 1, '\0');
        rc = SQLGetDiagRec(tipo, h, numero, sqlstate, &nativo, reinterpret_cast<SQLCHAR*>(texto.data()),
                           static_cast<SQLSMALLINT>(texto.size()), &largo);
    }
    if (SQL_SUCCEEDED(rc)) {
        estado = reinterpret_cast<const char*>(sqlstate);
        texto.resize(Ocupado(largo, texto.size() + 1));
        mensaje = std::move(texto);
    }
    return rc;
}

SQLRETURN InfoTexto(SQLHDBC dbc, SQLUSMALLINT que, std::string& texto) {
    std::string buf(256, '\0');
    SQLSMALLINT largo = 0;
    const SQLRETURN rc = SQLGetInfo(dbc, que, buf.data(), static_cast<SQLSMALLINT>(buf.size()), &largo);
    if (SQL_SUCCEEDED(rc)) {
        buf.resize(Ocupado(largo, buf.size()));
        texto = std::move(buf);
    }
    return rc;
}

SQLRETURN CatalogoActual(SQLHDBC dbc, std::string& texto) {
    std::string buf(256, '\0');
    SQLINTEGER largo = 0;
    const SQLRETURN rc = SQLGetConnectAttr(dbc, SQL_ATTR_CURRENT_CATALOG, buf.data(),
                                           static_cast<SQLINTEGER>(buf.size()), &largo);
    if (SQL_SUCCEEDED(rc)) {
        buf.resize(Ocupado(largo, buf.size()));
        texto = std::move(buf);
    }
    return rc;
}

SQLRETURN FijaAtributoConexion(SQLHDBC dbc, SQLINTEGER atributo, SQLULEN valor) {
    return SQLSetConnectAttr(dbc, atributo, Entero(valor), 0);
}

SQLRETURN FijaAtributoSentencia(SQLHSTMT st, SQLINTEGER atributo, SQLULEN valor) {
    return SQLSetStmtAttr(st, atributo, Entero(valor), 0);
}

SQLRETURN DescribeColumna(SQLHSTMT st, SQLUSMALLINT columna, std::string& nombre, SQLULEN& tamano) {
    std::array<SQLCHAR, 512> buf{};
    SQLSMALLINT largo = 0, tipo = 0, decimales = 0, nulos = 0;
    SQLRETURN rc = SQLDescribeCol(st, columna, buf.data(), static_cast<SQLSMALLINT>(buf.size()), &largo,
                                  &tipo, &tamano, &decimales, &nulos);
    if (!SQL_SUCCEEDED(rc)) {
        return rc;
    }
    if (largo < static_cast<SQLSMALLINT>(buf.size())) {
        nombre.assign(reinterpret_cast<const char*>(buf.data()),
                      static_cast<std::size_t>(std::max<SQLSMALLINT>(largo, 0)));
        return SQL_SUCCESS;
    }
    // Nombre más largo que el búfer: se pide completo.
    std::string largoNombre(static_cast<std::size_t>(largo) + 1, '\0');
    SQLSMALLINT bytes = 0;
    rc = SQLColAttribute(st, columna, SQL_DESC_NAME, largoNombre.data(),
                         static_cast<SQLSMALLINT>(largoNombre.size()), &bytes, nullptr);
    if (SQL_SUCCEEDED(rc)) {
        largoNombre.resize(
            std::min(static_cast<std::size_t>(std::max<SQLSMALLINT>(bytes, 0)), largoNombre.size()));
        nombre = std::move(largoNombre);
        rc = SQL_SUCCESS;
    }
    return rc;
}

SQLRETURN DatoTexto(SQLHSTMT st, SQLUSMALLINT columna, std::optional<std::string>& valor) {
    std::array<char, 4096> buf; // sin llenar: se lee solo lo que el driver escribió
    constexpr SQLLEN util = static_cast<SQLLEN>(buf.size()) - 1; // el driver termina cada trozo con NUL
    std::string texto;
    for (;;) {
        SQLLEN indicador = 0;
        const SQLRETURN rc =
            SQLGetData(st, columna, SQL_C_CHAR, buf.data(), static_cast<SQLLEN>(buf.size()), &indicador);
        if (rc == SQL_NO_DATA) {
            break;
        }
        if (!SQL_SUCCEEDED(rc)) {
            return rc;
        }
        if (indicador == SQL_NULL_DATA) {
            valor.reset();
            return SQL_SUCCESS;
        }
        const bool trunco = indicador == SQL_NO_TOTAL || indicador > util;
        texto.append(buf.data(), static_cast<std::size_t>(trunco ? util : std::max<SQLLEN>(indicador, 0)));
        if (!trunco) {
            break;
        }
    }
    valor = std::move(texto);
    return SQL_SUCCESS;
}

SQLRETURN Driver(SQLHENV entorno, SQLUSMALLINT direccion, std::string& nombre) {
    std::array<SQLCHAR, 512> buf{};
    std::array<SQLCHAR, 2048> atributos{};
    SQLSMALLINT largo = 0, largoAtributos = 0;
    const SQLRETURN rc =
        SQLDrivers(entorno, direccion, buf.data(), static_cast<SQLSMALLINT>(buf.size()), &largo,
                   atributos.data(), static_cast<SQLSMALLINT>(atributos.size()), &largoAtributos);
    if (SQL_SUCCEEDED(rc)) {
        nombre = reinterpret_cast<const char*>(buf.data());
    }
    return rc;
}

} // namespace odbc

#endif

} // namespace ov::db
