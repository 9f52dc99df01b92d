#include "cli/Comandos.h"
#include "connections/Estadisticas.h"
#include "db/Espera.h"
#include "log/EscribeLog.h"
#include "log/Reloj.h"
#include "log/Rutas.h"
#include "purge/Archivo.h"
#include "purge/AvisoFinal.h"
#include "purge/Dialecto.h"
#include "purge/EjecutaProceso.h"
#include "purge/Recuento.h"

#include <algorithm>
#include <istream>
#include <memory>
#include <ostream>

namespace ov {

namespace {

// Con la base retenida por otro proceso el catálogo de ODBC sale vacío y sin error (una base de Orvalo
// siempre tiene tablas): entonces se pregunta con una consulta, que espera a la base lo dicho y lo avisa.
// Si la espera se agota, la tarea vuelve a revisar la tabla bajo su candado.
bool HayTransacciones(db::Conexion& cn) {
    if (const auto tablas = cn.Tablas(); !tablas.empty()) {
        return ExisteTablaTransacciones(tablas);
    }
    try {
        return DialectoPara(cn)->HayTransacciones(cn);
    } catch (const db::ErrorBD& e) {
        if (!db::EsEsperaAgotada(e)) {
            throw;
        }
        return false;
    }
}

// La entrada que abriría AbreConexion con ese nombre: la de número menor.
const EntradaConexion* Busca(const std::vector<EntradaConexion>& entradas, const std::string& nombre) {
    const std::string buscado = NombreComparable(nombre);
    for (const auto& e : entradas) {
        if (NombreComparable(e.Name) == buscado) {
            return &e;
        }
    }
    return nullptr;
}

class ObservadorConsola final : public ObservadorCorrida {
public:
    explicit ObservadorConsola(std::ostream& salida) : salida_(salida) {}
    void NodoCambiado(int, const Nodo&) override {}
    void LineaBitacora(const std::string& linea) override { salida_ << linea << '\n' << std::flush; }
    void EsperaBaseOcupada(const db::AvisoEspera& a) override { DiceEspera(salida_, a); }

private:
    std::ostream& salida_;
};

// Los textos de la ventana llevan CRLF; en la consola, el salto de línea de siempre.
std::string SaltosDeConsola(std::string texto) {
    for (size_t p = texto.find("\r\n"); p != std::string::npos; p = texto.find("\r\n", p)) {
        texto.erase(p, 1);
    }
    return texto;
}

} // namespace

void DiceEspera(std::ostream& salida, const db::AvisoEspera& aviso) {
    if (const auto linea = db::LineaDeEspera(aviso)) {
        salida << *linea << '\n' << std::flush;
    }
}

bool PreguntaEnTerminal(EntornoConsola& entorno, const std::string& texto) {
    entorno.salida << kTituloPreguntas << ": " << SaltosDeConsola(texto) << "\n(s/n): " << std::flush;
    std::string respuesta;
    if (!std::getline(entorno.entrada, respuesta)) {
        return false;
    }
    return respuesta == "s" || respuesta == "S";
}

std::function<void(const std::string&)> RegistroEnConsola(EntornoConsola& entorno) {
    const Reloj& reloj = entorno.reloj ? *entorno.reloj : RelojDelSistema();
    auto bitacora = std::make_shared<const Bitacora>(RutaLogDe(entorno.carpetaPrograma), reloj);
    return [&entorno, &reloj, bitacora](const std::string& texto) {
        bitacora->Linea(texto);
        entorno.salida << LineaConHora(reloj, texto) << '\n';
    };
}

int ComandoDepurar(const Opciones& o, const Registro& registro, EntornoConsola& entorno) {
    const auto desde = LeeFecha(o.desde);
    const auto hasta = LeeFecha(o.hasta);
    if (!desde || !hasta) {
        entorno.errores << "Fecha no válida: " << (!desde ? o.desde : o.hasta) << ". Use AAAA-MM-DD.\n";
        return 2;
    }
    const Rango rango{*desde, *hasta};
    if (const auto error = RevisaRango(rango)) {
        entorno.errores << *error << '\n';
        return 2;
    }

    const auto entradas = Conexiones(registro);
    ModNalvora modulo(registro);
    modulo.FijaEspera(o.espera);
    // También lo que se cuenta para la segunda pregunta espera a una base retenida, y lo dice.
    modulo.FijaAvisoEspera([&entorno](const db::AvisoEspera& a) { DiceEspera(entorno.salida, a); });
    std::vector<FilaConexion> filas;
    for (const auto& nombre : o.conexiones) {
        const EntradaConexion* e = Busca(entradas, nombre);
        if (!e) {
            entorno.errores << "No existe la conexión " << nombre << ".\n";
            return 2;
        }
        FilaConexion fila{e->Name, true, false};
        if (modulo.AbreConexion(e->Name) == 0) {
            try {
                fila.HayTransacciones = HayTransacciones(modulo.cnBD());
                modulo.cnBD().Close();
            } catch (const db::ErrorBD& error) {
                entorno.errores << "No se pudo revisar las tablas de " << e->Name << ": " << error.Descripcion
                                << "\n";
                return 2;
            }
        }
        filas.push_back(fila);
    }
    if (const auto error = RevisaLimiteDelPlan(filas)) {
        entorno.errores << *error << '\n';
        return 2;
    }
    Plan plan;
    plan.Reconstruye(filas);
    for (int k = 1; k <= plan.Count(); ++k) {
        const int paso = (k - 1) % kPasosPorConexion + 1;
        plan.NodoEn(k).Checked =
            o.pasos.empty() || std::find(o.pasos.begin(), o.pasos.end(), paso) != o.pasos.end();
    }

    if (o.simular) {
        const int codigo = ComandoSimular(plan, rango, o.estrategia, registro, entorno);
        // Como comentario de SQL: el guion se sigue pudiendo correr tal cual.
        for (int k = 1; !o.archivo.empty() && k <= plan.Count(); k += kPasosPorConexion) {
            entorno.salida << "-- Las filas que se eliminen de " << plan.TareaEn(k).Conexion << " irían a "
                           << Utf8DeRuta(RutaDeUtf8(o.archivo) /
                                         RutaDeUtf8(NombreArchivo(
                                             plan.TareaEn(k).Conexion,
                                             (entorno.reloj ? *entorno.reloj : RelojDelSistema()).Ahora())))
                           << "; no se escribió nada.\n";
        }
        return codigo;
    }
    if (!o.si) {
        if (!entorno.hayTerminal) {
            entorno.errores
                << "No hay una terminal para confirmar; use --si para responder Sí a las preguntas.\n";
            return 2;
        }
        // La segunda pregunta lleva lo que se contó después del primer Sí, como en la ventana.
        const auto segunda = [&] {
            const auto cuentas = CuentaLoQueSeElimina(modulo, plan, rango);
            return SegundaPreguntaConRecuento(TextoSegundaPregunta(rango, kCaptionLabel1), cuentas) +
                   (cuentas.empty() ? std::string() : ParrafoArchivo(o.archivo));
        };
        if (!PreguntaEnTerminal(entorno, TextoPrimeraPregunta(kCaptionImportante)) ||
            !PreguntaEnTerminal(entorno, segunda())) {
            entorno.salida << "No se depuró nada.\n";
            return 1;
        }
    }

    const Reloj& reloj = entorno.reloj ? *entorno.reloj : RelojDelSistema();
    const Bitacora bitacora(RutaLogDe(entorno.carpetaPrograma), reloj);
    ObservadorConsola observador(entorno.salida);
    Depuracion depuracion(modulo, bitacora, observador);
    depuracion.FijaEstrategia(o.estrategia);
    depuracion.FijaArchivo(RutaDeUtf8(o.archivo));
    const auto resultado = depuracion.Corre(plan, rango);
    if (resultado.fin == ResultadoCorrida::Fin::Rechazada) {
        entorno.errores << resultado.Mensaje << '\n';
        return 2;
    }
    // El resumen va siempre a la salida, tras las líneas de la bitácora, haya ido bien o mal; el código
    // de salida dice cuál.
    entorno.salida << SaltosDeConsola(AvisoFinal(resultado, DestinoAviso::Consola)) << '\n';
    const bool bien = resultado.fin == ResultadoCorrida::Fin::Terminada && resultado.TodasTerminadas &&
                      resultado.Pendientes.empty();
    return bien ? 0 : 1;
}

} // namespace ov
