// Las dos operaciones largas de la ventana, el sondeo y la depuración: corren en el hilo obrero y
// sus avisos se aplican en el hilo de la ventana, en orden, mientras ésta sigue pintándose.
#include "app/ArbolTareas.h"
#include "app/ConversionesQt.h"
#include "app/ImageList.h"
#include "app/ListaConexiones.h"
#include "app/ProgresoCorrida.h"
#include "app/frmNalvora.h"
#include "connections/Estadisticas.h"
#include "purge/Temporal.h"

#include <QDateEdit>
#include <QLabel>
#include <QSignalBlocker>
#include <QTreeWidget>

namespace ov::app {

namespace {

// Lo que escapó de un trabajo; no debería pasar, pero la ventana no puede quedarse muda.
std::string TextoDeExcepcion(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "error desconocido";
    }
}

// Cada fila sondeada se publica a la ventana. Las filas se toman al empezar: durante el sondeo
// la lista está bloqueada y no se reordena, y las filas nunca se quitan.
class SondeoEnVentana final : public ObservadorSondeo {
public:
    SondeoEnVentana(frmNalvora& ventana, std::vector<QTreeWidgetItem*> filas)
        : ventana_(ventana), lista_(ventana.List1), filas_(std::move(filas)) {}

    void FilaSondeada(int fila, const EstadisticasFila& cifras, bool hayTransacciones) override {
        EnFila(fila,
               [cifras, hayTransacciones](QTreeWidgetItem* f) { PonCifras(f, cifras, hayTransacciones); });
    }
    void ErrorDeApertura(int fila, const std::string& error) override {
        // La fila atenuada dice por qué en su ayuda emergente.
        EnFila(fila, [error](QTreeWidgetItem* f) { PonError(f, "No se pudo abrir la conexión. " + error); });
    }
    void FilaSinConexion(int fila) override {
        EnFila(fila, [](QTreeWidgetItem* f) { Atenua(f); });
    }
    void FilaConError(int fila, const std::string& error) override {
        EnFila(fila, [error](QTreeWidgetItem* f) { PonError(f, error); });
    }

private:
    template <typename Cambio> void EnFila(int fila, Cambio cambio) {
        QTreeWidgetItem* f = filas_.at(static_cast<size_t>(fila - 1));
        ventana_.Publica([lista = lista_, f, cambio] {
            // Escribir celdas no es un cambio de marca: el plan no se toca.
            const QSignalBlocker sinAvisos(lista);
            cambio(f);
        });
    }

    frmNalvora& ventana_;
    QTreeWidget* const lista_;
    const std::vector<QTreeWidgetItem*> filas_;
};

// Cada cambio de aspecto de un nodo se aplica en su elemento de Lista; el paso que empieza se
// muestra en la lista y en la etiqueta de progreso.
class CorridaEnVentana final : public ObservadorCorrida {
public:
    CorridaEnVentana(frmNalvora& ventana, ProgresoCorrida& progreso)
        : ventana_(ventana), progreso_(progreso) {}

    void NodoCambiado(int posicion, const Nodo& nodo) override {
        frmNalvora* v = &ventana_;
        ProgresoCorrida* p = &progreso_;
        ventana_.Publica([v, p, posicion, nodo] {
            QTreeWidgetItem* elemento = v->Lista->topLevelItem(posicion - 1);
            if (!elemento) {
                return;
            }
            if (nodo.Image == Imagen::Flecha) {
                p->Paso(nodo.Texto);
                v->Lista->scrollToItem(elemento);
            }
            AplicaNodo(elemento, nodo, *v->ImageList1);
        });
    }
    void TareaSinConexion(int posicion, const std::string& error) override {
        frmNalvora* v = &ventana_;
        ventana_.Publica([v, posicion, error] {
            if (QTreeWidgetItem* elemento = v->Lista->topLevelItem(posicion - 1)) {
                elemento->setToolTip(0, Ayuda("El paso no corrió: no se pudo abrir su conexión. " + error));
            }
        });
    }

private:
    frmNalvora& ventana_;
    ProgresoCorrida& progreso_;
};

int Marcados(const Plan& plan) {
    int n = 0;
    for (int k = 1; k <= plan.Count(); ++k) {
        n += plan.NodoEn(k).Checked ? 1 : 0;
    }
    return n;
}

} // namespace

void frmNalvora::ActualizaEstadisticas() {
    const auto nombres = NombresEnOrden(List1);
    auto observador = std::make_shared<SondeoEnVentana>(*this, FilasEnOrden(List1));
    IniciaOperacion(
        [this, nombres, observador] {
            ModNalvora modulo(registro_);
            ov::ActualizaEstadisticas(modulo, nombres, *observador);
        },
        [this](std::exception_ptr error) {
            if (error) {
                servicios_.Advierte("El sondeo de las bases se interrumpió por un error inesperado: " +
                                        TextoDeExcepcion(error),
                                    S(windowTitle()));
            }
        });
}

