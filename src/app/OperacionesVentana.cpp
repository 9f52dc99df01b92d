// Las operaciones largas de la ventana, el sondeo, las cuentas, la depuración y la reposición:
// corren en el obrero y sus avisos se aplican en el hilo de la ventana, en orden.
#include "app/frmNalvora.h"
#include "connections/Estadisticas.h"
#include "log/Rutas.h"
#include "log/Version.h"
#include "purge/Archivo.h"

namespace ov::app {

namespace {

// Cada fila sondeada se publica a la ventana. Las claves se toman al empezar: durante el sondeo
// la lista está bloqueada y no se reordena, y las filas nunca se quitan. Lo publicado no toca al
// observador: puede llegar después de que el obrero lo suelte.
class SondeoEnVentana final : public ObservadorSondeo {
public:
    using PonCifras = std::function<void(int, const EstadisticasFila&, bool)>;
    SondeoEnVentana(frmNalvora& ventana, std::vector<int> claves, PonCifras ponCifras)
        : ventana_(ventana), claves_(std::move(claves)), ponCifras_(std::move(ponCifras)) {}

    void FilaSondeada(int fila, const EstadisticasFila& cifras, bool hayTransacciones) override {
        EnFila(fila, [pon = ponCifras_, cifras, hayTransacciones](ListaDeConexiones&, int clave) {
            pon(clave, cifras, hayTransacciones);
        });
    }
    void ErrorDeApertura(int fila, const std::string& error) override {
        // La fila atenuada dice por qué en su ayuda emergente.
        EnFila(fila, [error](ListaDeConexiones& l, int clave) {
            l.PonAyuda(clave, "No se pudo abrir la conexión. " + error);
        });
    }
    void FilaSinConexion(int fila) override {
        EnFila(fila, [](ListaDeConexiones& l, int clave) { l.PonGhosted(clave); });
    }
    void FilaConError(int fila, const std::string& error) override {
        EnFila(fila, [error](ListaDeConexiones& l, int clave) { l.PonAyuda(clave, error); });
    }

private:
    template <typename Cambio> void EnFila(int fila, Cambio cambio) {
        ventana_.Publica([v = &ventana_, cambio, clave = claves_.at(static_cast<size_t>(fila - 1))] {
            cambio(v->Controles().List1(), clave);
        });
    }

    frmNalvora& ventana_;
    const std::vector<int> claves_;
    const PonCifras ponCifras_;
};

// Otro proceso retiene una base: la etiqueta de progreso lo dice mientras dura la espera.
void MuestraEspera(frmNalvora& ventana, ProgresoCorrida& progreso, const db::AvisoEspera& aviso) {
    ventana.Publica([p = &progreso, texto = aviso.Terminada ? std::string() : db::TextoEspera(aviso)] {
        p->Espera(texto);
    });
}

// Cada cambio de aspecto de un nodo se aplica en Lista; el paso que empieza se muestra en la lista
// y en la etiqueta de progreso.
class CorridaEnVentana final : public ObservadorCorrida {
public:
    CorridaEnVentana(frmNalvora& ventana, ProgresoCorrida& progreso)
        : ventana_(ventana), progreso_(progreso) {}

