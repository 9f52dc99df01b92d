#include "purge/EjecutaProceso.h"

#include "db/Espera.h"
#include "log/Fechas.h"
#include "log/Rutas.h"
#include "purge/Archivo.h"
#include "purge/AvisoFinal.h"
#include "purge/CandadoCorrida.h"
#include "purge/Dialecto.h"
#include "purge/ListaColumnas.h"
#include "purge/Temporal.h"

#include <algorithm>
#include <set>

namespace ov {

namespace {

constexpr const char* kSalto = "\r\n";
constexpr const char* kFuentePropia = "ovNalvora";

// Posición dentro del bloque de ocho pasos de su conexión.
int BloqueDe(int posicion) {
    return (posicion - 1) / kPasosPorConexion;
}

std::string TextoError(const db::ErrorBD& e) {
    return std::to_string(e.Numero) + e.Fuente + " " + e.Descripcion;
}

void GuardaError(Tarea& t, const db::ErrorBD& e) {
    // Un error sin número no debe pasar por éxito.
    t.NumError = e.Numero != 0 ? e.Numero : -1;
    t.DescripcionError = e.Descripcion;
    if (db::EsEsperaAgotada(e)) {
        t.DescripcionError = "La base de datos está ocupada: otro proceso la retiene y se agotó la espera; "
                             "no se cambió nada. (" +
                             e.Descripcion + ")";
    }
    t.FuenteError = e.Fuente;
}

} // namespace

// Una falla fuera de la trampa de las tareas: la corrida no emite ninguna sentencia más.
class Depuracion::Detencion {
public:
    explicit Detencion(std::string texto) : texto_(std::move(texto)) {}
    const std::string& Texto() const { return texto_; }

private:
    std::string texto_;
};

struct Depuracion::Bloque {
    int indice = -1;
    std::string conexion;
    bool temporalCreada = false;
    Rango rango{};
};

std::string TextoPrimeraPregunta(const std::string& captionImportante) {
    return captionImportante + kSalto + kSalto + "¿Ya cuenta con el respaldo?";
}

std::string TextoSegundaPregunta(const Rango& r, const std::string& captionLabel1) {
    return std::string("Está completamente seguro de que desea eliminar la información del ") + kSalto +
           FechaLarga(r.Desde) + kSalto + "al" + kSalto + FechaLarga(r.Hasta) + "." + kSalto + kSalto +
           captionLabel1;
}

Depuracion::Depuracion(ModNalvora& modulo, const Bitacora& bitacora, ObservadorCorrida& observador)
    : modulo_(modulo), bitacora_(bitacora), observador_(observador) {}

void Depuracion::Registra(const std::string& texto) {
    const std::string linea = LineaConHora(bitacora_.reloj(), texto);
    bitacora_.SinHora(linea);
    observador_.LineaBitacora(linea);
}

void Depuracion::SinConexion(int posicion, const std::string& conexion) {
    const std::string error = modulo_.UltimoError();
    Registra("No se pudo abrir la conexión " + conexion + "; el paso no corrió. " + error);
    observador_.TareaSinConexion(posicion, error);
    if (std::find(sinConexion_.begin(), sinConexion_.end(), conexion) == sinConexion_.end()) {
        sinConexion_.push_back(conexion);
    }
}

void Depuracion::Aspecto(Plan& plan, int k, ov::Aspecto a) {
    AplicaAspecto(plan.NodoEn(k), plan.TareaEn(k), a);
    observador_.NodoCambiado(k, plan.NodoEn(k));
}

// Antes del primer cambio: el candado de cada servidor o carpeta, y ninguna orvalo_temp con filas.
// Una conexión que no abre ahora no se revisa: sus tareas lo dirán al correr.
std::optional<std::string> Depuracion::RevisaConexion(const std::string& conexion, ResultadoCorrida& res) {
    if (modulo_.AbreConexion(conexion) != 0) {
        return std::nullopt;
    }
    try {
        auto dialecto = DialectoPara(modulo_.cnBD());
        if (auto ocupado = AseguraCandado(conexion, *dialecto)) {
            return *ocupado + " No se cambió nada.";
        }
        if (!modulo_.cnBD().Abierta()) {
            return std::nullopt;
        }
        auto& cn = modulo_.cnBD();
        const auto tablas = dialecto->TablasConFilas(cn);
        std::optional<std::string> rechazo;
        if (tablas && !tablas->empty()) {
            std::string lista;
            for (const auto& nombre : *tablas) {
                lista += (lista.empty() ? "" : ", ") + nombre;
            }
            rechazo = "La base temporal orvalo_temp de " + dialecto->Servidor(cn) +
                      " guarda filas de una depuración anterior " + DescribeOrigen(dialecto->LeeOrigen(cn)) +
                      " (tablas: " + lista +
                      "). Repóngalas (--reponer) o descártelas (--descartar-temporal) " +
                      "antes de depurar; no se cambió nada.";
            res.ConexionConSobrante = conexion;
        }
        cn.Close();
        return rechazo;
    } catch (const db::ErrorBD& e) {
        if (EsTemporalIlegible(e)) {
            return TextoTemporalIlegible(DialectoPara(modulo_.cnBD())->Servidor(modulo_.cnBD()), conexion);
        }
        return "No se pudo revisar la conexión " + conexion + ": " + e.Descripcion + " No se cambió nada.";
    }
}

std::optional<std::string> Depuracion::AseguraCandado(const std::string& conexion,
                                                      DialectoDepuracion& dialecto) {
    if (conCandado_.count(NombreComparable(conexion)) > 0) {
        return std::nullopt;
    }
    if (auto propia = RevisaQueNoSeaLaTemporal(modulo_.cnBD(), conexion)) {
        return propia;
    }
    const std::string quien = "conexión " + conexion + ", equipo " + NombreEquipo() + ", desde " +
                              FormatoFechaHora(bitacora_.reloj().Ahora());
    if (auto ocupado = candado_->Toma(modulo_, dialecto, conexion, quien)) {
        return ocupado;
    }
    conCandado_.insert(NombreComparable(conexion));
    return std::nullopt;
}

std::optional<std::string> Depuracion::Prepara(const Plan& plan, ResultadoCorrida& res) {
    std::set<std::string> revisadas;
    for (int k = 1; k <= plan.Count(); ++k) {
        const Tarea& t = plan.TareaEn(k);
        if (!plan.NodoEn(k).Checked || !revisadas.insert(NombreComparable(t.Conexion)).second) {
            continue;
        }
        if (auto rechazo = RevisaConexion(t.Conexion, res)) {
            return rechazo;
        }
    }
    return std::nullopt;
}

Depuracion::~Depuracion() = default;

ResultadoCorrida Depuracion::Corre(Plan& plan, const Rango& r) {
    ResultadoCorrida res;
    inicio_ = bitacora_.reloj().Ahora();
    detenida_ = false;
    sinConexion_.clear();
    // Lo esperado a cada base se cuenta una vez para todo el módulo: la revisión, los pasos y lo de antes.
    modulo_.FijaAvisoEspera([this](const db::AvisoEspera& a) { observador_.EsperaBaseOcupada(a); });
    struct SinAviso {
        ModNalvora& m;
        ~SinAviso() { m.FijaAvisoEspera({}); }
    } sinAviso{modulo_};
    CandadoCorrida candado;
    candado_ = &candado;
    conCandado_.clear();
    if (auto rechazo = Prepara(plan, res)) {
        res.fin = ResultadoCorrida::Fin::Rechazada;
        res.Error = *rechazo;
        res.TodasTerminadas = false;
        Registra("No se inició la depuración. " + *rechazo);
        res.Mensaje = *rechazo;
        res.MensajeEsAdvertencia = true;
        return res;
    }
    Registra("Inicia depuración del " + FormatoFecha(r.Desde) + " al " + FormatoFecha(r.Hasta) + ".");
    for (int k = 1; k <= plan.Count(); ++k) {
        Aspecto(plan, k, ov::Aspecto::Reinicio);
    }
    Bloque bloque;
    try {
        const int nodos = plan.Count();
        for (int i = 1; i <= nodos && !detenida_; ++i) {
            if (BloqueDe(i) != bloque.indice) {
                CierraBloque(bloque, res);
                bloque = Bloque{BloqueDe(i), plan.TareaEn(i).Conexion, false, r};
            }
            if (plan.NodoEn(i).Checked) {
                CorreTarea(plan, i, r, bloque);
            }
        }
        if (!detenida_) {
            CierraBloque(bloque, res);
        }
    } catch (const Detencion& d) {
        res.fin = ResultadoCorrida::Fin::Detenida;
        res.Error = d.Texto();
    } catch (const std::exception& e) {
        // Nada de lo que falle aquí debe pasar por éxito ni tumbar el programa.
        res.fin = ResultadoCorrida::Fin::Detenida;
        res.Error = std::string("Error inesperado: ") + e.what();
    }
    if (res.fin == ResultadoCorrida::Fin::Detenida) {
        detenida_ = true;
        Registra("La depuración se detuvo por un error fuera de las tareas: " + res.Error);
        // Lo que haya quedado en orvalo_temp se dice, no se borra.
        try {
            CierraBloque(bloque, res);
        } catch (...) {
            res.Pendientes.push_back("orvalo_temp (" + bloque.conexion + ", sin revisar)");
        }
    }
    candado.Suelta();
    candado_ = nullptr;
    conCandado_.clear();
    for (const auto& p : res.Pendientes) {
        Registra("Quedó en la base temporal orvalo_temp, que no se borró: " + p + ".");
    }
    for (int k = 1; k <= plan.Count(); ++k) {
        const Imagen im = plan.NodoEn(k).Image;
        if (plan.NodoEn(k).Checked && im != Imagen::Palomita) {
            res.TodasTerminadas = false;
        }
        if (plan.NodoEn(k).Checked && (im == Imagen::Palomita || im == Imagen::Cruz)) {
            res.NadaCorrio = false;
        }
        if (plan.NodoEn(k).Checked && im == Imagen::Cruz) {
            res.Fallidas.push_back(plan.TareaEn(k).EnProceso);
        }
    }
    Registra("Termina depuración del " + FormatoFecha(r.Desde) + " al " + FormatoFecha(r.Hasta) + ".");
    res.NoAbrieron = sinConexion_;
    res.Mensaje = Mensaje(res);
    res.MensajeEsAdvertencia =
        res.fin != ResultadoCorrida::Fin::Terminada || !res.TodasTerminadas || !res.Pendientes.empty();
    return res;
}

std::string Depuracion::Mensaje(const ResultadoCorrida& res) const {
    return AvisoFinal(res, DestinoAviso::Ventana);
}

void Depuracion::Cierra() {
    try {
        modulo_.cnBD().Close();
    } catch (const db::ErrorBD& e) {
        throw Detencion("No se pudo cerrar la conexión: " + TextoError(e));
    }
}

// Al terminar el bloque de una conexión se borra su orvalo_temp, solo si no guarda filas de nadie.
void Depuracion::CierraBloque(Bloque& bloque, ResultadoCorrida& res) {
    TerminaArchivo();
    if (!bloque.temporalCreada) {
        return;
    }
    bloque.temporalCreada = false;
    if (modulo_.AbreConexion(bloque.conexion) != 0) {
        res.Pendientes.push_back("orvalo_temp (" + bloque.conexion + ", sin revisar: la conexión no abrió)");
        return;
    }
    auto& cn = modulo_.cnBD();
    try {
        auto dialecto = DialectoPara(cn);
        const auto tablas = dialecto->TablasConFilas(cn);
        if (tablas && tablas->empty()) {
            dialecto->BorraTemporal(cn);
        } else if (tablas) {
            for (const auto& t : *tablas) {
                res.Pendientes.push_back(t + " (" + bloque.conexion + ")");
            }
        }
    } catch (const db::ErrorBD&) {
        // Una orvalo_temp sin filas de nadie que no se pudo borrar se borra en la siguiente corrida.
    }
    if (cn.Abierta()) {
        Cierra();
    }
}

// La tabla de checadas la decide la propia base, no un sondeo que pudo fallar.
static void RevisaTablaDeChecadas(db::Sesion& cn, DialectoDepuracion& dialecto, const std::string& clave) {
    if (clave != "TRANSACCIONES" && clave != "CHECADAS") {
        return;
    }
    const bool hay = dialecto.HayTransacciones(cn);
    if (hay != (clave == "TRANSACCIONES")) {
        throw ErrorPropio(
            hay ? "La base tiene la tabla Transacciones y el plan pide depurar checadas; vuelva a "
                  "marcar la conexión para rehacer el plan. No se cambió nada."
                : "La base no tiene la tabla Transacciones y el plan pide depurarla; vuelva a "
                  "marcar la conexión para rehacer el plan. No se cambió nada.");
    }
}

bool Depuracion::CorreDatos(Tarea& t, DialectoDepuracion& d, const TablaDatos& tabla, const Rango& r,
                            Bloque& bloque) {
    const auto inicio = bitacora_.reloj().Ahora();
    DialectoDepuracion* const dialecto = &d;
    try {
        auto& cn = modulo_.cnBD();
        RevisaTablaDeChecadas(cn, *dialecto, t.Clave);
        // Se leen antes de la transacción, en la misma conexión en que correrá la tarea.
        const std::string columnas =
            t.Clave == "TRANSACCIONES" || t.Clave == "CHECADAS"
                ? ColumnasDe(cn, *dialecto, dialecto->NombreParaColumnas(tabla.Tabla))
                : std::string();
        if (bloque.temporalCreada) {
            dialecto->UneTemporal(cn);
        }
        const SentenciaTarea reposicion = dialecto->Sentencia(cn, t.Clave, columnas, "");
        t.Sentencia = reposicion.Texto();
        GuardaEliminadas* const archivo = Archivo(cn, *dialecto, r, bloque.conexion);
        CuentaDepuracion c;
        try {
            c = dialecto->DepuraTabla(cn, tabla, r, reposicion, estrategia_, archivo, bloque.temporalCreada);
        } catch (const FaltaTemporal&) {
            // Bajo el candado se eligió copiar: orvalo_temp, con su origen, se crea solo ahora.
            dialecto->CreaTemporal(cn, Origen{bloque.conexion, dialecto->Servidor(cn), dialecto->Base(cn),
                                              NombreEquipo(), FormatoFechaHora(bitacora_.reloj().Ahora()),
                                              FormatoFecha(r.Desde), FormatoFecha(r.Hasta)});
            bloque.temporalCreada = true;
            dialecto->UneTemporal(cn);
            c = dialecto->DepuraTabla(cn, tabla, r, reposicion, Estrategia::Copia, archivo);
        }
        t.Sentencia = c.Usada == Estrategia::Borrado ? dialecto->GuionBorrado(cn, tabla, r)
                                                     : dialecto->GuionDepuracion(cn, tabla, r, reposicion);
        const auto segundos =
            std::chrono::duration_cast<std::chrono::seconds>(bitacora_.reloj().Ahora() - inicio);
        lineasExtra_.push_back(tabla.Tabla + " de " + t.Conexion + ": " + std::to_string(c.Eliminadas()) +
                               " filas eliminadas, " + std::to_string(c.Conservadas) + " conservadas, " +
                               std::to_string(segundos.count()) + " s, por " + NombreEstrategia(c.Usada) +
                               ".");
        if (archivo_) {
            lineasExtra_.push_back(tabla.Tabla + " de " + t.Conexion + ": " + std::to_string(c.Eliminadas()) +
                                   " filas guardadas en " + Utf8DeRuta(archivo_->Ruta()) + ".");
        }
        return true;
    } catch (const db::ErrorBD& e) {
        GuardaError(t, e);
    }
    return false;
}

bool Depuracion::CorreMantenimiento(Tarea& t, DialectoDepuracion& dialecto) {
    SentenciaTarea sentencia;
    try {
        const std::string base = t.Clave == "SHRINK" || t.Clave == "UPDATEUSAGE"
                                     ? modulo_.cnBD().DefaultDatabase()
                                     : std::string();
        sentencia = dialecto.Sentencia(modulo_.cnBD(), t.Clave, {}, base);
    } catch (const db::ErrorBD& e) {
        throw Detencion("No se pudo preparar la tarea \"" + t.Terminado + "\": " + TextoError(e));
    }
    t.Sentencia = sentencia.Texto();
    try {
        dialecto.Ejecuta(modulo_.cnBD(), sentencia);
        return true;
    } catch (const db::ErrorBD& e) {
        GuardaError(t, e);
        return false;
    }
}

void Depuracion::CorreTarea(Plan& plan, int i, const Rango& r, Bloque& bloque) {
    Tarea& t = plan.TareaEn(i);
    Aspecto(plan, i, ov::Aspecto::EnProceso);
    Registra(plan.NodoEn(i).Texto);

    if (modulo_.AbreConexion(t.Conexion) != 0) {
        SinConexion(i, t.Conexion); // la tarea queda en proceso; nada cambió, se sigue
        return;
    }
    t.NumError = 0;
    t.DescripcionError.clear();
    t.FuenteError.clear();
    lineasExtra_.clear();

    // Una conexión que no abrió al revisar y abre ahora todavía no tiene su candado.
    bool bien = false;
    try {
        auto dialecto = DialectoPara(modulo_.cnBD());
        if (auto ocupado = AseguraCandado(t.Conexion, *dialecto)) {
            throw ErrorPropio(*ocupado + " No se cambió nada.");
        }
        if (!modulo_.cnBD().Abierta()) {
            throw ErrorPropio("No se pudo abrir la conexión " + t.Conexion + ". " + modulo_.UltimoError());
        }
        const auto tabla = TablaDeClave(t.Clave);
        bien = tabla ? CorreDatos(t, *dialecto, *tabla, r, bloque) : CorreMantenimiento(t, *dialecto);
    } catch (const db::ErrorBD& e) {
        GuardaError(t, e);
    }
    if (!bien && t.NumError == 0) {
        t.NumError = -1;
        t.FuenteError = kFuentePropia;
    }
    Aspecto(plan, i, bien ? ov::Aspecto::Terminado : ov::Aspecto::Fallido);
    Registra(plan.NodoEn(i).Texto);
    if (archivo_) {
        for (auto& aviso : archivo_->TomaAvisos()) {
            lineasExtra_.push_back(std::move(aviso));
        }
    }
    for (const auto& linea : lineasExtra_) {
        Registra(linea);
    }
    if (modulo_.cnBD().Abierta()) {
        Cierra();
    }
}

} // namespace ov
