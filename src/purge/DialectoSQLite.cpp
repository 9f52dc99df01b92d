#include "purge/DialectoSQLite.h"

#include "connections/modNalvora.h"

#include "log/Rutas.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace ov {

namespace fs = std::filesystem;

namespace {

std::string Literal(const std::string& texto) {
    return Delimita(texto, '\'', '\'');
}

std::string Identificador(const std::string& nombre) {
    return Delimita(nombre, '"', '"');
}

long long Entero(const db::Resultado& r) {
    if (!r.Registros || r.Registros->Filas.empty() || !r.Registros->Filas[0][0]) {
        throw ErrorPropio("La consulta no devolvió un número.");
    }
    const std::string& texto = *r.Registros->Filas[0][0];
    try {
        size_t usados = 0;
        const long long n = std::stoll(texto, &usados);
        if (usados == texto.size()) {
            return n;
        }
    } catch (const std::logic_error&) {
        // Se informa abajo, con el texto que llegó.
    }
    throw ErrorPropio("Se esperaba un número y la base devolvió \"" + texto + "\".");
}

// Cuántos índices de la tabla no empiezan por esa columna (todos, si va vacía). Un índice de expresiones
// no da nombre a su primera columna: cuenta como en desorden.
long long IndicesEnDesorden(db::Sesion& cn, const std::string& tabla, const std::string& columna) {
    return Entero(
        cn.Execute("SELECT count(*) FROM pragma_index_list(" + Literal(tabla) +
                   ", 'main') AS l WHERE (SELECT lower(name) FROM pragma_index_info(l.name, 'main') "
                   "WHERE seqno = 0) IS NOT lower(" +
                   Literal(columna) + ")"));
}

bool EstaUnida(db::Sesion& cn) {
    const auto r = cn.Execute("PRAGMA database_list");
    if (r.Registros) {
        const int nombre = r.Registros->Indice("name");
        for (const auto& fila : r.Registros->Filas) {
            if (nombre >= 0 && fila[static_cast<size_t>(nombre)] == "orvalo_temp") {
                return true;
            }
        }
    }
    return false;
}

void Separa(db::Sesion& cn) {
    if (EstaUnida(cn)) {
        cn.Execute("DETACH DATABASE orvalo_temp");
    }
}

bool ExisteTabla(db::Sesion& cn, const std::string& esquema, const std::string& tabla) {
    return Entero(cn.Execute("SELECT count(*) FROM " + esquema + ".sqlite_master WHERE type = 'table' AND " +
                             "lower(name) = lower(" + Literal(tabla) + ")")) > 0;
}

// Las columnas numeradas entre repeticiones: dos filas iguales son dos filas distintas.
std::string Numeradas(const std::string& columnas, const std::string& tabla) {
    return "SELECT " + columnas + ", row_number() OVER (PARTITION BY " + columnas + ") FROM " + tabla;
}

std::string DiferenciaCopia(const std::string& fuente, const std::string& tabla,
                            const std::string& columnas) {
    return "SELECT " + columnas + " FROM (" + Numeradas(columnas, fuente) + " EXCEPT " +
           Numeradas(columnas, tabla) + ")";
}

} // namespace

std::string SinEscapesDeFecha(std::string sql) {
    for (const char* escape : {"{ d '", "{ d'"}) {
        for (size_t p = sql.find(escape); p != std::string::npos; p = sql.find(escape, p)) {
            sql.erase(p, std::string(escape).size() - 1);
            sql.erase(sql.find("'}", p + 1) + 1, 1);
        }
    }
    return sql;
}

fs::path DialectoSQLite::ArchivoBase(db::Sesion& cn) {
    const auto r = cn.Execute("PRAGMA database_list");
    if (r.Registros) {
        const int nombre = r.Registros->Indice("name");
        const int archivo = r.Registros->Indice("file");
        for (const auto& fila : r.Registros->Filas) {
            if (nombre >= 0 && archivo >= 0 && fila[static_cast<size_t>(nombre)] == "main" &&
                fila[static_cast<size_t>(archivo)] && !fila[static_cast<size_t>(archivo)]->empty()) {
                return RutaDeUtf8(*fila[static_cast<size_t>(archivo)]);
            }
        }
    }
    throw ErrorPropio("No se pudo saber en qué carpeta está la base de datos.");
}

fs::path DialectoSQLite::ArchivoTemporal(db::Sesion& cn) {
    // Con el separador que trae la ruta de la base: "/" / "x" daría una barra invertida en Windows.
    return ArchivoBase(cn).replace_filename("orvalo_temp.db");
}

