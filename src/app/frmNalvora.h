#pragma once

#include "connections/Registro.h"
#include "log/EscribeLog.h"
#include "log/Reloj.h"
#include "log/ServiciosVentana.h"
#include "purge/EjecutaProceso.h"
#include "purge/Recuento.h"
#include "tasks/Plan.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <array>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QApplication;
class QColor;
class QDateEdit;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace ov::app {

class ImageList;
class ProgresoCorrida;
class TrabajoEnSegundoPlano;

// Lo que la ventana recibe de fuera: sin globales, para que las pruebas pongan su reloj, su
// carpeta y sus respuestas.
struct DependenciasVentana {
    ServiciosVentana& servicios;
    const Reloj& reloj;
    std::filesystem::path carpetaPrograma; // la bitácora va a su carpeta Log
    const Registro& registro;              // de donde salen las conexiones, leído en cada apertura
};

// La ventana principal. Solo acomoda los controles y convierte lo que hace el operador en
// llamadas al núcleo.
class frmNalvora : public QWidget {
    Q_OBJECT
public:
    explicit frmNalvora(DependenciasVentana dependencias, QWidget* padre = nullptr);
    ~frmNalvora() override;

    // Controles, con sus nombres de diseño.
    QLabel* lblImportante = nullptr;
    QLabel* lblDescripcion = nullptr;
    QLabel* lblListaBD = nullptr;
    QTreeWidget* List1 = nullptr;
    QLabel* lblDesde = nullptr;
    std::array<QDateEdit*, 2> DTPicker1{}; // 0 = Desde, 1 = Hasta
    QLabel* lblHasta = nullptr;
    QGroupBox* frmTareas = nullptr;
    QTreeWidget* Lista = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* btnIniciar = nullptr;
    QPushButton* btnSalir = nullptr;
    QTimer* Timer1 = nullptr;
    ImageList* ImageList1 = nullptr;

    // La colección de controles, en el orden en que se recorre al bloquear.
    const std::vector<QObject*>& Controls() const { return controles_; }

    // Manejadores de eventos.
    void Form_Load();
    void Form_Activate();
    void Form_Unload();
    void btnIniciar_Click();
    void btnSalir_Click();
    void Timer1_Timer();
    // El encabezado pulsado, contado desde 1 como en el diseño.
    void List1_ColumnClick(int columna);
    // Solo cuando el operador cambia la marca de la fila.
    void List1_ItemCheck(QTreeWidgetItem* fila);
    // Clic derecho en Lista, en coordenadas de su área de nodos: marcar o desmarcar de una vez.
    void Lista_MenuContextual(const QPoint& lugar);

    // La lista de conexiones; la cadena de conexión no se guarda en la ventana.
    void CargaConexiones();
    void AgregaConexion(const std::string& name, const std::string& conn, const std::string& charDateIni,
                        const std::string& charDateFin, const std::string& connNet);

    // Bloqueo de todos los controles durante una operación larga (el temporizador incluido).
    void DeshabilitaControles();
    void HabilitaControles();
    bool Bloqueada() const { return bloqueada_; }
    // El aviso de cierre rechazado mientras sigue abierto; se cierra solo al terminar la operación.
    QMessageBox* AvisoDeCierre() const { return cajaCierre_; }

    // Bloquea la ventana con el reloj de arena, corre `trabajo` en el hilo obrero y, al terminar,
    // desbloquea y llama `alTerminar` en este hilo. Falso si ya hay una operación en curso.
    bool IniciaOperacion(std::function<void()> trabajo, std::function<void(std::exception_ptr)> alTerminar);
    // Desde el trabajo en curso: `fn` corre en el hilo de la ventana, en orden.
    void Publica(std::function<void()> fn);

    bool PrimeraActivacion = false;
    // El plan de tareas, paralelo a los nodos de Lista.
    Plan Tareas;
    // La bitácora por la que pasa cada línea del sistema; su ruta (RutaLog) se fija al cargar.
    const Bitacora& Log() const { return *bitacora_; }
    ServiciosVentana& Servicios() const { return servicios_; }
    const Reloj& reloj() const { return reloj_; }

protected:
    // El sondeo y la corrida; las pruebas de la ventana sola los cuentan en lugar de hacerlos.
    virtual void ActualizaEstadisticas();
    virtual void EjecutaProceso();
    // Corre en el hilo obrero: lo que la segunda pregunta dice que se eliminará.
    virtual std::vector<CuentaConexion> CuentaFilas(const Plan& plan, const Rango& rango);
    // Corre en el hilo obrero: la depuración sobre la copia del plan.
    virtual ResultadoCorrida CorreDepuracion(Plan& plan, const Rango& rango, ObservadorCorrida& observador);

    bool event(QEvent* evento) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;
    void closeEvent(QCloseEvent* evento) override;

private:
    void CreaControles();
    void PonEnabled(bool valor);
    // Tras el primer Sí y las cuentas: la segunda pregunta y, con Sí, la corrida.
    // Tras un rechazo por una orvalo_temp con filas: ofrece reponerlas en el obrero.
    void OfreceReponer(const ResultadoCorrida& rechazo);
    void PreguntaYCorre(std::shared_ptr<Plan> copia, const Rango& rango,
                        const std::vector<CuentaConexion>& cuentas);

    // El orden de List1 (SortKey, SortOrder): cada clic invierte la dirección.
    struct OrdenLista {
        int SortKey = 0;
        Qt::SortOrder SortOrder = Qt::AscendingOrder;
    };

    ServiciosVentana& servicios_;
    const Reloj& reloj_;
    const Registro& registro_;
    OrdenLista ordenList1_;
    std::filesystem::path carpetaPrograma_;
    std::optional<Bitacora> bitacora_;
    std::vector<QObject*> controles_;
    std::unique_ptr<TrabajoEnSegundoPlano> trabajo_;
    QPointer<QWidget> focoAntesDeBloquear_;
    QPointer<QMessageBox> cajaCierre_;
    ProgresoCorrida* progreso_ = nullptr;
    bool bloqueada_ = false;
    bool descargada_ = false;
};

// El color del texto de una etiqueta (ForeColor); se conserva también mientras está deshabilitada.
QColor ColorTexto(const QLabel* etiqueta);
void FijaColorTexto(QLabel* etiqueta, const QColor& color);

// Crea la ventana con los servicios de Qt y el reloj del sistema y corre la aplicación.
int CorreVentana(QApplication& aplicacion);

} // namespace ov::app
