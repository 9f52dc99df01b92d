#include "purge/Temporal.h"

#include "log/Fechas.h"
#include "purge/CandadoCorrida.h"
#include "purge/ListaColumnas.h"

#include <algorithm>

namespace ov {

namespace {

bool EsTablaDeDatos(const std::string& nombre) {
    static const std::vector<std::string> tablas{"transacciones", "checadas", "kardex", "bitacora"};
    return std::find(tablas.begin(), tablas.end(), nombre) != tablas.end();
}

std::string Minusculas(std::string s) {
    for (auto& c : s) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

} // namespace

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
        if (EsTablaDeDatos(Minusculas(nombre)) && existe) {
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

// Abre, toma el candado y deja cnBD abierta en la conexión; el texto del rechazo si no se pudo.
std::optional<std::string> Prepara(ModNalvora& modulo, const std::string& conexion, CandadoCorrida& candado,
                                   std::unique_ptr<DialectoDepuracion>& dialecto) {
    if (modulo.AbreConexion(conexion) != 0) {
        return "No se pudo abrir la conexión " + conexion + ". " + modulo.UltimoError();
    }
    dialecto = DialectoPara(modulo.cnBD());
    if (auto ocupado =
            candado.Toma(modulo, *dialecto, "conexión " + conexion + ", equipo " + NombreEquipo())) {
        return *ocupado + " Espere a que termine.";
    }
    if (!modulo.cnBD().Abierta() && modulo.AbreConexion(conexion) != 0) {
        return "No se pudo abrir la conexión " + conexion + ". " + modulo.UltimoError();
    }
    return std::nullopt;
}

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

} // namespace

ResultadoReposicion ReponeTemporal(ModNalvora& modulo, const std::string& conexion,
                                   const std::function<void(const std::string&)>& registra) {
    ResultadoReposicion res;
    CandadoCorrida candado;
    std::unique_ptr<DialectoDepuracion> dialecto;
    try {
        if (auto rechazo = Prepara(modulo, conexion, candado, dialecto)) {
            res.Bien = false;
            res.Lineas.push_back(*rechazo);
            registra(*rechazo);
            return res;
        }
        const EstadoTemporal e = LeeTemporal(modulo.cnBD(), *dialecto);
        if (!e.Existe) {
            res.Lineas.push_back("No hay base temporal orvalo_temp en " + e.Lugar + ".");
        } else if (EsLaBaseDeOrigen(modulo.cnBD(), *dialecto, e) == false) {
            res.Bien = false;
            res.Lineas.push_back("La base temporal orvalo_temp es " + DescribeOrigen(e.origen) +
                                 ", no de la base de la conexión " + conexion + ". Use --conexion " +
                                 e.origen->Conexion + "; no se cambió nada.");
        } else {
            registra("Inicia la reposición de orvalo_temp en la conexión " + conexion + ": " +
                     DescribeTablas(e) + ".");
            for (const auto& t : e.Tablas) {
                const std::string tabla = Minusculas(t.Nombre);
                if (!EsTablaDeDatos(tabla) || !t.FilasVivas) {
                    res.Bien = false;
                    res.Lineas.push_back(t.Nombre + ": no es una tabla de la base; se deja en orvalo_temp.");
                    continue;
                }
                try {
                    const std::string columnas =
                        ListaColumnas(modulo, *dialecto, dialecto->NombreParaColumnas(tabla), conexion);
                    if (!modulo.cnBD().Abierta()) {
                        throw ErrorPropio("La conexión dejó de abrir. " + modulo.UltimoError());
                    }
                    dialecto->UneTemporal(modulo.cnBD());
                    const long long puestas = dialecto->ReponeCopia(modulo.cnBD(), tabla, columnas);
                    res.Lineas.push_back(
                        puestas == 0 ? tabla + ": la tabla ya tenía todas las " + std::to_string(t.Filas) +
                                           " filas de la copia; la copia sobraba y se borró."
                                     : tabla + ": " + std::to_string(puestas) + " filas repuestas de " +
                                           std::to_string(t.Filas) + "; la copia se borró.");
                } catch (const db::ErrorBD& err) {
                    res.Bien = false;
                    res.Lineas.push_back(tabla + ": no se pudo reponer (" + err.Fuente + " " +
                                         err.Descripcion +
                                         "); la tabla quedó como estaba y la copia sigue en orvalo_temp.");
                }
            }
            BorraSiVacia(modulo.cnBD(), *dialecto, res);
        }
        modulo.cnBD().Close();
    } catch (const db::ErrorBD& err) {
        res.Bien = false;
        res.Lineas.push_back("Error al reponer: " + err.Fuente + " " + err.Descripcion);
    }
    for (const auto& l : res.Lineas) {
        registra(l);
    }
    return res;
}

ResultadoReposicion DescartaTemporal(ModNalvora& modulo, const std::string& conexion,
                                     const std::function<void(const std::string&)>& registra) {
    ResultadoReposicion res;
    CandadoCorrida candado;
    std::unique_ptr<DialectoDepuracion> dialecto;
    try {
        if (auto rechazo = Prepara(modulo, conexion, candado, dialecto)) {
            res.Bien = false;
            res.Lineas.push_back(*rechazo);
        } else {
            const EstadoTemporal e = LeeTemporal(modulo.cnBD(), *dialecto);
            if (!e.Existe) {
                res.Lineas.push_back("No hay base temporal orvalo_temp en " + e.Lugar + ".");
            } else {
                dialecto->BorraTemporal(modulo.cnBD());
                res.Lineas.push_back("Se descartó la base temporal orvalo_temp de " + e.Lugar + ", " +
                                     DescribeOrigen(e.origen) +
                                     (e.Tablas.empty() ? "" : ", con " + DescribeTablas(e)) + ".");
            }
            modulo.cnBD().Close();
        }
    } catch (const db::ErrorBD& err) {
        res.Bien = false;
        res.Lineas.push_back("Error al descartar orvalo_temp: " + err.Fuente + " " + err.Descripcion);
    }
    for (const auto& l : res.Lineas) {
        registra(l);
    }
    return res;
}

} // namespace ov