std::string DialectoSQLite::Servidor(db::Sesion& cn) {
    return Utf8DeRuta(ArchivoBase(cn).parent_path());
}

std::string DialectoSQLite::Base(db::Sesion& cn) {
    return Utf8DeRuta(ArchivoBase(cn).filename());
}

std::optional<std::vector<std::string>> DialectoSQLite::TablasTemporal(db::Sesion& cn) {
    const fs::path archivo = ArchivoTemporal(cn);
    if (!fs::exists(archivo)) {
        return std::nullopt;
    }
    const bool unida = EstaUnida(cn);
    if (!unida) {
        UneTemporal(cn);
    }
    std::vector<std::string> tablas;
    const auto r =
        cn.Execute("SELECT name FROM orvalo_temp.sqlite_master WHERE type = 'table' ORDER BY name");
    if (r.Registros) {
        for (const auto& fila : r.Registros->Filas) {
            tablas.push_back(fila[0].value_or(""));
        }
    }
    if (!unida) {
        Separa(cn);
    }
    return tablas;
}

void DialectoSQLite::CreaVacia(db::Sesion& cn) {
    UneTemporal(cn);
}

// Una sola sentencia crea la tabla con su fila: una escritura del archivo en lugar de dos.
void DialectoSQLite::EscribeOrigen(db::Sesion& cn, const Origen& origen) {
    UneTemporal(cn);
    const auto campos = CamposOrigen(origen);
    std::string columnas = kColumnasOrigen;
    std::string seleccion;
    for (size_t i = 0; i < campos.size(); ++i) {
        const size_t fin = columnas.find(',');
        seleccion +=
            (i == 0 ? "" : ", ") + Literal(campos[i]) + " AS " + SinBlancosALosLados(columnas.substr(0, fin));
        columnas = fin == std::string::npos ? "" : columnas.substr(fin + 1);
    }
    cn.Execute("CREATE TABLE orvalo_temp." + std::string(kTablaOrigen) + " AS SELECT " + seleccion);
}

long long DialectoSQLite::CuentaTemporal(db::Sesion& cn, const std::string& tabla) {
    return Entero(cn.Execute("SELECT count(*) FROM orvalo_temp." + tabla));
}

void DialectoSQLite::BorraTemporal(db::Sesion& cn) {
    Separa(cn);
    const fs::path archivo = ArchivoTemporal(cn);
    std::error_code ec;
    fs::remove(archivo, ec);
    if (ec) {
        throw ErrorPropio("No se pudo borrar " + Utf8DeRuta(archivo) + ": " + ec.message());
    }
}

void DialectoSQLite::UneTemporal(db::Sesion& cn) {
    if (!EstaUnida(cn)) {
        cn.Execute("ATTACH DATABASE " + Literal(Utf8DeRuta(ArchivoTemporal(cn))) + " AS orvalo_temp");
    }
}

// EXCLUSIVE toma el candado de escritura de la base entera antes de copiar y lo tiene hasta confirmar.
// orvalo_temp, si la tarea copia, ya está unida: ATTACH no se puede dentro de una transacción.
long long DialectoSQLite::Comienza(db::Sesion& cn, const std::string& tabla) {
    cn.Execute("BEGIN EXCLUSIVE");
    return CuentaFilas(cn, tabla);
}

// La caché de omisión (2 MB) obliga a releer las páginas de un índice que no va en el orden de la fecha,
// como (empleado, fechayhora), en cada fila que sale o vuelve; con 16 MB cabe el de un millón de checadas
// y borrar el 17 % pasa de 1.4 a 0.5 s. Si todos van por la fecha, sus páginas y las de la tabla se
// recorren en orden y basta la de omisión: agrandarla solo estrena memoria (0.04 s de más en ese millón).
void DialectoSQLite::PreparaEscritura(db::Sesion& cn, const std::string& tabla, const std::string& columna) {
    if (IndicesEnDesorden(cn, tabla, columna) > 0) {
        cn.Execute("PRAGMA cache_size = -16384");
    }
}

// El plan de SQLite dice SEARCH cuando la condición de la fecha entra por un índice, SCAN cuando
// recorre la tabla o un índice entero.
bool DialectoSQLite::FechaConIndice(db::Sesion& cn, const TablaDatos& t, const Rango& r) {
    const auto plan =
        cn.Execute("EXPLAIN QUERY PLAN SELECT count(*) FROM " + t.Tabla + CondicionEliminar(t, r));
    const int detalle = plan.Registros ? plan.Registros->Indice("detail") : -1;
    if (detalle < 0) {
        return false;
    }
    return std::any_of(plan.Registros->Filas.begin(), plan.Registros->Filas.end(), [detalle](const auto& f) {
        return f[static_cast<size_t>(detalle)].value_or("").rfind("SEARCH", 0) == 0;
    });
}

