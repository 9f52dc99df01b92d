#include "purge/Temporal.h"

#include "db/CadenaConexion.h"
#include "log/Fechas.h"
#include "purge/CandadoCorrida.h"
#include "purge/ListaColumnas.h"

#include <algorithm>

namespace ov {

using db::Minusculas;

EstadoTemporal LeeTemporal(db::Conexion& cn, DialectoDepuracion& dialecto) {
    EstadoTemporal e;
    e.Lugar = dialecto.Servidor(cn);
    const auto tablas = dialecto.TablasConFilas(cn);
    if (!tablas) {
        return e;
    }
    e.Existe = true;
    e.origen = dialecto.LeeOrigen(cn);
    dialecto.UneTemporal(cn);
    const auto vivas = cn.Tablas();
    for (const auto& nombre : *tablas) {
        TablaEnTemporal t{nombre, dialecto.CuentaTemporal(cn, nombre), std::nullopt};
        const bool existe = std::any_of(vivas.begin(), vivas.end(), [&nombre](const std::string& v) {
            return Minusculas(v) == Minusculas(nombre);
        });
        if (TablaDeNombre(Minusculas(nombre)) && existe) {
            t.FilasVivas = dialecto.CuentaFilas(cn, Minusculas(nombre));
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

// Lo común de reponer y descartar: abrir, tomar el candado de corrida, leer orvalo_temp y, si existe,
// hacer el trabajo; cada línea del resultado va también a la bitácora.
ResultadoReposicion ConTemporal(ModNalvora& modulo, const std::string& conexion,
                                const std::function<void(const std::string&)>& registra,
                                const std::string& queHace, const TrabajoTemporal& trabajo) {
    ResultadoReposicion res;
    auto falla = [&res](const std::string& texto) {
        res.Bien = false;
        res.Lineas.push_back(texto);
    };
    CandadoCorrida candado;
    try {
        if (modulo.AbreConexion(conexion) != 0) {
            falla("No se pudo abrir la conexión " + conexion + ". " + modulo.UltimoError());
        } else {
            auto dialecto = DialectoPara(modulo.cnBD());
            if (auto ocupado = candado.Toma(modulo, *dialecto, conexion,
                                            "conexión " + conexion + ", equipo " + NombreEquipo())) {
                falla(*ocupado + " Espere a que termine.");
            } else if (!modulo.cnBD().Abierta()) {
                falla("No se pudo abrir la conexión " + conexion + ". " + modulo.UltimoError());
            } else {
                const EstadoTemporal e = LeeTemporal(modulo.cnBD(), *dialecto);
                if (!e.Existe) {
                    res.Lineas.push_back("No hay base temporal orvalo_temp en " + e.Lugar + ".");
                } else {
                    trabajo(modulo, *dialecto, e, res);
                }
            }
        }
        if (modulo.cnBD().Abierta()) {
            modulo.cnBD().Close();
        }
    } catch (const db::ErrorBD& err) {
        falla("Error al " + queHace + ": " + err.Fuente + " " + err.Descripcion);
    }
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

} // namespace

ResultadoReposicion ReponeTemporal(ModNalvora& modulo, const std::string& conexion,
                                   const std::function<void(const std::string&)>& registra) {
    return ConTemporal(
        modulo, conexion, registra, "reponer",
        [&](ModNalvora& m, DialectoDepuracion& dialecto, const EstadoTemporal& e, ResultadoReposicion& res) {
            if (EsLaBaseDeOrigen(m.cnBD(), dialecto, e) == false) {
                res.Bien = false;
                res.Lineas.push_back("La base temporal orvalo_temp es " + DescribeOrigen(e.origen) +
                                     ", no de la base de la conexión " + conexion + ". Use --conexion " +
                                     e.origen->Conexion + "; no se cambió nada.");
                return;
            }
            registra("Inicia la reposición de orvalo_temp en la conexión " + conexion + ": " +
                     DescribeTablas(e) + ".");
            for (const auto& t : e.Tablas) {
                ReponeTabla(m, dialecto, conexion, t, res);
            }
            BorraSiVacia(m.cnBD(), dialecto, res);
        });
}

ResultadoReposicion DescartaTemporal(ModNalvora& modulo, const std::string& conexion,
                                     const std::function<void(const std::string&)>& registra) {
    return ConTemporal(
        modulo, conexion, registra, "descartar orvalo_temp",
        [](ModNalvora& m, DialectoDepuracion& dialecto, const EstadoTemporal& e, ResultadoReposicion& res) {
            dialecto.BorraTemporal(m.cnBD());
            res.Lineas.push_back("Se descartó la base temporal orvalo_temp de " + e.Lugar + ", " +
                                 DescribeOrigen(e.origen) +
                                 (e.Tablas.empty() ? "" : ", con " + DescribeTablas(e)) + ".");
        });
}

} // namespace ov