    void NodoCambiado(int posicion, const Nodo& nodo) override {
        ventana_.Publica([v = &ventana_, p = &progreso_, posicion, nodo] {
            ArbolDeTareas& lista = v->Controles().Lista();
            if (posicion < 1 || posicion > lista.Count()) {
                return;
            }
            if (nodo.Image == Imagen::Flecha) {
                p->Paso(nodo.Texto);
                lista.MuestraNodo(posicion);
            } else {
                p->Espera({});
            }
            lista.PonAspecto(posicion, {nodo.Texto, static_cast<int>(nodo.Image), nodo.Bold});
        });
    }
    void EsperaBaseOcupada(const db::AvisoEspera& aviso) override {
        MuestraEspera(ventana_, progreso_, aviso);
    }
    void LineaBitacora(const std::string&) override {
        ventana_.Publica([p = &progreso_] { p->Espera({}); });
    }
    void TareaSinConexion(int posicion, const std::string& error) override {
        ventana_.Publica([v = &ventana_, posicion, error] {
            ArbolDeTareas& lista = v->Controles().Lista();
            if (posicion >= 1 && posicion <= lista.Count()) {
                lista.PonAyuda(posicion, "El paso no corrió: no se pudo abrir su conexión. " + error);
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
    ListaDeConexiones& lista = c_.List1();
    std::vector<std::string> nombres;
    const std::vector<int> claves = lista.Filas();
    for (int clave : claves) {
        nombres.push_back(lista.Texto(clave));
    }
    auto observador = std::make_shared<SondeoEnVentana>(
        *this, claves, [this](int clave, const EstadisticasFila& cifras, bool hayTransacciones) {
            ListaDeConexiones& l = c_.List1();
            const std::string* textos[] = {&cifras.Tamano, &cifras.MenorChecada, &cifras.MayorChecada,
                                           &cifras.MenorKardex, &cifras.MayorKardex};
            for (int columna = 1; columna <= 5; ++columna) {
                l.PonCelda(clave, columna, *textos[columna - 1]);
            }
            filas_[clave].HayTransacciones = hayTransacciones;
            l.PonAyuda(clave, ""); // un error de un sondeo anterior ya no describe la fila
        });
    IniciaOperacion(
        [this, nombres, observador] {
            ModNalvora modulo(registro_);
            ov::ActualizaEstadisticas(modulo, nombres, *observador);
        },
        [this](std::exception_ptr error) {
            if (error) {
                Advierte("El sondeo de las bases se interrumpió por un error inesperado: " +
                         TextoDeExcepcion(error));
            }
        },
        kCierreEnSondeo);
}

ResultadoCorrida frmNalvora::CorreDepuracion(Plan& plan, const Rango& rango, ObservadorCorrida& observador) {
    ModNalvora modulo(registro_);
    Depuracion depuracion(modulo, Log(), observador);
    depuracion.FijaArchivo(RutaDeUtf8(carpetaArchivo_)); // no cambia mientras la ventana está bloqueada
    return depuracion.Corre(plan, rango);
}

std::vector<CuentaConexion> frmNalvora::CuentaFilas(const Plan& plan, const Rango& rango) {
    ModNalvora modulo(registro_);
    modulo.FijaAvisoEspera([this](const db::AvisoEspera& a) { MuestraEspera(*this, progreso_, a); });
    return CuentaLoQueSeElimina(modulo, plan, rango);
}

void frmNalvora::EjecutaProceso() {
    if (bloqueada_) {
        return; // ya hay una operación en curso: ni preguntas ni progreso
    }
    const Rango rango{c_.DTPicker1(0).Value(), c_.DTPicker1(1).Value()};
    if (const auto rechazo = RevisaRango(rango)) {
        Advierte(*rechazo);
        return;
    }
    if (!cajas_.PreguntaSiNo(TextoPrimeraPregunta(c_.lblImportante().Caption()), kTituloPreguntas)) {
        ActualizaEstadisticas();
        return;
    }
    // El obrero trabaja sobre una copia con las marcas del operador; la ventana no comparte nada con él.
    auto copia = std::make_shared<Plan>(Tareas);
    LeeMarcas(*copia);
    // Contar puede tardar en una base grande: en el obrero, con la ventana viva.
    auto cuentas = std::make_shared<std::vector<CuentaConexion>>();
    progreso_.Contando();
    IniciaOperacion([this, copia, cuentas, rango] { *cuentas = CuentaFilas(*copia, rango); },
                    [this, copia, cuentas, rango](std::exception_ptr error) {
                        if (error) {
                            Advierte("No se pudieron contar las filas: " + TextoDeExcepcion(error) +
                                     " No se eliminó nada.");
                            ActualizaEstadisticas();
                            return;
                        }
                        PreguntaYCorre(copia, rango, *cuentas);
                    });
}

void frmNalvora::PreguntaYCorre(std::shared_ptr<Plan> copia, const Rango& rango,
                                const std::vector<CuentaConexion>& cuentas) {
    const std::string pregunta = TextoSegundaPregunta(rango, c_.Label1().Caption());
    // Sin pasos que eliminen no hay nada que guardar: el párrafo del archivo solo confundiría.
    const std::string archivo = cuentas.empty() ? std::string() : ParrafoArchivo(carpetaArchivo_);
    if (!cajas_.PreguntaSiNo(SegundaPreguntaConRecuento(pregunta, cuentas) + archivo, kTituloPreguntas)) {
        ActualizaEstadisticas();
        return;
    }
    auto resultado = std::make_shared<ResultadoCorrida>();
    auto observador = std::make_shared<CorridaEnVentana>(*this, progreso_);
    progreso_.Inicia(Marcados(*copia));
    IniciaOperacion([this, copia, resultado, observador,
                     rango] { *resultado = CorreDepuracion(*copia, rango, *observador); },
                    [this, copia, resultado](std::exception_ptr error) {
                        // Sentencias, errores y aspectos vuelven al plan de la ventana; no se reconstruye.
                        Tareas = std::move(*copia);
                        AlTerminarCorrida(*resultado, error);
                    });
}

void frmNalvora::AlTerminarCorrida(const ResultadoCorrida& resultado, std::exception_ptr error) {
    if (error) {
        const std::string texto =
            "La depuración se interrumpió por un error inesperado: " + TextoDeExcepcion(error) +
            " Revise la lista de tareas y la bitácora antes de volver a depurar.";
        Log().Linea(texto);
        Advierte(texto);
    } else if (!resultado.ConexionConSobrante.empty()) {
        OfreceReponer(resultado);
        return;
    } else if (resultado.MensajeEsAdvertencia) {
        Advierte(resultado.Mensaje);
    } else {
        cajas_.Informa(resultado.Mensaje, c_.Caption());
    }
    ActualizaEstadisticas();
}

} // namespace ov::app