// Una muestra de 512 filas repartidas por el rowid, cada una hallada por él: unas milésimas aun sin
// índice de la fecha. Los huecos que dejó otra depuración caen en una misma fila, que cuenta una vez.
long long DialectoSQLite::EstimaSalen(db::Sesion& cn, const TablaDatos& t, const Rango& r, long long antes) {
    try {
        const auto extremos = cn.Execute("SELECT (SELECT min(rowid) FROM " + t.Tabla +
                                         "), (SELECT max(rowid) FROM " + t.Tabla + ")");
        const auto& f = extremos.Registros.value().Filas.at(0);
        if (!f.at(0) || !f.at(1)) {
            return 0;
        }
        const std::string menor = *f[0], paso = "(" + *f[1] + " - " + *f[0] + ") / 511.0";
        const auto r2 = cn.Execute(
            "WITH RECURSIVE p(k) AS (SELECT 0 UNION ALL SELECT k + 1 FROM p WHERE k < 511), m(id) AS (SELECT "
            "DISTINCT (SELECT rowid FROM " +
            t.Tabla + " WHERE rowid >= " + menor + " + k * " + paso +
            " ORDER BY rowid LIMIT 1) FROM p) SELECT count(*), (SELECT count(*) FROM " + t.Tabla +
            CondicionEliminar(t, r) + " AND rowid IN (SELECT id FROM m)) FROM m");
        const auto& g = r2.Registros.value().Filas.at(0);
        const double vistas = std::stod(g.at(0).value_or("0")), salen = std::stod(g.at(1).value_or("0"));
        return vistas > 0 ? std::llround(static_cast<double>(antes) * salen / vistas) : 0;
    } catch (const std::exception&) {
        return -1; // una tabla sin rowid: se cuenta
    }
}

bool DialectoSQLite::EsReferenciada(db::Sesion& cn, const std::string& tabla) {
    return Entero(cn.Execute("SELECT count(*) FROM sqlite_master AS m, pragma_foreign_key_list(m.name) AS f "
                             "WHERE m.type = 'table' AND lower(f.\"table\") = lower(" +
                             Literal(tabla) + ")")) > 0;
}

// DELETE no toca sqlite_sequence: el contador de una tabla AUTOINCREMENT nunca retrocede por vaciarla.
std::optional<Identidad> DialectoSQLite::LeeIdentidad(db::Sesion& cn, const std::string& tabla) {
    if (!ExisteTabla(cn, "main", "sqlite_sequence")) {
        return std::nullopt;
    }
    const auto r = cn.Execute("SELECT seq FROM sqlite_sequence WHERE lower(name) = " + Literal(tabla));
    if (!r.Registros || r.Registros->Filas.empty() || !r.Registros->Filas[0][0]) {
        return std::nullopt;
    }
    return Identidad{Entero(r), 1};
}

std::string DialectoSQLite::Copia(const TablaDatos& t, const Rango& r) const {
    return "CREATE TABLE orvalo_temp." + t.Tabla + " AS SELECT * FROM " + t.Tabla + CondicionConservar(t, r);
}

std::string DialectoSQLite::Borra(const TablaDatos& t, const Rango& r) const {
    return "DELETE FROM " + t.Tabla + CondicionEliminar(t, r);
}

std::string DialectoSQLite::Vacia(const std::string& tabla) const {
    return "DELETE FROM " + tabla;
}

void DialectoSQLite::RevisaIdentidad(db::Sesion& cn, const std::string& tabla, const Identidad& anterior) {
    const auto actual = LeeIdentidad(cn, tabla);
    if (!actual) {
        cn.Execute("INSERT INTO sqlite_sequence (name, seq) SELECT name, " + std::to_string(anterior.Actual) +
                   " FROM sqlite_master WHERE type = 'table' AND lower(name) = " + Literal(tabla));
    } else if (actual->Actual < anterior.Actual) {
        cn.Execute("UPDATE sqlite_sequence SET seq = " + std::to_string(anterior.Actual) +
                   " WHERE lower(name) = " + Literal(tabla));
    }
}

std::string DialectoSQLite::BorraCopia(const std::string& tabla) const {
    return "DROP TABLE orvalo_temp." + tabla;
}

void DialectoSQLite::Confirma(db::Sesion& cn) {
    cn.Execute("COMMIT");
}

