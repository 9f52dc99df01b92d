#include "purge/EjecutaProceso.h"

#include "log/Fechas.h"
#include "purge/Dialecto.h"
#include "purge/ListaColumnas.h"

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
    std::vector<std::string> pendientes; // tablas vaciadas cuyas filas aún no vuelven
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
    sinConexion_ = true;
}

void Depuracion::Aspecto(Plan& plan, int k, ov::Aspecto a) {
    AplicaAspecto(plan.NodoEn(k), plan.TareaEn(k), a);
    observador_.NodoCambiado(k, plan.NodoEn(k));
}

// Una orvalo_temp que dejó una corrida anterior con tablas guarda filas de alguien: no se toca.
std::optional<std::string> Depuracion::RevisaTemporalesSobrantes(const Plan& plan) {
    std::set<std::string> revisadas;
    std::string rechazo;
    for (int k = 1; k <= plan.Count(); ++k) {
        const Tarea& t = plan.TareaEn(k);
        if (!plan.NodoEn(k).Checked || !TablaDeClave(t.Clave) || !revisadas.insert(t.Conexion).second) {
            continue;
        }
        if (modulo_.AbreConexion(t.Conexion) != 0) {
            continue; // sus tareas lo dirán al correr
        }
        try {
            auto dialecto = DialectoPara(modulo_.cnBD());
            const auto tablas = dialecto->TablasTemporal(modulo_.cnBD());
            if (tablas && !tablas->empty()) {
                std::string lista;
                for (const auto& nombre : *tablas) {
                    lista += (lista.empty() ? "" : ", ") + nombre;
                }
                rechazo += "La base temporal orvalo_temp de la conexión " + t.Conexion +
                           " guarda filas de una depuración anterior (tablas: " + lista + "). ";
            }
            modulo_.cnBD().Close();
        } catch (const db::ErrorBD& e) {
            if (modulo_.cnBD().Abierta()) {
                modulo_.cnBD().Close();
            }
            rechazo += "No se pudo revisar la base temporal de la conexión " + t.Conexion + ": " +
                       e.Descripcion + " ";
        }
    }
    if (rechazo.empty()) {
        return std::nullopt;
    }
    return rechazo + "Reponga o respalde esas filas antes de depurar; no se cambió nada.";
}

ResultadoCorrida Depuracion::Corre(Plan& plan, const Rango& r) {
    ResultadoCorrida res;
    detenida_ = false;
    if (auto rechazo = RevisaTemporalesSobrantes(plan)) {
        res.fin = ResultadoCorrida::Fin::Rechazada;
        res.Error = *rechazo;
        res.TodasTerminadas = false;
        Registra("No se inició la depuración. " + *rechazo);
        res.Mensaje = *rechazo;
        res.MensajeEsAdvertencia = true;
        return res;
    }
    sinConexion_ = false;
    Registra("Inicia depuración del " + FormatoFecha(r.Desde) + " al " + FormatoFecha(r.Hasta) + ".");
    for (int k = 1; k <= plan.Count(); ++k) {
        Aspecto(plan, k, ov::Aspecto::Reinicio);
    }
    Bloque bloque;
    try {
        const int nodos = plan.Count();
        for (int i = 1; i <= nodos && !detenida_; ++i) {
            if (BloqueDe(i) != bloque.indice) {
                CierraBloque(bloque);
                bloque = Bloque{BloqueDe(i), plan.TareaEn(i).Conexion, false, {}};
            }
            if (!plan.NodoEn(i).Checked) {
                continue;
            }
            CorreTarea(plan, i, r, bloque);
        }
        if (!detenida_) {
            CierraBloque(bloque);
        }
    } catch (const Detencion& d) {
        detenida_ = true;
        res.fin = ResultadoCorrida::Fin::Detenida;
        res.Error = d.Texto();
        Registra("La depuración se detuvo por un error fuera de las tareas: " + d.Texto());
    }
    for (const auto& tabla : bloque.pendientes) {
        res.Pendientes.push_back(tabla + " (" + bloque.conexion + ")");
        Registra("Las filas conservadas de " + tabla + " de la conexión " + bloque.conexion +
                 " quedaron en la base temporal orvalo_temp, que no se borró.");
    }
    for (int k = 1; k <= plan.Count(); ++k) {
        if (plan.NodoEn(k).Checked && plan.NodoEn(k).Image != Imagen::Palomita) {
            res.TodasTerminadas = false;
        }
        const Imagen im = plan.NodoEn(k).Image;
        if (plan.NodoEn(k).Checked && (im == Imagen::Palomita || im == Imagen::Cruz)) {
            res.NadaCorrio = false;
        }
    }
    Registra("Termina depuración del " + FormatoFecha(r.Desde) + " al " + FormatoFecha(r.Hasta) + ".");
    res.Mensaje = Mensaje(res);
    res.MensajeEsAdvertencia =
        res.fin != ResultadoCorrida::Fin::Terminada || !res.TodasTerminadas || !res.Pendientes.empty();
    return res;
}

