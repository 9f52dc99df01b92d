#pragma once

#include "connections/modNalvora.h"
#include "db/Espera.h"
#include "log/EscribeLog.h"
#include "purge/Dialecto.h"
#include "purge/Rango.h"
#include "tasks/Plan.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <set>
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
    // La tarea no corrió porque su conexión no abrió; error dice por qué (sin contraseñas).
    virtual void TareaSinConexion(int /*posicion*/, const std::string& /*error*/) {}
    // Otro proceso retiene la base de una conexión: llega al empezar la espera y cada segundo mientras
    // dura; db::TextoEspera lo dice para el operador.
    virtual void EsperaBaseOcupada(const db::AvisoEspera& /*aviso*/) {}
};

struct ResultadoCorrida {
    enum class Fin { Terminada, Rechazada, Detenida };
    Fin fin = Fin::Terminada;
    std::string Error;                   // rechazo, o error fuera de las tareas
    std::vector<std::string> Pendientes; // tablas que quedaron en orvalo_temp, con su conexión
    bool TodasTerminadas = true;         // cada tarea marcada terminó bien
    bool NadaCorrio = true;              // ningún paso marcado llegó a correr
    std::vector<std::string> Fallidas;   // el texto en proceso de cada tarea que falló
    std::vector<std::string> NoAbrieron; // conexiones cuyos pasos no corrieron: no abrieron
    std::string Mensaje;                 // el aviso final para el operador
    bool MensajeEsAdvertencia = false;
    // El rechazo se debió a una orvalo_temp con filas: la conexión por la que se puede reponer.
    std::string ConexionConSobrante;
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
class CandadoCorrida;
class ArchivoDepuracion;

class Depuracion {
public:
    Depuracion(ModNalvora& modulo, const Bitacora& bitacora, ObservadorCorrida& observador);
    ResultadoCorrida Corre(Plan& plan, const Rango& r);
    // Cómo se quitan las filas de cada tabla; la ventana deja que se elija sola.
    void FijaEstrategia(Estrategia e) { estrategia_ = e; }
    // Con carpeta, cada fila que se quite se guarda antes en un archivo por conexión (vacía: ninguno).
    void FijaArchivo(std::filesystem::path carpeta) { carpetaArchivo_ = std::move(carpeta); }
    ~Depuracion();

private:
    struct Bloque;
    class Detencion;

    void Registra(const std::string& texto);
    void SinConexion(int posicion, const std::string& conexion);
    void Aspecto(Plan& plan, int k, ov::Aspecto a);
    std::optional<std::string> Prepara(const Plan& plan, ResultadoCorrida& res);
    std::optional<std::string> RevisaConexion(const std::string& conexion, ResultadoCorrida& res);
    void CorreTarea(Plan& plan, int i, const Rango& r, Bloque& bloque);
    bool CorreDatos(Tarea& t, DialectoDepuracion& dialecto, const TablaDatos& tabla, const Rango& r,
                    Bloque& bloque);
    bool CorreMantenimiento(Tarea& t, DialectoDepuracion& dialecto);
    // Toma el candado del lugar de la conexión abierta si aún no es nuestro; deja cnBD abierta.
    std::optional<std::string> AseguraCandado(const std::string& conexion, DialectoDepuracion& dialecto);
    void CierraBloque(Bloque& bloque, ResultadoCorrida& res);
    void Cierra();
    std::string Mensaje(const ResultadoCorrida& res) const;

    ModNalvora& modulo_;
    const Bitacora& bitacora_;
    ObservadorCorrida& observador_;
    bool detenida_ = false;
    std::vector<std::string> sinConexion_; // conexiones que no abrieron para un paso
    Estrategia estrategia_ = Estrategia::Auto;
    std::vector<std::string> lineasExtra_; // van tras la línea de terminado de la tarea
    CandadoCorrida* candado_ = nullptr;    // el de la corrida en curso
    std::set<std::string> conCandado_;     // conexiones cuyo lugar ya está bajo el candado
    // El archivo de las filas eliminadas de la conexión en curso, si se pidió.
    GuardaEliminadas* Archivo(db::Conexion& cn, DialectoDepuracion& dialecto, const Rango& r,
                              const std::string& conexion);
    void TerminaArchivo();
    std::filesystem::path carpetaArchivo_;
    std::unique_ptr<ArchivoDepuracion> archivo_;
    FechaHora inicio_{};
};

} // namespace ov