void DialectoSQLite::Deshaz(db::Sesion& cn) noexcept {
    try {
        cn.Execute("ROLLBACK");
    } catch (...) {
        // Sin transacción abierta no hay nada que deshacer; si la conexión se perdió, SQLite deshace
        // lo que quedó a medias la próxima vez que alguien abra la base.
    }
}

std::vector<Disparador> DialectoSQLite::LeeDisparadores(db::Sesion& cn, const std::string& tabla) {
    std::vector<Disparador> lista;
    const auto r = cn.Execute("SELECT name, sql FROM main.sqlite_master WHERE type = 'trigger' AND "
                              "lower(tbl_name) = lower(" +
                              Literal(tabla) + ") ORDER BY name");
    if (r.Registros) {
        for (const auto& fila : r.Registros->Filas) {
            lista.push_back({fila[0].value_or(""), true, fila[1].value_or("")});
        }
    }
    return lista;
}

void DialectoSQLite::ApagaDisparadores(db::Sesion& cn, const std::string&,
                                       const std::vector<Disparador>& antes) {
    for (const auto& d : antes) {
        cn.Execute("DROP TRIGGER " + Identificador(d.Nombre));
    }
}

void DialectoSQLite::DejaDisparadores(db::Sesion& cn, const std::string& tabla,
                                      const std::vector<Disparador>& antes) {
    const auto presentes = LeeDisparadores(cn, tabla);
    for (const auto& d : antes) {
        if (std::find(presentes.begin(), presentes.end(), d) == presentes.end()) {
            cn.Execute(d.Texto);
        }
    }
}

bool DialectoSQLite::HayTransacciones(db::Sesion& cn) {
    return Entero(cn.Execute(
               "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'Transacciones'")) > 0;
}

std::string DialectoSQLite::ConsultaColumnas(const std::string& tabla) const {
    return "SELECT * FROM " + tabla + " LIMIT 0";
}

SentenciaTarea DialectoSQLite::Sentencia(db::Sesion&, const std::string& clave, const std::string& columnas,
                                         const std::string&) {
    SentenciaTarea s;
    if (clave == "TRANSACCIONES" || clave == "CHECADAS") {
        const std::string tabla = clave == "TRANSACCIONES" ? "transacciones" : "checadas";
        s.Partes.push_back("INSERT INTO " + tabla + " (" + columnas + ") SELECT * FROM orvalo_temp." + tabla);
    } else if (clave == "KARDEX") {
        // Sus disparadores ya no están: la depuración los quita antes de vaciar y los repone al final.
        s.Partes.push_back("INSERT INTO kardex SELECT * FROM orvalo_temp.kardex");
    } else if (clave == "BITACORA") {
        s.Partes.push_back("INSERT INTO bitacora SELECT * FROM orvalo_temp.bitacora");
    } else if (clave.rfind("DBREINDEX_", 0) == 0 && TablaDeClave(clave.substr(10))) {
        s.Partes.push_back("REINDEX " + TablaDeClave(clave.substr(10))->Tabla);
    } else if (clave == "SHRINK") {
        s.Partes.push_back("VACUUM");
    } else if (clave == "UPDATEUSAGE") {
        s.Partes.push_back("ANALYZE");
    } else {
        throw ErrorPropio("Clave de tarea desconocida: " + clave);
    }
    return s;
}

long long DialectoSQLite::Ejecuta(db::Sesion& cn, const SentenciaTarea& s) {
    long long cuenta = -1;
    for (const auto& parte : s.Partes) {
        const auto r = cn.Execute(parte);
        if (parte.rfind("INSERT INTO ", 0) == 0) {
            cuenta = r.UltimaCuenta();
        }
    }
    return cuenta;
}

long long DialectoSQLite::CuentaFilas(db::Sesion& cn, const std::string& tabla) {
    return Entero(cn.Execute("SELECT count(*) FROM " + tabla));
}

long long DialectoSQLite::CuentaEliminables(db::Sesion& cn, const TablaDatos& t, const Rango& r) {
    return Entero(cn.Execute("SELECT count(*) FROM " + t.Tabla + CondicionEliminar(t, r)));
}

long long DialectoSQLite::CuentaConservadasHasta(db::Sesion& cn, const TablaDatos& t, const Rango& r,
                                                 long long tope) {
    return Entero(cn.Execute("SELECT count(*) FROM (SELECT 1 FROM " + t.Tabla + CondicionConservar(t, r) +
                             " LIMIT " + std::to_string(tope) + ")"));
}

long long DialectoSQLite::CuentaConservadas(db::Sesion& cn, const TablaDatos& t, const Rango& r) {
    return Entero(cn.Execute("SELECT count(*) FROM " + t.Tabla + CondicionConservar(t, r)));
}

