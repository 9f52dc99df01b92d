#include "purge/DialectoSqlServer.h"

#include <algorithm>

namespace ov {

namespace sqlserver {

namespace {
constexpr const char* kSalto = "\r\n";
}

std::string Copia(const TablaDatos& t, const Rango& r) {
    return "select * into orvalo_temp.dbo." + t.Tabla + " from " + t.Tabla + CondicionConservar(t, r);
}

std::string Vacia(const std::string& tabla) {
    return "truncate table " + tabla;
}

// Bloqueo exclusivo hasta el fin de la transacción: nadie escribe en la tabla mientras se depura. La
// sentencia cuenta la tabla, así que su plan la lee: una sugerencia de tabla en una consulta cuyo plan no
// toca la tabla (select top 0) se ignora.
std::string Bloquea(const std::string& tabla) {
    return "select count_big(*) as filas from dbo." + tabla + " with (tablockx, holdlock)";
}

std::string LeeDisparadores(const std::string& tabla) {
    return "select name, is_disabled from sys.triggers where parent_id = object_id('dbo." + tabla +
           "') order by name";
}

std::string CambiaDisparador(const std::string& tabla, const std::string& nombre, bool habilita) {
    return "alter table dbo." + tabla + (habilita ? " enable" : " disable") + " trigger " +
           EntreCorchetes(nombre);
}

std::string LeeIdentidad(const std::string& tabla) {
    return "select ident_current('dbo." + tabla + "') as actual, ident_incr('dbo." + tabla +
           "') as incremento";
}

std::string CuentaFilas(const std::string& tabla) {
    return "select count_big(*) as filas from dbo." + tabla;
}

std::string CuentaTemporal(const std::string& tabla) {
    return "select count_big(*) as filas from orvalo_temp.dbo." + tabla;
}

std::string Resiembra(const std::string& tabla, long long valor) {
    return "DBCC CHECKIDENT ('dbo." + tabla + "', RESEED, " + std::to_string(valor) + ")";
}

std::string LiteralN(const std::string& texto) {
    return "N" + Delimita(texto, '\'', '\'');
}

std::string IdentidadInsert(const std::string& tabla, bool encendido) {
    return "SET IDENTITY_INSERT dbo." + tabla + (encendido ? " on" : " off");
}

std::string BorraTablaTemporal(const std::string& tabla) {
    return "drop table orvalo_temp.dbo." + tabla;
}

// Tras TRUNCATE la primera fila insertada toma el valor de RESEED tal cual (documentación de
// DBCC CHECKIDENT): el siguiente al último emitido, en el sentido del incremento.
long long SiembraTrasVaciar(const Identidad& id) {
    return id.Actual + id.Incremento;
}

bool Retrocedio(long long actual, const Identidad& anterior) {
    return anterior.Incremento >= 0 ? actual < anterior.Actual : actual > anterior.Actual;
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
    if (clave.rfind("DBREINDEX_", 0) == 0 && TablaDeClave(clave.substr(10))) {
        return "DBCC DBREINDEX(" + TablaDeClave(clave.substr(10))->Tabla + ")";
    }
    if (clave == "SHRINK") {
        return "DBCC SHRINKDATABASE (" + EntreCorchetes(base) + ",0,TRUNCATEONLY)";
    }
    if (clave == "UPDATEUSAGE") {
        return "DBCC UPDATEUSAGE (" + EntreCorchetes(base) + ")";
    }
    throw ErrorPropio("Clave de tarea desconocida: " + clave);
}

} // namespace sqlserver

namespace {

std::optional<long long> EnteroOpcional(const db::Resultado& r, const char* campo) {
    const int i = r.Registros ? r.Registros->Indice(campo) : -1;
    if (i < 0 || r.Registros->Filas.empty()) {
        throw ErrorPropio(std::string("El servidor no devolvió ") + campo + ".");
    }
    const auto& v = r.Registros->Filas[0][static_cast<size_t>(i)];
    if (!v) {
        return std::nullopt;
    }
    try {
        size_t usados = 0;
        // ident_current es numeric(38,0): puede llegar con ".0" según el driver.
        const long long n = std::stoll(*v, &usados);
        if (usados == v->size() || v->substr(usados).find_first_not_of(".0") == std::string::npos) {
            return n;
        }
    } catch (const std::logic_error&) {
        // Se informa abajo, con el texto que llegó.
    }
    throw ErrorPropio(std::string("Se esperaba un número en ") + campo + " y el servidor devolvió \"" + *v +
                      "\".");
}

long long Entero(const db::Resultado& r, const char* campo) {
    const auto n = EnteroOpcional(r, campo);
    if (!n) {
        throw ErrorPropio(std::string("El servidor devolvió ") + campo + " nulo.");
    }
    return *n;
}

std::string Texto(const db::Resultado& r) {
    if (r.Registros && !r.Registros->Filas.empty() && !r.Registros->Filas[0].empty()) {
        return r.Registros->Filas[0][0].value_or("");
    }
    return {};
}

// Las columnas numeradas entre repeticiones: dos filas iguales son dos filas distintas.
std::string Numeradas(const std::string& columnas, const std::string& tabla) {
    return "select " + columnas + ", row_number() over (partition by " + columnas +
           " order by (select null)) as ovn_n from " + tabla;
}

std::string DiferenciaCopia(const std::string& fuente, const std::string& tabla,
                            const std::string& columnas) {
    return "select " + columnas + " from (" + Numeradas(columnas, fuente) + " except " +
           Numeradas(columnas, "dbo." + tabla) + ") as faltan";
}

} // namespace

std::optional<std::vector<std::string>> DialectoSqlServer::TablasTemporal(db::Sesion& cn) {
    const auto existe = cn.Execute(sqlserver::kExisteTemporal);
    if (!EnteroOpcional(existe, "id")) {
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

void DialectoSqlServer::CreaVacia(db::Sesion& cn) {
    cn.Execute(sqlserver::kCreaTemporal);
}

// Con USE la tabla se crea dentro de orvalo_temp sin DDL entre bases, que no todo servidor acepta.
void DialectoSqlServer::EscribeOrigen(db::Sesion& cn, const Origen& origen) {
    const std::string base = Base(cn);
    std::string valores;
    for (const auto& v : CamposOrigen(origen)) {
        valores += (valores.empty() ? "" : ", ") + sqlserver::LiteralN(v);
    }
    cn.Execute("USE orvalo_temp");
    try {
        cn.Execute(
            "create table dbo." + std::string(kTablaOrigen) +
            " (conexion nvarchar(400), servidor nvarchar(400), base nvarchar(400), maquina nvarchar(400), "
            "inicio nvarchar(40), desde nvarchar(20), hasta nvarchar(20))");
        cn.Execute("insert into dbo." + std::string(kTablaOrigen) + " (" + kColumnasOrigen + ") values (" +
                   valores + ")");
    } catch (...) {
        cn.Execute("USE " + EntreCorchetes(base));
        throw;
    }
    cn.Execute("USE " + EntreCorchetes(base));
}

long long DialectoSqlServer::CuentaTemporal(db::Sesion& cn, const std::string& tabla) {
    return Entero(cn.Execute(sqlserver::CuentaTemporal(tabla)), "filas");
}

std::string DialectoSqlServer::Servidor(db::Sesion& cn) {
    return Texto(
        cn.Execute("select coalesce(@@servername, cast(serverproperty('ServerName') as nvarchar(400)))"));
}

std::string DialectoSqlServer::Base(db::Sesion& cn) {
    return Texto(cn.Execute("select db_name()"));
}

void DialectoSqlServer::BorraTemporal(db::Sesion& cn) {
    cn.Execute(sqlserver::kBorraTemporal);
}

long long DialectoSqlServer::Comienza(db::Sesion& cn, const std::string& tabla) {
    cn.Execute(sqlserver::kAbortaEnError);
    cn.Execute(sqlserver::kComienza);
    return Entero(cn.Execute(sqlserver::Bloquea(tabla)), "filas");
}

// Un índice cuya primera columna es la de la fecha: por él se llega al rango sin recorrer la tabla.
bool DialectoSqlServer::FechaConIndice(db::Sesion& cn, const TablaDatos& t, const Rango&) {
    return Entero(
               cn.Execute("select count(*) as indices from sys.index_columns as ic join sys.columns as c on "
                          "c.object_id = ic.object_id and c.column_id = ic.column_id where ic.object_id = "
                          "object_id('dbo." +
                          t.Tabla + "') and ic.key_ordinal = 1 and c.name = '" + t.Columna + "'"),
               "indices") > 0;
}

// TRUNCATE de una tabla referenciada se rechaza, y vaciarla con DELETE borraría en cascada.
bool DialectoSqlServer::EsReferenciada(db::Sesion& cn, const std::string& tabla) {
    return Entero(cn.Execute("select count(*) as llaves from sys.foreign_keys where referenced_object_id = "
                             "object_id('dbo." +
                             tabla + "')"),
                  "llaves") > 0;
}

bool DialectoSqlServer::CopiaAdmiteIdentidad(const std::string& tabla, bool identidad) const {
    if (tabla == "transacciones") {
        return identidad;
    }
    return tabla == "checadas" || !identidad;
}

std::optional<Identidad> DialectoSqlServer::LeeIdentidad(db::Sesion& cn, const std::string& tabla) {
    const auto r = cn.Execute(sqlserver::LeeIdentidad(tabla));
    const auto actual = EnteroOpcional(r, "actual");
    if (!actual) {
        return std::nullopt; // la tabla no tiene columna de identidad
    }
    return Identidad{*actual, Entero(r, "incremento")};
}

std::string DialectoSqlServer::Copia(const TablaDatos& t, const Rango& r) const {
    return sqlserver::Copia(t, r);
}

std::string DialectoSqlServer::Borra(const TablaDatos& t, const Rango& r) const {
    return "delete from " + t.Tabla + CondicionEliminar(t, r);
}

std::string DialectoSqlServer::Vacia(const std::string& tabla) const {
    return sqlserver::Vacia(tabla);
}

void DialectoSqlServer::Resiembra(db::Sesion& cn, const std::string& tabla, const Identidad& id) {
    cn.Execute(sqlserver::Resiembra(tabla, sqlserver::SiembraTrasVaciar(id)));
}

// Con filas en la tabla, RESEED n hace que la siguiente sea n + incremento.
void DialectoSqlServer::RevisaIdentidad(db::Sesion& cn, const std::string& tabla, const Identidad& anterior) {
    const auto actual = LeeIdentidad(cn, tabla);
    if (actual && sqlserver::Retrocedio(actual->Actual, anterior)) {
        cn.Execute(sqlserver::Resiembra(tabla, anterior.Actual));
    }
}

std::string DialectoSqlServer::BorraCopia(const std::string& tabla) const {
    return sqlserver::BorraTablaTemporal(tabla);
}

// Un servidor puede terminar la transacción por su cuenta al fallar una sentencia: entonces no hay
// nada que confirmar y lo hecho ya se deshizo.
void DialectoSqlServer::Confirma(db::Sesion& cn) {
    if (Entero(cn.Execute(sqlserver::kTransaccionesAbiertas), "abiertas") == 0) {
        throw ErrorPropio("El servidor terminó la transacción por su cuenta; la tabla quedó como estaba.");
    }
    cn.Execute(sqlserver::kConfirma);
}

void DialectoSqlServer::Deshaz(db::Sesion& cn) noexcept {
    try {
        cn.Execute(sqlserver::kDeshaz);
    } catch (...) {
        // Si la conexión se perdió, el servidor deshace la transacción al cerrar la sesión.
    }
}

// La comparación de la base puede no distinguir mayúsculas: el nombre se compara aquí, tal como se guarda.
bool DialectoSqlServer::HayTransacciones(db::Sesion& cn) {
    const auto r = cn.Execute("select name from sys.tables where name = 'Transacciones'");
    return r.Registros && std::any_of(r.Registros->Filas.begin(), r.Registros->Filas.end(),
                                      [](const auto& f) { return f[0] == "Transacciones"; });
}

std::string DialectoSqlServer::ConsultaColumnas(const std::string& tabla) const {
    return "SELECT top 0 * FROM " + tabla;
}

// checadas con identidad: el lote lleva su lista de columnas, así que con IDENTITY_INSERT encendido
// alrededor las filas conservan sus valores.
SentenciaTarea DialectoSqlServer::Sentencia(db::Sesion& cn, const std::string& clave,
                                            const std::string& columnas, const std::string& base) {
    SentenciaTarea s{{sqlserver::SentenciaDeClave(clave, columnas, base)}};
    if (clave == "CHECADAS" && TieneIdentidad(cn, "checadas")) {
        s.Partes = {sqlserver::IdentidadInsert("checadas", true), s.Partes[0],
                    sqlserver::IdentidadInsert("checadas", false)};
    }
    return s;
}

bool DialectoSqlServer::TieneIdentidad(db::Sesion& cn, const std::string& tabla) {
    return LeeIdentidad(cn, tabla).has_value();
}

// La cuenta de la reinserción es la última que informa filas (los SET y ALTER no informan).
long long DialectoSqlServer::Ejecuta(db::Sesion& cn, const SentenciaTarea& s) {
    long long cuenta = -1;
    for (const auto& parte : s.Partes) {
        const long long n = cn.Execute(parte).UltimaCuenta();
        cuenta = n >= 0 ? n : cuenta;
    }
    return cuenta;
}

std::vector<Disparador> DialectoSqlServer::LeeDisparadores(db::Sesion& cn, const std::string& tabla) {
    std::vector<Disparador> lista;
    const auto r = cn.Execute(sqlserver::LeeDisparadores(tabla));
    if (r.Registros) {
        for (const auto& fila : r.Registros->Filas) {
            lista.push_back({fila[0].value_or(""), fila[1].value_or("0") == "0", {}});
        }
    }
    return lista;
}

// Dentro de la transacción: si algo falla, deshacerla devuelve cada disparador a su estado.
void DialectoSqlServer::ApagaDisparadores(db::Sesion& cn, const std::string& tabla,
                                          const std::vector<Disparador>& antes) {
    for (const auto& d : antes) {
        if (d.Habilitado) {
            cn.Execute(sqlserver::CambiaDisparador(tabla, d.Nombre, false));
        }
    }
}

// El lote de kardex termina habilitándolos todos; aquí cada uno vuelve al estado leído al comenzar.
void DialectoSqlServer::DejaDisparadores(db::Sesion& cn, const std::string& tabla,
                                         const std::vector<Disparador>& antes) {
    const auto ahora = LeeDisparadores(cn, tabla);
    for (const auto& d : antes) {
        const auto a = std::find_if(ahora.begin(), ahora.end(),
                                    [&d](const Disparador& x) { return x.Nombre == d.Nombre; });
        if (a != ahora.end() && a->Habilitado != d.Habilitado) {
            cn.Execute(sqlserver::CambiaDisparador(tabla, d.Nombre, d.Habilitado));
        }
    }
}

long long DialectoSqlServer::CuentaFilas(db::Sesion& cn, const std::string& tabla) {
    return Entero(cn.Execute(sqlserver::CuentaFilas(tabla)), "filas");
}

long long DialectoSqlServer::CuentaEliminables(db::Sesion& cn, const TablaDatos& t, const Rango& r) {
    return Entero(cn.Execute("select count_big(*) as filas from " + t.Tabla + CondicionEliminar(t, r)),
                  "filas");
}

long long DialectoSqlServer::CuentaConservadasHasta(db::Sesion& cn, const TablaDatos& t, const Rango& r,
                                                    long long tope) {
    return Entero(cn.Execute("select count_big(*) as filas from (select top (" + std::to_string(tope) +
                             ") 1 as x from " + t.Tabla + CondicionConservar(t, r) + ") as k"),
                  "filas");
}

long long DialectoSqlServer::CuentaConservadas(db::Sesion& cn, const TablaDatos& t, const Rango& r) {
    return Entero(cn.Execute("select count_big(*) as filas from " + t.Tabla + CondicionConservar(t, r)),
                  "filas");
}

// Los disparadores ya están apagados (ReponeCopia); con identidad, los valores se conservan.
SentenciaTarea DialectoSqlServer::Faltantes(db::Sesion& cn, const std::string& fuente,
                                            const std::string& tabla, const std::string& columnas) {
    const std::string inserta =
        "insert into dbo." + tabla + " (" + columnas + ") " + DiferenciaCopia(fuente, tabla, columnas);
    if (!TieneIdentidad(cn, tabla)) {
        return SentenciaTarea{{inserta}};
    }
    return SentenciaTarea{{sqlserver::IdentidadInsert(tabla, true) + "\r\n" + inserta + "\r\n" +
                           sqlserver::IdentidadInsert(tabla, false)}};
}

long long DialectoSqlServer::CuentaFaltantes(db::Sesion& cn, const std::string& fuente,
                                             const std::string& tabla, const std::string& columnas) {
    return Entero(cn.Execute("select count_big(*) as filas from (" +
                             DiferenciaCopia(fuente, tabla, columnas) + ") as f"),
                  "filas");
}

} // namespace ov
