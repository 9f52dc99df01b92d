// Lo que la ventana ofrece cuando una corrida se rechaza porque orvalo_temp guarda filas: reponerlas
// en la base a la que pertenecen, que el operador elige a sabiendas, o descartarlas.
#include "app/frmNalvora.h"

namespace ov::app {

namespace {

constexpr const char* kNoSeInicio = "\r\n\r\nLa depuración no se inició; oprima Iniciar para iniciarla.";

std::string Tablas(const EstadoTemporal& e) {
    std::string texto;
    for (const auto& t : e.Tablas) {
        texto += "\r\n    " + t.Nombre + ": " + std::to_string(t.Filas) + " filas" +
                 (t.Desde.empty() ? std::string() : " del " + t.Desde + " al " + t.Hasta);
    }
    return texto;
}

std::string Introduccion(const SobranteParaElegir& s) {
    return "La depuración no se inició: la base temporal orvalo_temp de " + s.Estado.Lugar +
           " guarda filas de una depuración que no terminó:" + Tablas(s.Estado) +
           (s.Desde.empty() || s.Estado.Tablas.size() < 2
                ? std::string()
                : "\r\nSus fechas van del " + s.Desde + " al " + s.Hasta + ".");
}

} // namespace

void frmNalvora::OfreceReponer(const ResultadoCorrida& rechazo) {
    auto descrito = std::make_shared<std::variant<SobranteParaElegir, std::string>>();
    IniciaOperacion(
        [this, descrito, conexion = rechazo.ConexionConSobrante] {
            ModNalvora modulo(registro_);
            *descrito = DescribeSobrante(modulo, conexion);
        },
        [this, descrito](std::exception_ptr error) {
            const auto* s = std::get_if<SobranteParaElegir>(descrito.get());
            if (error || !s) {
                // El rechazo del núcleo habla de órdenes de la línea de comandos: aquí no sirve.
                Advierte("La base temporal orvalo_temp guarda filas de una depuración que no terminó y "
                         "no se pudo revisar: " +
                         (error ? TextoDeExcepcion(error) : std::get<std::string>(*descrito)) + kNoSeInicio);
                ActualizaEstadisticas();
                return;
            }
            PreguntaPorSobrante(*s);
        });
}

void frmNalvora::PreguntaPorSobrante(const SobranteParaElegir& s) {
    const std::string intro = Introduccion(s);
    std::optional<std::string> elegida;
    if (s.DeOrigen) {
        if (cajas_.PreguntaSiNo(intro + "\r\n\r\nSon de la conexión " + *s.DeOrigen +
                                    ". ¿Desea reponerlas ahora en su base?",
                                kTituloPreguntas)) {
            elegida = s.DeOrigen;
        }
    } else if (!s.Estado.origen) {
        // Sin origen, solo van a la base que el operador nombre: una pregunta por cada candidata.
        for (const auto& candidata : s.Candidatas) {
            if (cajas_.PreguntaSiNo(intro + "\r\n\r\nNo se sabe de qué base son. ¿Son de " + candidata +
                                        "? Con Sí se reponen en la base de " + candidata + ".",
                                    kTituloPreguntas)) {
                elegida = candidata;
                break;
            }
        }
    }
    if (!elegida &&
        !cajas_.PreguntaSiNo(intro + "\r\n\r\nNo se repondrán. ¿Desea descartarlas? Se borran para siempre y "
                                     "no se podrán recuperar.",
                             kTituloPreguntas)) {
        ActualizaEstadisticas();
        return;
    }
    ReponeODescarta(s, elegida);
}

void frmNalvora::ReponeODescarta(const SobranteParaElegir& s, std::optional<std::string> elegida) {
    auto resultado = std::make_shared<ResultadoReposicion>();
    IniciaOperacion(
        [this, resultado, s, elegida] {
            ModNalvora modulo(registro_);
            const auto registra = [this](const std::string& l) { Log().Linea(l); };
            *resultado = elegida ? ReponeEnLaElegida(modulo, s, elegida, registra)
                                 : DescartaTemporal(modulo, s.Conexion, registra);
        },
        [this, resultado, s, descarta = !elegida](std::exception_ptr error) {
            std::string texto;
            if (error) {
                texto = "La operación sobre la base temporal se interrumpió por un error inesperado: " +
                        TextoDeExcepcion(error);
                Log().Linea(texto);
            } else if (descarta && resultado->Bien) {
                texto = "Se descartaron las filas de la base temporal orvalo_temp de " + s.Estado.Lugar +
                        ":" + Tablas(s.Estado);
            } else {
                for (const auto& l : resultado->Lineas) {
                    texto += (texto.empty() ? "" : "\r\n") + l;
                }
            }
            texto += kNoSeInicio;
            if (error || !resultado->Bien) {
                Advierte(texto);
            } else {
                cajas_.Informa(texto, c_.Caption());
            }
            ActualizaEstadisticas();
        });
}

} // namespace ov::app
