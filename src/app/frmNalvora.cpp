#include "app/frmNalvora.h"

#include "app/AjustesUsuario.h"
#include "log/Fechas.h"
#include "log/Version.h"

namespace ov::app {

namespace {
constexpr const char* kCierreRechazado =
    "El proceso está en curso y no se puede detener. Espere a que termine para cerrar la ventana.";
} // namespace

const char* const kCierreEnSondeo = "Se están leyendo las estadísticas de las bases de datos. Espere a que "
                                    "termine la lectura para cerrar la ventana.";

std::string IdentidadPrograma::Version() const {
    return TextoVersion(Major, Minor, Revision);
}

std::string TextoDeExcepcion(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "error desconocido";
    }
}

frmNalvora::frmNalvora(DependenciasVentana d)
    : c_(d.controles), cajas_(d.cajas), plataforma_(d.plataforma), reloj_(d.reloj), registro_(d.registro),
      carpetaPrograma_(std::move(d.carpetaPrograma)), progreso_(c_.Label2(), c_.Segundero(), reloj_),
      viva_(std::make_shared<frmNalvora*>(this)),
      obrero_(
          [&plataforma = plataforma_, viva = std::weak_ptr<frmNalvora*>(viva_)](std::function<void()> fn) {
              plataforma.Publica([viva, fn = std::move(fn)] {
                  if (viva.lock()) {
                      fn();
                  }
              });
          }) {
    // Form_Load
    bitacora_.emplace(RutaLogDe(carpetaPrograma_).replace_filename(d.programa.Title + ".log"), reloj_);
    bitacora_->SinHora(kBannerInicio);
    bitacora_->Linea("Inicia programa. " + d.programa.Version());
    c_.PonCaption(std::string(kCaptionBase) + " " + d.programa.Version());
    for (int i : {0, 1}) {
        c_.DTPicker1(i).PonMinimo(kFechaMinima);
        c_.DTPicker1(i).PonValue(Hoy(reloj_));
    }
    try {
        carpetaArchivo_ = plataforma_.LeeAjuste(kAjusteCarpetaArchivo);
    } catch (const std::exception&) {
        // Sin ajustes legibles no se archiva hasta que el operador elija una carpeta.
    }
    CargaConexiones();
    c_.Timer1().PonEnabled(true);
    c_.FocoInicial();
    PrimeraActivacion = true;
}

frmNalvora::~frmNalvora() {
    // Primero deja terminar la operación en curso; lo que publicó ya no encuentra la ventana.
    obrero_.Espera();
    viva_.reset();
    Form_Unload();
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

bool frmNalvora::PideCierre() {
    // Cerrar a media operación podría dejar una tabla vacía sin sus filas conservadas.
    if (bloqueada_) {
        // Sin esperar a que lo cierren: la operación sigue y, al terminar, el aviso se cierra solo.
        avisoDeCierreAbierto_ = true;
        c_.AbreAvisoDeCierre(textoCierre_.empty() ? kCierreRechazado : textoCierre_, c_.Caption());
        return false;
    }
    Form_Unload();
    return true;
}

void frmNalvora::btnIniciar_Click() {
    EjecutaProceso();
}

void frmNalvora::btnSalir_Click() {
    if (c_.Cierra()) {
        plataforma_.TerminaPrograma();
    }
}

void frmNalvora::Timer1_Timer() {
    Etiqueta& aviso = c_.lblImportante();
    aviso.PonForeColor(aviso.ForeColor() == kRojo ? kAzul : kRojo);
}

void frmNalvora::Segundero_Timer() {
    progreso_.Muestra();
}

void frmNalvora::DeshabilitaControles() {
    c_.RecuerdaFoco();
    PonEnabled(false);
}

void frmNalvora::HabilitaControles() {
    PonEnabled(true);
    c_.DevuelveFoco();
}

void frmNalvora::PonEnabled(bool valor) {
    bloqueada_ = !valor;
    // Un control que falla no detiene el recorrido; ImageList1 no tiene Enabled.
    for (Control* control : c_.Controls()) {
        if (control->TieneEnabled()) {
            try {
                control->PonEnabled(valor);
            } catch (...) {
            }
        }
    }
    c_.Refresh();
}

bool frmNalvora::IniciaOperacion(std::function<void()> trabajo,
                                 std::function<void(std::exception_ptr)> alTerminar,
                                 std::string textoCierre) {
    if (obrero_.Ocupado()) {
        return false;
    }
    textoCierre_ = std::move(textoCierre);
    plataforma_.PonPuntero(Puntero::RelojDeArena);
    DeshabilitaControles();
    obrero_.Inicia(std::move(trabajo), [this, alTerminar = std::move(alTerminar)](std::exception_ptr error) {
        // El aviso de cierre ya no aplica; se va antes del mensaje final.
        if (avisoDeCierreAbierto_) {
            avisoDeCierreAbierto_ = false;
            c_.CierraAvisoDeCierre();
        }
        textoCierre_.clear();
        progreso_.Termina();
        HabilitaControles();
        plataforma_.PonPuntero(Puntero::Normal);
        if (alTerminar) {
            alTerminar(error);
        }
    });
    return true;
}

void frmNalvora::Publica(std::function<void()> fn) {
    obrero_.Publica(std::move(fn));
}

void frmNalvora::Advierte(const std::string& texto) {
    cajas_.Advierte(texto, c_.Caption());
}

} // namespace ov::app
