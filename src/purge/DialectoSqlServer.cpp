#include "purge/DialectoSqlServer.h"

#include <stdexcept>

namespace ov {

namespace sqlserver {

namespace {
constexpr const char* kSalto = "\r\n";
}

std::string Copia(const TablaDatos& t, const Rango& r) {
    return "select * into orvalo_temp.dbo." + t.Tabla + " from " + t.Tabla + CondicionConservar(t, r);
}

std::string Vacia(const TablaDatos& t) {
    return "truncate table " + t.Tabla;
}

// Bloqueo exclusivo hasta el fin de la transacción: nada entra entre la copia y el vaciado.
std::string Bloquea(const TablaDatos& t) {
    return "select top 0 * from dbo." + t.Tabla + " with (tablockx, holdlock)";
}

std::string LeeIdentidad(const std::string& tabla) {
    return "select ident_current('dbo." + tabla + "') as actual, ident_incr('dbo." + tabla +
           "') as incremento";
}

std::string CuentaTemporal(const std::string& tabla) {
    return "select count_big(*) as filas from orvalo_temp.dbo." + tabla;
}

std::string Resiembra(const std::string& tabla, long long valor) {
    return "DBCC CHECKIDENT ('dbo." + tabla + "', RESEED, " + std::to_string(valor) + ")";
}

std::string BorraTablaTemporal(const std::string& tabla) {
    return "drop table orvalo_temp.dbo." + tabla;
}

std::string SentenciaDeClave(const std::string& clave, const std::string& columnas, const std::string& base) {
    if (clave == "TRANSACCIONES") {
        return std::string(" SET IDENTITY_INSERT dbo.transacciones on") + kSalto +
               "insert into dbo.transacciones " + "( " + columnas +
               " ) select * from orvalo_temp.dbo.transacciones t " + kSalto +
               " SET IDENTITY_INSERT dbo.transacciones off";
    }
    if (clave == "CHECADAS") {
        return "insert into checadas  (" + columnas + " )" + "select * from orvalo_temp.dbo.checadas c ";
    }
    if (clave == "KARDEX") {
        return std::string("alter table kardex disable trigger  all ") + kSalto +
               "insert into  kardex select * from orvalo_temp.dbo.kardex k " + kSalto +
               "  alter table kardex enable trigger all";
    }
    if (clave == "BITACORA") {
        return "insert into  bitacora select * from orvalo_temp.dbo.bitacora b ";
    }
    if (clave == "DBREINDEX_TRANSACCIONES") {
        return "DBCC DBREINDEX(transacciones)";
    }
    if (clave == "DBREINDEX_CHECADAS") {
        return "DBCC DBREINDEX(checadas)";
    }
    if (clave == "DBREINDEX_KARDEX") {
        return "DBCC DBREINDEX(kardex)";
    }
    if (clave == "DBREINDEX_BITACORA") {
        return "DBCC DBREINDEX(bitacora)";
    }
    if (clave == "SHRINK") {
        return "DBCC SHRINKDATABASE (" + EntreCorchetes(base) + ",0,TRUNCATEONLY)";
    }
    if (clave == "UPDATEUSAGE") {
        return "DBCC UPDATEUSAGE (" + EntreCorchetes(base) + ")";
    }
    throw std::invalid_argument("Clave de tarea desconocida: " + clave);
}

} // namespace sqlserver

namespace {

long long Entero(const db::Resultado& r, const char* campo) {
    const auto& v = r.Registros ? r.Registros->Primero(campo) : db::Valor{};
    if (!v) {
        throw db::ErrorBD(0, "[ovNalvora]", std::string("El servidor no devolvió ") + campo + ".");
    }
    return std::stoll(*v);
}

} // namespace

std::optional<std::vector<std::string>> DialectoSqlServer::TablasTemporal(db::Conexion& cn) {
    const auto existe = cn.Execute(sqlserver::kExisteTemporal);
    if (!existe.Registros || existe.Registros->Bof() || !existe.Registros->Primero("id")) {
        return std::nullopt;
    }
    std::vector<std::string> tablas;
    const auto r = cn.Execute(sqlserver::kTablasTemporal);
    if (r.Registros) {
        for (const auto& fila : r.Registros->Filas) {
            tablas.push_back(fila[0].value_or(""));
        }
    }
    return tablas;
}

void DialectoSqlServer::CreaVacia(db::Conexion& cn) {
    cn.Execute(sqlserver::kCreaTemporal);
}

void DialectoSqlServer::BorraTemporal(db::Conexion& cn) {
    cn.Execute(sqlserver::kBorraTemporal);
}

Respaldo DialectoSqlServer::RespaldaYVacia(db::Conexion& cn, const TablaDatos& t, const Rango& r) {
    Respaldo respaldo;
    cn.Comienza();
    try {
        cn.Execute(sqlserver::Bloquea(t));
        const auto identidad = cn.Execute(sqlserver::LeeIdentidad(t.Tabla));
        const auto& actual = identidad.Registros ? identidad.Registros->Primero("actual") : db::Valor{};
        cn.Execute(sqlserver::Copia(t, r));
        respaldo.Conservadas = Entero(cn.Execute(sqlserver::CuentaTemporal(t.Tabla)), "filas");
        cn.Execute(sqlserver::Vacia(t));
        if (actual) {
            // Tras un TRUNCATE, la primera fila insertada toma el valor de RESEED tal cual
            // (documentación de DBCC CHECKIDENT); por eso se siembra en actual + incremento.
            respaldo.Identidad = std::stoll(*actual);
            const long long incremento = Entero(identidad, "incremento");
            cn.Execute(
                sqlserver::Resiembra(t.Tabla, *respaldo.Identidad + (incremento > 0 ? incremento : 1)));
        }
        cn.Confirma();
    } catch (...) {
        cn.Deshace();
        throw;
    }
    return respaldo;
}

std::vector<std::string> DialectoSqlServer::SentenciasRespaldo(const TablaDatos& t, const Rango& r) const {
    return {sqlserver::Copia(t, r), sqlserver::Vacia(t)};
}

void DialectoSqlServer::BorraTablaTemporal(db::Conexion& cn, const std::string& tabla) {
    cn.Execute(sqlserver::BorraTablaTemporal(tabla));
}

std::string DialectoSqlServer::ConsultaColumnas(const std::string& tabla) const {
    return "SELECT top 0 * FROM " + tabla;
}

SentenciaTarea DialectoSqlServer::Sentencia(db::Conexion&, const std::string& clave,
                                            const std::string& columnas, const std::string& base) {
    SentenciaTarea s;
    s.Partes.push_back(sqlserver::SentenciaDeClave(clave, columnas, base));
    return s;
}

// Un solo lote; la cuenta de la reinserción es la última que informa filas (los SET y ALTER no informan).
long long DialectoSqlServer::Ejecuta(db::Conexion& cn, const SentenciaTarea& s) {
    return cn.Execute(s.Partes.at(0)).UltimaCuenta();
}

void DialectoSqlServer::HabilitaDisparadores(db::Conexion& cn) {
    cn.Execute(sqlserver::kHabilitaDisparadores);
}

bool DialectoSqlServer::DisparadoresHabilitados(db::Conexion& cn) {
    return Entero(cn.Execute(sqlserver::kDisparadoresDeshabilitados), "deshabilitados") == 0;
}

void DialectoSqlServer::RevisaIdentidad(db::Conexion& cn, const std::string& tabla, long long anterior) {
    const auto r = cn.Execute(sqlserver::LeeIdentidad(tabla));
    const auto& actual = r.Registros ? r.Registros->Primero("actual") : db::Valor{};
    // Con filas en la tabla, RESEED n hace que la siguiente sea n + incremento.
    if (actual && std::stoll(*actual) < anterior) {
        cn.Execute(sqlserver::Resiembra(tabla, anterior));
    }
}

long long DialectoSqlServer::CuentaFilas(db::Conexion& cn, const std::string& tabla) {
    return Entero(cn.Execute("select count_big(*) as filas from dbo." + tabla), "filas");
}

long long DialectoSqlServer::CuentaConservadas(db::Conexion& cn, const TablaDatos& t, const Rango& r) {
    return Entero(cn.Execute("select count_big(*) as filas from " + t.Tabla + CondicionConservar(t, r)),
                  "filas");
}

} // namespace ov