SentenciaTarea DialectoSQLite::Faltantes(db::Sesion&, const std::string& fuente, const std::string& tabla,
                                         const std::string& columnas) {
    return SentenciaTarea{
        {"INSERT INTO " + tabla + " (" + columnas + ") " + DiferenciaCopia(fuente, tabla, columnas)}};
}

long long DialectoSQLite::CuentaFaltantes(db::Sesion& cn, const std::string& fuente, const std::string& tabla,
                                          const std::string& columnas) {
    return Entero(cn.Execute("SELECT count(*) FROM (" + DiferenciaCopia(fuente, tabla, columnas) + ")"));
}

// --- Guion para sqlite3: .bail on hace que la primera falla termine el programa, y SQLite deshace la
// transacción abierta al cerrar; así ninguna tabla queda a medias aunque una sentencia falle.

std::string DialectoSQLite::GuionCreaTemporal(db::Sesion& cn, const Origen& origen) {
    std::string valores;
    for (const auto& v : CamposOrigen(origen)) {
        valores += (valores.empty() ? "" : ", ") + Literal(v);
    }
    return ".bail on\nATTACH DATABASE " + Literal(Utf8DeRuta(ArchivoTemporal(cn))) +
           " AS orvalo_temp;\nCREATE TABLE orvalo_temp." + kTablaOrigen + " (" + kColumnasOrigen +
           ");\nINSERT INTO orvalo_temp." + kTablaOrigen + " VALUES (" + valores + ");";
}

// Los disparadores se quitan antes de tocar la tabla y se vuelven a crear al final, como en la corrida.
std::string DialectoSQLite::GuionDisparadores(db::Sesion& cn, const std::string& tabla, bool quita) {
    std::string g;
    for (const auto& d : LeeDisparadores(cn, tabla)) {
        g += (quita ? "DROP TRIGGER " + Identificador(d.Nombre) : d.Texto) + ";\n";
    }
    return g;
}

std::string DialectoSQLite::GuionDepuracion(db::Sesion& cn, const TablaDatos& t, const Rango& r,
                                            const SentenciaTarea& reposicion) {
    std::string g = "BEGIN EXCLUSIVE;\n" + GuionDisparadores(cn, t.Tabla, true) +
                    SinEscapesDeFecha(Copia(t, r)) + ";\n" + Vacia(t.Tabla) + ";\n";
    for (const auto& parte : reposicion.Partes) {
        g += parte + ";\n";
    }
    g += GuionDisparadores(cn, t.Tabla, false);
    // Sin IF en SQL: una tabla con CHECK hace fallar el guion si la reposición no cuadra.
    g += "CREATE TEMP TABLE IF NOT EXISTS ovnalvora_revision (diferencia INTEGER CHECK (diferencia = 0));\n"
         "INSERT INTO ovnalvora_revision SELECT (SELECT count(*) FROM " +
         t.Tabla + ") - (SELECT count(*) FROM orvalo_temp." + t.Tabla +
         ");\nDELETE FROM ovnalvora_revision;\n" + BorraCopia(t.Tabla) + ";\nCOMMIT;";
    return g;
}

std::string DialectoSQLite::GuionBorrado(db::Sesion& cn, const TablaDatos& t, const Rango& r) {
    return "BEGIN EXCLUSIVE;\nCREATE TEMP TABLE IF NOT EXISTS ovnalvora_revision (diferencia INTEGER CHECK "
           "(diferencia = 0));\nCREATE TEMP TABLE ovnalvora_conservar AS SELECT count(*) AS filas FROM " +
           t.Tabla + SinEscapesDeFecha(CondicionConservar(t, r)) + ";\n" +
           GuionDisparadores(cn, t.Tabla, true) + SinEscapesDeFecha(Borra(t, r)) + ";\n" +
           GuionDisparadores(cn, t.Tabla, false) +
           "INSERT INTO ovnalvora_revision SELECT (SELECT count(*) FROM " + t.Tabla +
           ") - (SELECT filas FROM ovnalvora_conservar);\nDELETE FROM ovnalvora_revision;\nDROP TABLE "
           "ovnalvora_conservar;\nCOMMIT;";
}

std::string DialectoSQLite::GuionBorraTemporal(db::Sesion& cn) {
    return "DROP TABLE orvalo_temp." + std::string(kTablaOrigen) +
           ";\nDETACH DATABASE orvalo_temp;\n-- Queda " + Utf8DeRuta(ArchivoTemporal(cn)) +
           " vacío; se puede borrar.";
}

} // namespace ov
