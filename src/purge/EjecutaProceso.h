#pragma once

#include "connections/modNalvora.h"
#include "log/EscribeLog.h"
#include "purge/Rango.h"
#include "tasks/Plan.h"

#include <string>
#include <vector>

namespace ov {

// Lo que la corrida informa mientras avanza; la ventana lo aplica en su hilo.
class ObservadorCorrida {
public:
    virtual ~ObservadorCorrida() = default;
    virtual void NodoCambiado(int posicion, const Nodo& nodo) = 0;
    // Cada línea escrita en la bitácora, con su hora.
    virtual void LineaBitacora(const std::string&) {}
    // Una tabla quedó vacía y sus filas conservadas solo están en orvalo_temp.
    virtual void TablaVaciada(int /*posicion*/, const std::string& /*tabla*/, long long /*conservadas*/) {}
    // La tarea no corrió porque su conexión no abrió; error dice por qué (sin contraseñas).
    virtual void TareaSinConexion(int /*posicion*/, const std::string& /*error*/) {}
};

struct ResultadoCorrida {
    enum class Fin { Terminada, Rechazada, Detenida };
    Fin fin = Fin::Terminada;
    std::string Error;                   // rechazo, o error fuera de las tareas
    std::vector<std::string> Pendientes; // tablas cuyas filas conservadas quedaron en orvalo_temp
    bool TodasTerminadas = true;         // cada tarea marcada terminó bien
    bool NadaCorrio = true;              // ningún paso marcado llegó a correr
    std::string Mensaje;                 // el aviso final para el operador
    bool MensajeEsAdvertencia = false;
};

// Las dos preguntas de confirmación.
std::string TextoPrimeraPregunta(const std::string& captionImportante);
std::string TextoSegundaPregunta(const Rango& r, const std::string& captionLabel1);
inline constexpr const char* kTituloPreguntas = "Advertencia";
inline constexpr const char* kMensajeTerminado = "Proceso de depuración terminado.";
// Renglón tras el aviso final cuando ningún paso marcado corrió.
inline constexpr const char* kMensajeNadaCorrio = "Ningún paso marcado corrió: no se eliminó ninguna fila.";
inline constexpr const char* kMensajeSinConexion =
    "Uno o más pasos no corrieron porque su conexión no abrió; la bitácora dice por qué.";
// Los textos de lblImportante y Label1, que la consola usa en lugar de las etiquetas.
inline constexpr const char* kCaptionImportante = "IMPORTANTE: Asegúrese de contar con un respaldo reciente "
                                                  "de la base de datos antes de ejecutar este proceso.";
inline constexpr const char* kCaptionLabel1 =
    "Una vez iniciado el proceso no se puede detener y puede durar muchos minutos.";

// La corrida sobre el plan, sin preguntas ni ventana: de la línea de inicio a la de fin.
class Depuracion {
public:
    Depuracion(ModNalvora& modulo, const Bitacora& bitacora, ObservadorCorrida& observador);
    ResultadoCorrida Corre(Plan& plan, const Rango& r);

private:
    struct Bloque;
    class Detencion;

    void Registra(const std::string& texto);
    void SinConexion(int posicion, const std::string& conexion);
    void Aspecto(Plan& plan, int k, ov::Aspecto a);
    std::optional<std::string> RevisaTemporalesSobrantes(const Plan& plan);
    void CorreTarea(Plan& plan, int i, const Rango& r, Bloque& bloque);
    void CierraBloque(Bloque& bloque);
    void Cierra();
    std::string Mensaje(const ResultadoCorrida& res) const;

    ModNalvora& modulo_;
    const Bitacora& bitacora_;
    ObservadorCorrida& observador_;
    bool detenida_ = false;
    bool sinConexion_ = false;
};

} // namespace ov
