#include "db/CadenaConexion.h"

#include "db/Manejador.h"
#include "db/ParesCadena.h"
#include "db/TextoOdbc.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <filesystem>

namespace ov::db {

std::string Minusculas(std::string_view s) {
    std::string m(s);
    std::transform(m.begin(), m.end(), m.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return m;
}

namespace {

bool Empieza(std::string_view s, std::string_view prefijo) {
    return s.substr(0, prefijo.size()) == prefijo;
}

// Los drivers de SQL Server por preferencia. El último, "SQL Server", es el que trae el propio
// Windows (SQLSRV32): viejo pero siempre está, así la cadena del producto abre en cualquier equipo.
constexpr std::array<std::string_view, 5> DriversSqlServer = {
    "ODBC Driver 18 for SQL Server", "ODBC Driver 17 for SQL Server", "SQL Server Native Client 11.0",
    "FreeTDS", "SQL Server"};

std::string MejorDriver(const std::vector<std::string>& instalados) {
    for (std::string_view preferido : DriversSqlServer) {
        for (const std::string& d : instalados) {
            if (Minusculas(d) == Minusculas(preferido)) {
                return d;
            }
        }
    }
    throw ErrorBD(3706, "[ovNalvora]",
                  "No hay instalado ningún driver ODBC para SQL Server con que abrir la cadena de conexión.",
                  "IM002");
}

bool EsProveedorSqlServer(const std::string& p) {
    return p == "sqloledb" || p == "sqloledb.1" || Empieza(p, "sqlncli") || Empieza(p, "msoledbsql");
}

// Cada valor va entre llaves, con la llave de cierre doblada.
void Agrega(std::string& destino, std::string_view clave, std::string_view valor) {
    if (!destino.empty()) {
        destino += ';';
    }
    destino.append(clave).append("={");
    for (char c : valor) {
        destino += c;
        if (c == '}') {
            destino += '}';
        }
    }
    destino += '}';
}

// Las opciones fijas van sin llaves: FreeTDS toma ClientCharset={UTF-8} al pie de la letra y falla.
void AgregaFija(std::string& destino, std::string_view clave, std::string_view valor) {
    destino.append(";").append(clave).append("=").append(valor);
}

std::optional<std::string> Primera(const Pares& pares, std::initializer_list<std::string_view> claves) {
    for (std::string_view c : claves) {
        if (auto v = Busca(pares, c)) {
            return v;
        }
    }
    return std::nullopt;
}

std::optional<bool> Booleano(const std::string& valor) {
    const std::string v = Minusculas(valor);
    if (v == "true" || v == "yes" || v == "1" || v == "sspi") {
        return true;
    }
    if (v == "false" || v == "no" || v == "0") {
        return false;
    }
    return std::nullopt;
}

bool Verdadero(const Pares& pares, std::initializer_list<std::string_view> claves, const char* razon) {
    const auto v = Primera(pares, claves);
    if (!v) {
        return false;
    }
    const auto b = Booleano(*v);
    if (!b) {
        CadenaInvalida(razon);
    }
    return *b;
}

unsigned Numero(const std::string& texto, const char* razon) {
    unsigned n = 0;
    const auto [fin, ec] = std::from_chars(texto.data(), texto.data() + texto.size(), n);
    if (texto.empty() || ec != std::errc{} || fin != texto.data() + texto.size()) {
        CadenaInvalida(razon);
    }
    return n;
}

void LeeTiempo(const Pares& pares, CadenaOdbc& salida) {
    if (auto t = Primera(pares, {"connect timeout", "connection timeout"})) {
        salida.TiempoLogin = std::chrono::seconds(Numero(*t, "el tiempo de espera no es un número válido."));
    }
}

// FreeTDS no entiende "host\instancia,puerto": toma el puerto o la instancia, nunca ambos.
void ServidorFreeTds(std::string& destino, std::string servidor) {
    if (Minusculas(servidor.substr(0, 4)) == "tcp:") {
        servidor.erase(0, 4);
    }
    std::string puerto;
    if (const size_t coma = servidor.find(','); coma != std::string::npos) {
        puerto = servidor.substr(coma + 1);
        servidor.erase(coma);
        Numero(puerto, "el puerto del servidor no es un número válido.");
    }
    std::string instancia;
    if (const size_t barra = servidor.find('\\'); barra != std::string::npos) {
        instancia = servidor.substr(barra + 1);
        servidor.erase(barra);
    }
    if (servidor == "." || Minusculas(servidor) == "(local)") {
        servidor = "127.0.0.1";
    }
    if (!puerto.empty()) {
        Agrega(destino, "Server", servidor);
        Agrega(destino, "Port", puerto);
    } else {
        Agrega(destino, "Server", instancia.empty() ? servidor : servidor + "\\" + instancia);
    }
}

CadenaOdbc SqlServer(const Pares& pares, const std::vector<std::string>& instalados) {
    CadenaOdbc salida;
    const std::string driver = MejorDriver(instalados);
    const std::string d = Minusculas(driver);
    const bool freetds = d == "freetds";
    const bool driver18 = d == "odbc driver 18 for sql server";
    std::string& t = salida.Texto;
    Agrega(t, "Driver", driver);
    if (auto servidor = Primera(pares, {"data source", "server", "address", "addr", "network address"})) {
        if (freetds) {
            ServidorFreeTds(t, *servidor);
        } else {
            Agrega(t, "Server", *servidor);
        }
    }
    if (auto base = Primera(pares, {"initial catalog", "database"})) {
        Agrega(t, "Database", *base);
        salida.BaseEsperada = *base;
    }
    if (auto usuario = Primera(pares, {"user id", "uid"})) {
        Agrega(t, "UID", *usuario);
    }
    if (auto clave = Primera(pares, {"password", "pwd"})) {
        Agrega(t, "PWD", *clave);
    }
    if (Verdadero(pares, {"integrated security", "trusted_connection"},
                  "la seguridad integrada no es válida.")) {
        AgregaFija(t, "Trusted_Connection", "Yes");
    }
    // Cifrado: lo que diga la cadena; si calla, no se exige, como con el proveedor del producto.
    std::optional<std::string> cifrado;
    if (auto e = Busca(pares, "encrypt")) {
        const std::string v = Minusculas(*e);
        if (v == "strict") {
            cifrado = driver18 ? "Strict" : "Yes";
        } else if (v == "mandatory" || v == "optional") {
            cifrado = v == "mandatory" ? "Yes" : "No";
        } else if (auto b = Booleano(v); b && v != "sspi") {
            cifrado = *b ? "Yes" : "No";
        } else {
            CadenaInvalida("el valor de cifrado no es válido.");
        }
    } else if (Busca(pares, "use encryption for data")) {
        cifrado =
            Verdadero(pares, {"use encryption for data"}, "el valor de cifrado no es válido.") ? "Yes" : "No";
    }
    const bool confia = Verdadero(pares, {"trust server certificate", "trustservercertificate"},
                                  "el valor de confianza en el certificado no es válido.");
    if (freetds) {
        if (cifrado && *cifrado != "No") {
            AgregaFija(t, "Encryption", "require");
        }
        AgregaFija(t, "TDS_Version", "7.4");
        AgregaFija(t, "ClientCharset", "UTF-8");
    } else {
        if (driver18 && (!cifrado || *cifrado == "No")) {
            AgregaFija(t, "Encrypt", "Optional");
        } else if (cifrado) {
            AgregaFija(t, "Encrypt", *cifrado);
        }
        if (confia) {
            AgregaFija(t, "TrustServerCertificate", "Yes");
        }
    }
    LeeTiempo(pares, salida);
    return salida;
}

// MSDASQL: el origen ODBC va en DSN=, en Data Source o en Extended Properties.
CadenaOdbc Msdasql(const Pares& pares) {
    CadenaOdbc salida;
    Pares odbc;
    if (auto extendidas = Busca(pares, "extended properties")) {
        odbc = ParesOdbc(*extendidas);
    }
    auto toma = [&](std::string_view destino, std::initializer_list<std::string_view> claves) {
        if (!Busca(odbc, destino)) {
            if (auto v = Primera(pares, claves)) {
                odbc.push_back({std::string(destino), *v});
            }
        }
    };
    toma("dsn", {"dsn", "data source"});
    toma("uid", {"user id", "uid"});
    toma("pwd", {"password", "pwd"});
    toma("database", {"initial catalog", "database"});
    if (!Busca(odbc, "dsn") && !Busca(odbc, "driver") && !Busca(odbc, "filedsn")) {
        CadenaInvalida("no nombra un origen de datos ODBC.");
    }
    for (const Par& p : odbc) {
        const std::string clave = p.Clave == "dsn"        ? "DSN"
                                  : p.Clave == "uid"      ? "UID"
                                  : p.Clave == "pwd"      ? "PWD"
                                  : p.Clave == "database" ? "Database"
                                                          : p.Clave;
        Agrega(salida.Texto, clave, p.Valor);
    }
    salida.BaseEsperada = Busca(odbc, "database").value_or("");
    LeeTiempo(pares, salida);
    return salida;
}

bool NombraOrigenOdbc(const Pares& pares) {
    return (Busca(pares, "driver") || Busca(pares, "dsn") || Busca(pares, "filedsn")) &&
           !Busca(pares, "provider");
}

std::string PrimeraClave(const std::string& cadena) {
    const size_t p = cadena.find_first_not_of(" \t;");
    const size_t igual = cadena.find('=', p == std::string::npos ? 0 : p);
    if (p == std::string::npos || igual == std::string::npos) {
        return {};
    }
    std::string clave = Minusculas(cadena.substr(p, igual - p));
    while (!clave.empty() && std::isspace(static_cast<unsigned char>(clave.back()))) {
        clave.pop_back();
    }
    return clave;
}

} // namespace

CadenaOdbc TraduceCadena(const std::string& cadenaRegistro,
                         const std::vector<std::string>& driversInstalados) {
    if (cadenaRegistro.find_first_not_of(" \t\r\n;") == std::string::npos) {
        CadenaInvalida("está vacía.");
    }
    // Ya es ODBC: pasa tal cual; sólo se leen la base y el tiempo de espera.
    try {
        const Pares odbc = ParesOdbc(cadenaRegistro);
        if (NombraOrigenOdbc(odbc)) {
            CadenaOdbc salida;
            salida.Texto = cadenaRegistro;
            salida.BaseEsperada = Busca(odbc, "database").value_or("");
            LeeTiempo(odbc, salida);
            return salida;
        }
    } catch (const ErrorBD&) {
        const std::string primera = PrimeraClave(cadenaRegistro);
        if (primera == "driver" || primera == "dsn" || primera == "filedsn") {
            throw;
        }
    }
    const Pares pares = ParesOleDb(cadenaRegistro);
    // Sin Provider, ADO usa MSDASQL.
    const std::string proveedor = Minusculas(Busca(pares, "provider").value_or("msdasql"));
    if (EsProveedorSqlServer(proveedor)) {
        return SqlServer(pares, driversInstalados);
    }
    if (Empieza(proveedor, "msdasql")) {
        return Msdasql(pares);
    }
    throw ErrorBD(3706, "[ovNalvora]", "El proveedor que nombra la cadena de conexión no se admite.",
                  "IM002");
}

std::string ValorDeClave(const std::string& cadenaOdbc, std::string_view clave) {
    try {
        return Busca(ParesOdbc(cadenaOdbc), Minusculas(clave)).value_or("");
    } catch (const ErrorBD&) {
        return {};
    }
}

// El driver de SQLite crea un archivo vacío donde no hay base: una ruta mal escrita nunca debe crearla.
// Su opción NoCreat=1 no sirve aquí: abre sin permiso de crear y ATTACH lo hereda, así que tampoco
// podría crearse orvalo_temp.db junto a la base.
void ExigeBaseSQLiteExistente(const CadenaOdbc& cadena) {
    Pares odbc;
    try {
        odbc = ParesOdbc(cadena.Texto);
    } catch (const ErrorBD&) {
        return; // mal formada: que la rechace el driver
    }
    const auto base = Busca(odbc, "database");
    if (Minusculas(Busca(odbc, "driver").value_or("")).find("sqlite") == std::string::npos || !base ||
        *base == ":memory:") {
        return;
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(*base, ec)) {
        throw ErrorBD(3706, "[ovNalvora]",
                      "No existe la base de datos SQLite " + *base + "; no se crea una vacía en su lugar.",
                      "08001");
    }
}

std::vector<std::string> DriversInstalados() {
    const auto entorno = Entorno();
    std::vector<std::string> drivers;
    SQLUSMALLINT direccion = SQL_FETCH_FIRST;
    for (std::string nombre; SQL_SUCCEEDED(odbc::Driver(entorno->get(), direccion, nombre));) {
        drivers.push_back(nombre);
        direccion = SQL_FETCH_NEXT;
    }
    return drivers;
}

} // namespace ov::db
