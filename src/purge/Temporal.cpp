#include "purge/Temporal.h"

#include "db/CadenaConexion.h"
#include "log/Fechas.h"
#include "log/Rutas.h"
#include "purge/CandadoCorrida.h"
#include "purge/DialectoSQLite.h"
#include "purge/ListaColumnas.h"

#include <algorithm>

namespace ov {

using db::Minusculas;

namespace {

constexpr std::int32_t kSqliteNoEsBase = 26; // SQLITE_NOTADB

// La fecha menor y la mayor de la copia, para que el operador sepa de qué rango son sus filas.
void LeeFechas(db::Conexion& cn, DialectoDepuracion& dialecto, const TablaDatos& t, TablaEnTemporal& copia) {
    const auto r = cn.Execute("select min(" + t.Columna + ") as desde, max(" + t.Columna +
                              ") as hasta from " + dialecto.NombreTemporal(copia.Nombre));
    if (r.Registros && !r.Registros->Filas.empty()) {
        copia.Desde = r.Registros->Filas[0][0].value_or("").substr(0, 10);
        copia.Hasta = r.Registros->Filas[0][1].value_or("").substr(0, 10);
    }
}

} // namespace

bool EsTemporalIlegible(const db::ErrorBD& e) {
    return e.Fuente.find("SQLite") != std::string::npos &&
           ((e.Numero & 0xff) == kSqliteNoEsBase ||
            e.Descripcion.find("not a database") != std::string::npos);
}

std::string TextoTemporalIlegible(const std::string& lugar, const std::string& conexion) {
    return "El archivo orvalo_temp.db de " + lugar +
           " no es una base de datos (está dañado o no lo escribió ovNalvora): no se sabe si guarda filas "
           "de una depuración anterior, y mientras esté ahí no se depura ninguna base de esa carpeta. Si "
           "cree que guarda filas, haga una copia del archivo; después bórrelo con --descartar-temporal "
           "--conexion \"" +
           conexion + "\". No se cambió nada.";
}

std::optional<std::string> RevisaQueNoSeaLaTemporal(db::Conexion& cn, const std::string& conexion) {
    const bool sqlite = cn.dialecto() == db::Dialecto::SQLite;
    auto dialecto = DialectoPara(cn);
    const std::string base = dialecto->Base(cn);
    const bool porNombre = Minusculas(base) == (sqlite ? "orvalo_temp.db" : "orvalo_temp");
    // Un enlace o un nombre corto de Windows también llevan al archivo: se compara el archivo mismo.
    std::error_code error;
    const bool mismoArchivo = sqlite && !porNombre &&
                              std::filesystem::equivalent(DialectoSQLite::ArchivoBase(cn),
                                                          DialectoSQLite::ArchivoTemporal(cn), error);
    if (!porNombre && !mismoArchivo) {
        return std::nullopt;
    }
    return "La base de la conexión " + conexion + " es " +
           (sqlite ? "el archivo " + base + " de " + dialecto->Servidor(cn) +
                         (mismoArchivo ? ", que es el mismo archivo que orvalo_temp.db" : "")
                   : "la base " + base + " del servidor " + dialecto->Servidor(cn)) +
           ", el nombre que ovNalvora reserva para su base temporal, que crea, revisa y borra en cada "
           "depuración. Esa base no se depura, no se repone ni se descarta: cambie su nombre (y la "
           "conexión en Orvalo) para depurarla.";
}

std::optional<std::string> OtraConexionEsLaTemporal(ModNalvora& modulo, db::Conexion& cn) {
    const bool sqlite = cn.dialecto() == db::Dialecto::SQLite;
    const auto temporal = sqlite ? DialectoSQLite::ArchivoTemporal(cn) : std::filesystem::path{};
    std::vector<std::string> drivers;
    try {
        drivers = db::DriversInstalados();
    } catch (...) {
        // Sin la lista se traduce con ninguno: las cadenas ODBC del almacén pasan igual.
    }
    for (const auto& entrada : Conexiones(modulo.registro())) {
        std::string base;
        try {
            base = db::ValorDeClave(db::TraduceCadena(entrada.Conn, drivers).Texto, "Database");
        } catch (...) {
            continue; // una cadena mal formada no abre ninguna base
        }
        std::error_code error;
        const bool esLaTemporal =
            sqlite ? !base.empty() && std::filesystem::equivalent(RutaDeUtf8(base), temporal, error)
                   : Minusculas(base) == "orvalo_temp";
        if (esLaTemporal) {
            return "La base de la conexión " + entrada.Name +
                   " es la que ovNalvora usaría como temporal; no se borra. Cambie su nombre (y la conexión "
                   "en Orvalo) antes de descartar. No se cambió nada.";
        }
    }
    return std::nullopt;
}

EstadoTemporal LeeTemporal(db::Conexion& cn, DialectoDepuracion& dialecto) {
    EstadoTemporal e;
    e.Lugar = dialecto.Servidor(cn);
    std::optional<std::vector<std::string>> tablas;
    try {
        tablas = dialecto.TablasConFilas(cn);
    } catch (const db::ErrorBD& err) {
        if (!EsTemporalIlegible(err)) {
            throw;
        }
        e.Existe = e.NoEsBase = true;
        return e;
    }
    if (!tablas) {
        return e;
    }
    e.Existe = true;
    e.origen = dialecto.LeeOrigen(cn);
    dialecto.UneTemporal(cn);
    const auto vivas = cn.Tablas();
    for (const auto& nombre : *tablas) {
        TablaEnTemporal t{nombre, dialecto.CuentaTemporal(cn, nombre), std::nullopt, {}, {}};
        const bool existe = std::any_of(vivas.begin(), vivas.end(), [&nombre](const std::string& v) {
            return Minusculas(v) == Minusculas(nombre);
        });
        if (const auto datos = TablaDeNombre(Minusculas(nombre))) {
            LeeFechas(cn, dialecto, *datos, t);
            if (existe) {
                t.FilasVivas = dialecto.CuentaFilas(cn, Minusculas(nombre));
            }
        }
        e.Tablas.push_back(t);
    }
    return e;
}

std::optional<bool> EsLaBaseDeOrigen(db::Conexion& cn, DialectoDepuracion& dialecto,
                                     const EstadoTemporal& e) {
    if (!e.origen) {
        return std::nullopt;
    }
    return Minusculas(e.origen->Base) == Minusculas(dialecto.Base(cn)) &&
           Minusculas(e.origen->Servidor) == Minusculas(dialecto.Servidor(cn));
}

std::string DescribeTablas(const EstadoTemporal& e) {
    std::string texto;
    for (const auto& t : e.Tablas) {
        texto +=
            (texto.empty() ? "" : "; ") + t.Nombre + ": " + std::to_string(t.Filas) + " filas" +
            (t.Desde.empty() ? std::string() : " del " + t.Desde + " al " + t.Hasta) +
            (t.FilasVivas ? " (la tabla viva tiene " + std::to_string(*t.FilasVivas) + ")" : std::string());
    }
    return texto;
}

namespace {

// Borra orvalo_temp si ya no guarda filas de nadie.
void BorraSiVacia(db::Conexion& cn, DialectoDepuracion& dialecto, ResultadoReposicion& res) {
    const auto quedan = dialecto.TablasConFilas(cn);
    if (quedan && quedan->empty()) {
        dialecto.BorraTemporal(cn);
        res.Lineas.push_back("La base temporal orvalo_temp ya no guardaba filas y se borró.");
    } else if (quedan) {
        res.Bien = false;
    }
}

using TrabajoTemporal =
    std::function<void(ModNalvora&, DialectoDepuracion&, const EstadoTemporal&, ResultadoReposicion&)>;

// Lo común de leer, reponer y descartar: abrir, revisar que la base no sea la propia orvalo_temp, tomar
// el candado de corrida, leer orvalo_temp y, si existe, hacer el trabajo.
ResultadoReposicion ConTemporal(ModNalvora& modulo, const std::string& conexion, const std::string& queHace,
                                const TrabajoTemporal& trabajo) {
    ResultadoReposicion res;
    auto falla = [&res](const std::string& texto) {
        res.Bien = false;
        res.Lineas.push_back(texto);
    };
    CandadoCorrida candado;
    try {
        if (modulo.AbreConexion(conexion) != 0) {
            falla("No se pudo abrir la conexión " + conexion + ". " + modulo.UltimoError());
        } else if (auto propia = RevisaQueNoSeaLaTemporal(modulo.cnBD(), conexion)) {
            falla(*propia + " No se cambió nada.");
        } else {
            auto dialecto = DialectoPara(modulo.cnBD());
            if (auto ocupado = candado.Toma(modulo, *dialecto, conexion,
                                            "conexión " + conexion + ", equipo " + NombreEquipo())) {
                falla(*ocupado);
            } else if (!modulo.cnBD().Abierta()) {
                falla("No se pudo abrir la conexión " + conexion + ". " + modulo.UltimoError());
            } else {
                const EstadoTemporal e = LeeTemporal(modulo.cnBD(), *dialecto);
                if (!e.Existe) {
                    res.Lineas.push_back("No hay base temporal orvalo_temp en " + e.Lugar + ".");
                }
                trabajo(modulo, *dialecto, e, res);
            }
        }
        if (modulo.cnBD().Abierta()) {
            modulo.cnBD().Close();
        }
    } catch (const db::ErrorBD& err) {
        falla("Error al " + queHace + ": " + err.Fuente + " " + err.Descripcion);
    }
    return res;
}

ResultadoReposicion Registrado(ResultadoReposicion res,
                               const std::function<void(const std::string&)>& registra) {
    for (const auto& l : res.Lineas) {
        registra(l);
    }
    return res;
}

// Una tabla de la copia vuelve a su tabla viva; la línea dice cómo le fue.
void ReponeTabla(ModNalvora& modulo, DialectoDepuracion& dialecto, const std::string& conexion,
                 const TablaEnTemporal& t, ResultadoReposicion& res) {
    const std::string tabla = Minusculas(t.Nombre);
    if (!TablaDeNombre(tabla) || !t.FilasVivas) {
        res.Bien = false;
        res.Lineas.push_back(t.Nombre + ": no es una tabla de la base; se deja en orvalo_temp.");
        return;
    }
    try {
        const std::string columnas =
            ListaColumnas(modulo, dialecto, dialecto.NombreParaColumnas(tabla), conexion);
        if (!modulo.cnBD().Abierta()) {
            throw ErrorPropio("La conexión dejó de abrir. " + modulo.UltimoError());
        }
        dialecto.UneTemporal(modulo.cnBD());
        const long long puestas = dialecto.ReponeCopia(modulo.cnBD(), tabla, columnas);
        res.Lineas.push_back(puestas == 0
                                 ? tabla + ": la tabla ya tenía todas las " + std::to_string(t.Filas) +
                                       " filas de la copia; la copia sobraba y se borró."
                                 : tabla + ": " + std::to_string(puestas) + " filas repuestas de " +
                                       std::to_string(t.Filas) + "; la copia se borró.");
    } catch (const db::ErrorBD& err) {
        res.Bien = false;
        res.Lineas.push_back(tabla + ": no se pudo reponer (" + err.Fuente + " " + err.Descripcion +
                             "); la tabla quedó como estaba y la copia sigue en orvalo_temp.");
    }
}

// Por qué las filas de e no van a la base de la conexión; nullopt si van.
std::optional<std::string> NoVanAEsaBase(db::Conexion& cn, DialectoDepuracion& dialecto,
                                         const EstadoTemporal& e, const std::string& conexion,
                                         bool baseConfirmada) {
    if (e.NoEsBase) {
        return TextoTemporalIlegible(e.Lugar, conexion);
    }
    const auto esOrigen = EsLaBaseDeOrigen(cn, dialecto, e);
    if (esOrigen == false) {
        return "La base temporal orvalo_temp es " + DescribeOrigen(e.origen) +
               ", no de la base de la conexión " + conexion + ". Use --conexion \"" + e.origen->Conexion +
               "\"; no se cambió nada.";
    }
    if (!esOrigen && !baseConfirmada) {
        return "La base temporal orvalo_temp de " + e.Lugar + " es " + DescribeOrigen(e.origen) +
               ": no se sabe a qué base pertenecen sus filas (" + DescribeTablas(e) +
               ") y no se ponen en una base que no se eligió a sabiendas. Si sabe que son de la base de la "
               "conexión " +
               conexion + ", confírmelo con --reponer --conexion \"" + conexion + "\" --origen \"" +
               conexion +
               "\"; si no, descártelas con --descartar-temporal. No se cambió "
               "nada.";
    }
    return std::nullopt;
}

} // namespace

std::variant<EstadoTemporal, std::string> LeeSobrante(ModNalvora& modulo, const std::string& conexion) {
    std::optional<EstadoTemporal> leido;
    const auto res = ConTemporal(modulo, conexion, "leer orvalo_temp",
                                 [&leido](ModNalvora&, DialectoDepuracion&, const EstadoTemporal& e,
                                          ResultadoReposicion&) { leido = e; });
    if (!leido) {
        return res.Lineas.empty() ? std::string("No se pudo leer orvalo_temp.") : res.Lineas.back();
    }
    return *leido;
}

ResultadoReposicion ReponeTemporal(ModNalvora& modulo, const std::string& conexion,
                                   const std::function<void(const std::string&)>& registra,
                                   bool baseConfirmada) {
    return Registrado(
        ConTemporal(modulo, conexion, "reponer",
                    [&](ModNalvora& m, DialectoDepuracion& dialecto, const EstadoTemporal& e,
                        ResultadoReposicion& res) {
                        if (!e.Existe) {
                            return;
                        }
                        if (auto rechazo = NoVanAEsaBase(m.cnBD(), dialecto, e, conexion, baseConfirmada)) {
                            res.Bien = false;
                            res.Lineas.push_back(*rechazo);
                            return;
                        }
                        registra("Inicia la reposición de orvalo_temp en la conexión " + conexion + ": " +
                                 DescribeTablas(e) + ".");
                        for (const auto& t : e.Tablas) {
                            ReponeTabla(m, dialecto, conexion, t, res);
                        }
                        BorraSiVacia(m.cnBD(), dialecto, res);
                    }),
        registra);
}

ResultadoReposicion DescartaTemporal(ModNalvora& modulo, const std::string& conexion,
                                     const std::function<void(const std::string&)>& registra) {
    return Registrado(
        ConTemporal(modulo, conexion, "descartar orvalo_temp",
                    [](ModNalvora& m, DialectoDepuracion& dialecto, const EstadoTemporal& e,
                       ResultadoReposicion& res) {
                        if (!e.Existe) {
                            return;
                        }
                        if (auto otra = OtraConexionEsLaTemporal(m, m.cnBD())) {
                            res.Bien = false;
                            res.Lineas.push_back(*otra);
                            return;
                        }
                        dialecto.BorraTemporal(m.cnBD());
                        res.Lineas.push_back(
                            e.NoEsBase ? "Se borró el archivo orvalo_temp.db de " + e.Lugar +
                                             ", que no era una base de datos."
                                       : "Se descartó la base temporal orvalo_temp de " + e.Lugar + ", " +
                                             DescribeOrigen(e.origen) +
                                             (e.Tablas.empty() ? "" : ", con " + DescribeTablas(e)) + ".");
                    }),
        registra);
}

} // namespace ov