ResultadoCorrida frmNalvora::CorreDepuracion(Plan& plan, const Rango& rango, ObservadorCorrida& observador) {
    ModNalvora modulo(registro_);
    return Depuracion(modulo, Log(), observador).Corre(plan, rango);
}

std::vector<CuentaConexion> frmNalvora::CuentaFilas(const Plan& plan, const Rango& rango) {
    ModNalvora modulo(registro_);
    return CuentaLoQueSeElimina(modulo, plan, rango);
}

void frmNalvora::EjecutaProceso() {
    if (bloqueada_) {
        return; // ya hay una operación en curso: ni preguntas ni progreso
    }
    const std::string caption = S(windowTitle());
    const Rango rango{DeQDate(DTPicker1[0]->date()), DeQDate(DTPicker1[1]->date())};
    if (const auto rechazo = RevisaRango(rango)) {
        servicios_.Advierte(*rechazo, caption);
        return;
    }
    if (!servicios_.PreguntaSiNo(TextoPrimeraPregunta(S(lblImportante->text())), kTituloPreguntas)) {
        ActualizaEstadisticas();
        return;
    }
    // El obrero trabaja sobre una copia con las marcas del operador; la ventana no comparte nada con él.
    auto copia = std::make_shared<Plan>(Tareas);
    LeeMarcas(Lista, *copia);
    // Contar puede tardar en una base grande: en el obrero, con la ventana viva.
    auto cuentas = std::make_shared<std::vector<CuentaConexion>>();
    progreso_->Contando();
    IniciaOperacion([this, copia, cuentas, rango] { *cuentas = CuentaFilas(*copia, rango); },
                    [this, copia, cuentas, rango](std::exception_ptr error) {
                        if (error) {
                            servicios_.Advierte("No se pudieron contar las filas: " +
                                                    TextoDeExcepcion(error) + " No se eliminó nada.",
                                                S(windowTitle()));
                            ActualizaEstadisticas();
                            return;
                        }
                        PreguntaYCorre(copia, rango, *cuentas);
                    });
}

void frmNalvora::PreguntaYCorre(std::shared_ptr<Plan> copia, const Rango& rango,
                                const std::vector<CuentaConexion>& cuentas) {
    const std::string pregunta = TextoSegundaPregunta(rango, S(Label1->text()));
    if (!servicios_.PreguntaSiNo(SegundaPreguntaConRecuento(pregunta, cuentas), kTituloPreguntas)) {
        ActualizaEstadisticas();
        return;
    }
    auto resultado = std::make_shared<ResultadoCorrida>();
    auto observador = std::make_shared<CorridaEnVentana>(*this, *progreso_);
    progreso_->Inicia(Marcados(*copia));
    IniciaOperacion([this, copia, resultado, observador,
                     rango] { *resultado = CorreDepuracion(*copia, rango, *observador); },
                    [this, copia, resultado](std::exception_ptr error) {
                        // Sentencias, errores y aspectos vuelven al plan de la ventana; no se reconstruye.
                        Tareas = std::move(*copia);
                        const std::string titulo = S(windowTitle());
                        if (error) {
                            const std::string texto =
                                "La depuración se interrumpió por un error inesperado: " +
                                TextoDeExcepcion(error) +
                                " Revise la lista de tareas y la bitácora antes de volver a depurar.";
                            Log().Linea(texto);
                            servicios_.Advierte(texto, titulo);
                        } else if (!resultado->ConexionConSobrante.empty()) {
                            OfreceReponer(*resultado);
                            return;
                        } else if (resultado->MensajeEsAdvertencia) {
                            servicios_.Advierte(resultado->Mensaje, titulo);
                        } else {
                            servicios_.Informa(resultado->Mensaje, titulo);
                        }
                        ActualizaEstadisticas();
                    });
}

void frmNalvora::OfreceReponer(const ResultadoCorrida& rechazo) {
    const std::string titulo = S(windowTitle());
    if (!servicios_.PreguntaSiNo(rechazo.Mensaje + "\r\n\r\n¿Desea reponer ahora esas filas en sus tablas?",
                                 kTituloPreguntas)) {
        ActualizaEstadisticas();
        return;
    }
    auto resultado = std::make_shared<ResultadoReposicion>();
    const std::string conexion = rechazo.ConexionConSobrante;
    IniciaOperacion(
        [this, resultado, conexion] {
            ModNalvora modulo(registro_);
            *resultado = ReponeTemporal(modulo, conexion, [this](const std::string& l) { Log().Linea(l); });
        },
        [this, resultado, titulo](std::exception_ptr error) {
            std::string texto;
            for (const auto& l : resultado->Lineas) {
                texto += (texto.empty() ? "" : "\r\n") + l;
            }
            if (error) {
                texto = "La reposición se interrumpió por un error inesperado: " + TextoDeExcepcion(error);
                Log().Linea(texto);
            }
            if (error || !resultado->Bien) {
                servicios_.Advierte(texto, titulo);
            } else {
                servicios_.Informa(texto, titulo);
            }
            ActualizaEstadisticas();
        });
}

} // namespace ov::app
