#include "app/frmNalvora.h"

#include "app/ConversionesQt.h"
#include "app/ProgresoCorrida.h"
#include "app/ServiciosQt.h"
#include "app/TrabajoEnSegundoPlano.h"
#include "log/Fechas.h"
#include "log/Version.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateEdit>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>

namespace ov::app {

namespace {
constexpr const char* kCierreRechazado =
    "El proceso está en curso y no se puede detener. Espere a que termine para cerrar la ventana.";
}

frmNalvora::frmNalvora(DependenciasVentana dependencias, QWidget* padre)
    : QWidget(padre), servicios_(dependencias.servicios), reloj_(dependencias.reloj),
      registro_(dependencias.registro), carpetaPrograma_(std::move(dependencias.carpetaPrograma)),
      trabajo_(std::make_unique<TrabajoEnSegundoPlano>(this)) {
    CreaControles();
    progreso_ = new ProgresoCorrida(Label2, reloj_, this);
    if (const QScreen* pantalla = screen()) {
        move(pantalla->availableGeometry().center() - rect().center());
    }
    Form_Load();
}

frmNalvora::~frmNalvora() {
    // Primero deja terminar la operación en curso; luego, si nadie cerró la ventana, las líneas finales.
    trabajo_.reset();
    Form_Unload();
}

void frmNalvora::Form_Load() {
    bitacora_.emplace(RutaLogDe(carpetaPrograma_), reloj_);
    bitacora_->SinHora(kBannerInicio);
    bitacora_->Linea("Inicia programa. " + TextoVersion());
    setWindowTitle(Q(CaptionVentana()));
    const QDate hoy = AQDate(Hoy(reloj_));
    DTPicker1[0]->setDate(hoy);
    DTPicker1[1]->setDate(hoy);
    CargaConexiones();
    Timer1->start();
    DTPicker1[0]->setFocus();
    PrimeraActivacion = true;
}

void frmNalvora::Form_Activate() {
    // Las activaciones siguientes (tras un cuadro de mensaje, al volver de otro programa) no sondean.
    if (PrimeraActivacion) {
        PrimeraActivacion = false;
        ActualizaEstadisticas();
    }
}

void frmNalvora::Form_Unload() {
    // El cierre llega por Salir, por el cuadro de cierre o al destruir la ventana: se escribe una vez.
    if (descargada_) {
        return;
    }
    descargada_ = true;
    bitacora_->Linea("Termina programa.");
    bitacora_->SinHora(kBannerFin);
}

void frmNalvora::btnIniciar_Click() {
    EjecutaProceso();
}

void frmNalvora::btnSalir_Click() {
    if (close()) {
        QCoreApplication::quit();
    }
}

void frmNalvora::Timer1_Timer() {
    const QColor c = ColorTexto(lblImportante);
    const bool rojo = c.red() == 255 && c.green() == 0 && c.blue() == 0;
    FijaColorTexto(lblImportante, rojo ? QColor(0, 0, 255) : QColor(255, 0, 0));
}

void frmNalvora::DeshabilitaControles() {
    focoAntesDeBloquear_ = focusWidget();
    PonEnabled(false);
}

void frmNalvora::HabilitaControles() {
    PonEnabled(true);
    if (focoAntesDeBloquear_) {
        focoAntesDeBloquear_->setFocus();
    }
}

void frmNalvora::PonEnabled(bool valor) {
    bloqueada_ = !valor;
    for (QObject* control : controles_) {
        if (control == static_cast<QObject*>(frmTareas) || control == static_cast<QObject*>(Lista)) {
            // Bloqueada, la lista de tareas se sigue desplazando a mano: solo sus nodos dejan de
            // aceptar clics, y eventFilter le quita las teclas que marcan.
            Lista->viewport()->setEnabled(valor);
        } else if (auto* w = qobject_cast<QWidget*>(control)) {
            w->setEnabled(valor);
        } else if (auto* t = qobject_cast<QTimer*>(control)) {
            // Un temporizador deshabilitado no late: el aviso se queda en el color que tenía.
            valor ? t->start() : t->stop();
        }
        // ImageList1 no tiene Enabled: se pasa por alto.
    }
    repaint();
}

bool frmNalvora::IniciaOperacion(std::function<void()> trabajo,
                                 std::function<void(std::exception_ptr)> alTerminar) {
    if (trabajo_->Ocupado()) {
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    DeshabilitaControles();
    trabajo_->Inicia(std::move(trabajo),
                     [this, alTerminar = std::move(alTerminar)](std::exception_ptr error) {
                         // El aviso de cierre ya no aplica; se va antes del mensaje final.
                         if (cajaCierre_) {
                             cajaCierre_->close();
                         }
                         progreso_->Termina();
                         HabilitaControles();
                         QApplication::restoreOverrideCursor();
                         if (alTerminar) {
                             alTerminar(error);
                         }
                     });
    return true;
}

void frmNalvora::Publica(std::function<void()> fn) {
    trabajo_->Publica(std::move(fn));
}

bool frmNalvora::event(QEvent* evento) {
    const bool resultado = QWidget::event(evento);
    if (evento->type() == QEvent::WindowActivate) {
        Form_Activate();
    }
    return resultado;
}

bool frmNalvora::eventFilter(QObject* objeto, QEvent* evento) {
    // Bloqueada, Lista solo se recorre: la rueda, la barra, las flechas y las páginas la desplazan;
    // ni clics ni teclas la marcan.
    const auto tipo = evento->type();
    if (bloqueada_ && objeto == Lista->viewport() &&
        (tipo == QEvent::MouseButtonPress || tipo == QEvent::MouseButtonDblClick ||
         tipo == QEvent::MouseButtonRelease)) {
        return true;
    }
    if (objeto == Lista && bloqueada_ && tipo == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(evento)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            return false;
        default:
            return true;
        }
    }
    return QWidget::eventFilter(objeto, evento);
}

void frmNalvora::closeEvent(QCloseEvent* evento) {
    // Cerrar a media operación podría dejar una tabla vacía sin sus filas conservadas.
    if (bloqueada_) {
        evento->ignore();
        // Sin esperar a que lo cierren: la operación sigue y, al terminar, el aviso se cierra solo.
        if (!cajaCierre_) {
            cajaCierre_ =
                NuevaCaja(QMessageBox::Warning, S(windowTitle()), kCierreRechazado, QMessageBox::Ok, this)
                    .release();
            cajaCierre_->setAttribute(Qt::WA_DeleteOnClose);
            cajaCierre_->open();
        }
        cajaCierre_->raise();
        cajaCierre_->activateWindow();
        return;
    }
    Form_Unload();
    evento->accept();
}

} // namespace ov::app
