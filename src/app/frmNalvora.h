#pragma once

// frmNalvora: el estado de la ventana y sus manejadores de eventos, escritos una vez sobre
// ControlesVentana. La implementación de los controles llama a los manejadores; nada de aquí
// conoce a Qt ni a Win32.

#include "app/ControlesVentana.h"
#include "app/FechaEscrita.h"
#include "app/Obrero.h"
#include "app/ProgresoCorrida.h"
#include "connections/Registro.h"
#include "log/EscribeLog.h"
#include "log/ServiciosVentana.h"
#include "purge/EjecutaProceso.h"
#include "purge/Recuento.h"
#include "purge/Temporal.h"
#include "tasks/Plan.h"

#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ov::app {

// Lo que la ventana recibe de fuera: sin globales, para que las pruebas pongan su reloj, su
// carpeta, sus respuestas y sus controles.
struct DependenciasVentana {
    ControlesVentana& controles;
    ServiciosVentana& cajas; // los cuadros de mensaje (292 y 64)
    ServiciosPlataforma& plataforma;
    const Reloj& reloj;
    std::filesystem::path carpetaPrograma; // la bitácora va a su carpeta Log
    const Registro& registro;              // de donde salen las conexiones, leído en cada apertura
    IdentidadPrograma programa = {}; // el título (nombre de la bitácora) y la versión que se muestran
};

class frmNalvora {
public:
    // Form_Load corre aquí: los controles ya deben existir.
    explicit frmNalvora(DependenciasVentana dependencias);
    // Espera la operación en curso y, si nadie cerró la ventana, escribe las líneas finales.
    virtual ~frmNalvora();
    frmNalvora(const frmNalvora&) = delete;
    frmNalvora& operator=(const frmNalvora&) = delete;

    // ---- Manejadores: los llama la implementación de los controles, en el hilo de la ventana ----
    void Form_Activate();
    void Form_Unload();
    // El cuadro de cierre: falso (y un aviso que no espera) mientras corre una operación; si no,
    // descarga la ventana y devuelve verdadero.
    bool PideCierre();
    void btnIniciar_Click();
    void btnSalir_Click();
    void Timer1_Timer();
    void Segundero_Timer();
    // El encabezado pulsado, contado desde 1.
    void List1_ColumnClick(int columna);
    // La marca de la fila con esa clave cambió (o quizá solo su texto: se comprueba).
    void List1_ItemCheck(int fila);
    // Clic derecho en Lista sobre el nodo k (0: ninguno): el menú de marcar y desmarcar.
    void Lista_MenuContextual(int k);

    // ---- Procedimientos ----
    void CargaConexiones();
    void AgregaConexion(const std::string& name, const std::string& conn, const std::string& charDateIni,
                        const std::string& charDateFin, const std::string& connNet);
    void DeshabilitaControles();
    void HabilitaControles();
    bool Bloqueada() const { return bloqueada_; }
    // Bloquea con el reloj de arena, corre `trabajo` en el obrero y, al terminar, desbloquea y llama
    // `alTerminar` en el hilo de la ventana. Falso si ya hay una operación en curso. Un cierre pedido
    // mientras dura dice textoCierre (vacío: que el proceso no se puede detener).
    bool IniciaOperacion(std::function<void()> trabajo, std::function<void(std::exception_ptr)> alTerminar,
                         std::string textoCierre = {});
    // Desde el trabajo en curso: `fn` corre en el hilo de la ventana, en orden, si ésta sigue viva.
    void Publica(std::function<void()> fn);

    bool PrimeraActivacion = false;
    Plan Tareas; // paralelo a los nodos de Lista
    const Bitacora& Log() const { return *bitacora_; }
    ControlesVentana& Controles() const { return c_; }
    // Donde se guarda lo eliminado antes de depurar (vacía: no se guarda); se elige desde el menú de Lista.
    const std::string& CarpetaArchivo() const { return carpetaArchivo_; }

protected:
    // El sondeo y la corrida; las pruebas los cuentan o los hacen fallar.
    virtual void ActualizaEstadisticas();
    virtual void EjecutaProceso();
    // Corren en el obrero.
    virtual std::vector<CuentaConexion> CuentaFilas(const Plan& plan, const Rango& rango);
    virtual ResultadoCorrida CorreDepuracion(Plan& plan, const Rango& rango, ObservadorCorrida& observador);

private:
    // Lo que la ventana recuerda de cada fila de List1, por su clave.
    struct FilaRecordada {
        bool HayTransacciones = false;
        bool MarcaVista = false;
    };
    void PonEnabled(bool valor);
    void Advierte(const std::string& texto);
    void PreguntaYCorre(std::shared_ptr<Plan> copia, const Rango& rango,
                        const std::vector<CuentaConexion>& cuentas);
    void AlTerminarCorrida(const ResultadoCorrida& resultado, std::exception_ptr error);
    // Tras un rechazo por una orvalo_temp con filas: la describe en el obrero, pregunta a qué base
    // pertenecen sus filas (o si se descartan) y hace en el obrero lo que el operador eligió.
    void OfreceReponer(const ResultadoCorrida& rechazo);
    void PreguntaPorSobrante(const SobranteParaElegir& sobrante);
    void ReponeODescarta(const SobranteParaElegir& sobrante, std::optional<std::string> elegida);
    std::vector<FilaConexion> FilasDelPlan() const;
    void LlenaLista();
    void MarcaNodos(const std::string* conexion, bool marca);
    void LeeMarcas(Plan& plan) const;
    // Las opciones del archivo de lo eliminado en el menú de Lista, y lo que hace la elegida.
    std::vector<std::string> OpcionesArchivo() const;
    void MenuArchivo(int eleccion);
    std::string carpetaArchivo_;

    ControlesVentana& c_;
    ServiciosVentana& cajas_;
    ServiciosPlataforma& plataforma_;
    const Reloj& reloj_;
    const Registro& registro_;
    std::filesystem::path carpetaPrograma_;
    std::optional<Bitacora> bitacora_;
    std::map<int, FilaRecordada> filas_;
    ProgresoCorrida progreso_;
    int sortKey_ = 0;
    bool descendente_ = false; // SortOrder 0; el primer clic lo invierte
    bool bloqueada_ = false;
    bool descargada_ = false;
    bool avisoDeCierreAbierto_ = false;
    std::string textoCierre_; // el de la operación en curso
    // Las publicaciones que llegan después de destruida la ventana se descartan.
    std::shared_ptr<frmNalvora*> viva_;
    Obrero obrero_; // el último miembro: se espera antes de destruir lo demás
};

// Lo que dice el cierre rechazado mientras se leen las estadísticas.
extern const char* const kCierreEnSondeo;

// Lo que escapó de un trabajo, como texto.
std::string TextoDeExcepcion(std::exception_ptr error);

} // namespace ov::app