std::string Depuracion::Mensaje(const ResultadoCorrida& res) const {
    // Una corrida detenida no se anuncia como terminada.
    std::string m = res.fin == ResultadoCorrida::Fin::Detenida
                        ? "La depuración se detuvo por un error: " + res.Error
                        : std::string(kMensajeTerminado);
    if (res.fin != ResultadoCorrida::Fin::Detenida && !res.TodasTerminadas) {
        m += std::string(kSalto) + kSalto +
             "Una o más tareas no terminaron bien; revise la lista de tareas y la bitácora.";
    }
    if (sinConexion_) {
        m += std::string(kSalto) + kSalto + kMensajeSinConexion;
    }
    if (res.NadaCorrio) {
        m += std::string(kSalto) + kMensajeNadaCorrio;
    }
    if (!res.Pendientes.empty()) {
        m += std::string(kSalto) + kSalto + "Las filas conservadas de ";
        for (size_t i = 0; i < res.Pendientes.size(); ++i) {
            m += (i == 0 ? "" : ", ") + res.Pendientes[i];
        }
        m += " quedaron en la base temporal orvalo_temp, que no se borró. No vuelva a depurar hasta "
             "reponerlas.";
    }
    return m;
}

void Depuracion::Cierra() {
    try {
        modulo_.cnBD().Close();
    } catch (const db::ErrorBD& e) {
        throw Detencion("No se pudo cerrar la conexión: " + TextoError(e));
    }
}

// Al terminar el bloque de una conexión se borra su orvalo_temp, solo si ya no guarda nada.
void Depuracion::CierraBloque(Bloque& bloque) {
    if (!bloque.temporalCreada || !bloque.pendientes.empty()) {
        return;
    }
    bloque.temporalCreada = false;
    if (modulo_.AbreConexion(bloque.conexion) != 0) {
        return;
    }
    auto& cn = modulo_.cnBD();
    try {
        auto dialecto = DialectoPara(cn);
        const auto tablas = dialecto->TablasTemporal(cn);
        if (tablas && tablas->empty()) {
            dialecto->BorraTemporal(cn);
        } else if (tablas) {
            bloque.pendientes = *tablas;
        }
    } catch (const db::ErrorBD&) {
        // Como el borrado original: una temporal vacía que no se pudo borrar se borra en la siguiente.
    }
    if (cn.Abierta()) {
        Cierra();
    }
}

void Depuracion::CorreTarea(Plan& plan, int i, const Rango& r, Bloque& bloque) {
    Tarea& t = plan.TareaEn(i);
    Aspecto(plan, i, ov::Aspecto::EnProceso);
    Registra(plan.NodoEn(i).Texto);

    const auto tabla = TablaDeClave(t.Clave);
    Respaldo respaldo;
    if (tabla) {
        // La copia y el vaciado de su propia tabla, en su propia conexión.
        if (modulo_.AbreConexion(t.Conexion) != 0) {
            SinConexion(i, t.Conexion); // nada cambió todavía: la tarea queda en proceso y se sigue
            return;
        }
        auto& cn = modulo_.cnBD();
        try {
            auto dialecto = DialectoPara(cn);
            if (!bloque.temporalCreada) {
                dialecto->CreaTemporal(cn);
                bloque.temporalCreada = true;
            }
            dialecto->UneTemporal(cn);
            respaldo = dialecto->RespaldaYVacia(cn, *tabla, r);
        } catch (const db::ErrorBD& e) {
            throw Detencion("No se pudo respaldar " + tabla->Tabla + " de " + t.Conexion +
                            "; la tabla no se tocó. " + TextoError(e));
        }
        bloque.pendientes.push_back(tabla->Tabla);
        observador_.TablaVaciada(i, tabla->Tabla, respaldo.Conservadas);
        Cierra();
    }

    if (modulo_.AbreConexion(t.Conexion) != 0) {
        // Sin conexión la tarea queda en proceso; con su tabla vacía no se sigue.
        SinConexion(i, t.Conexion);
        if (tabla) {
            detenida_ = true;
        }
        return;
    }
    t.NumError = 0;
    t.DescripcionError.clear();
    t.FuenteError.clear();

    std::unique_ptr<DialectoDepuracion> dialecto;
    SentenciaTarea sentencia;
    try {
        dialecto = DialectoPara(modulo_.cnBD());
        std::string columnas;
        std::string base;
        if (t.Clave == "TRANSACCIONES" || t.Clave == "CHECADAS") {
            columnas =
                ListaColumnas(modulo_, *dialecto, dialecto->NombreParaColumnas(tabla->Tabla), t.Conexion);
            if (!modulo_.cnBD().Abierta()) {
                detenida_ = true; // la conexión dejó de abrir con la tabla vacía
                return;
            }
        }
        if (t.Clave == "SHRINK" || t.Clave == "UPDATEUSAGE") {
            base = modulo_.cnBD().DefaultDatabase();
        }
        if (tabla) {
            dialecto->UneTemporal(modulo_.cnBD());
        }
        sentencia = dialecto->Sentencia(modulo_.cnBD(), t.Clave, columnas, base);
    } catch (const db::ErrorBD& e) {
        throw Detencion("No se pudo preparar la tarea \"" + t.Terminado + "\": " + TextoError(e));
    }
    t.Sentencia = sentencia.Texto();

    auto& cn = modulo_.cnBD();
    bool fallo = false;
    long long reinsertadas = -1;
    try {
        reinsertadas = dialecto->Ejecuta(cn, sentencia);
    } catch (const db::ErrorBD& e) {
        fallo = true;
        // Un error sin número no debe pasar por éxito.
        t.NumError = e.Numero != 0 ? e.Numero : -1;
        t.DescripcionError = e.Descripcion;
        t.FuenteError = e.Fuente;
    }
    auto fallaPropia = [&t, &fallo](const std::string& descripcion) {
        if (!fallo) {
            fallo = true;
            t.NumError = -1;
            t.FuenteError = kFuentePropia;
            t.DescripcionError = descripcion;
        }
    };
    try {
        if (t.Clave == "KARDEX") {
            if (fallo) {
                dialecto->HabilitaDisparadores(cn);
            }
            if (!dialecto->DisparadoresHabilitados(cn)) {
                fallaPropia("Los disparadores de kardex quedaron deshabilitados.");
            }
        }
        if (tabla && !fallo && reinsertadas != respaldo.Conservadas) {
            fallaPropia("Se reinsertaron " + std::to_string(reinsertadas) + " filas de " +
                        std::to_string(respaldo.Conservadas) + " conservadas; siguen en orvalo_temp.");
        }
        if (tabla && !fallo) {
            if (respaldo.Identidad) {
                dialecto->RevisaIdentidad(cn, tabla->Tabla, *respaldo.Identidad);
            }
            dialecto->BorraTablaTemporal(cn, tabla->Tabla);
            std::erase(bloque.pendientes, tabla->Tabla);
        }
    } catch (const db::ErrorBD& e) {
        throw Detencion("No se pudo completar \"" + t.Terminado + "\": " + TextoError(e));
    }

    Aspecto(plan, i, fallo ? ov::Aspecto::Fallido : ov::Aspecto::Terminado);
    Registra(plan.NodoEn(i).Texto);
    Cierra();
    if (tabla && fallo) {
        detenida_ = true; // sus filas conservadas siguen en orvalo_temp: no más datos
    }
}

} // namespace ov
