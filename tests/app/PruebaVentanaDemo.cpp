// El comportamiento de la ventana sobre la demostración, con controles que anotan: sondeo, cuentas,
// corridas en el obrero, fallas, pasos sin conexión y la reposición de un sobrante.
#include "ControlesDeRegistro.h"
#include "apoyo/BaseSqlite.h"
#include "app/AjustesUsuario.h"
#include "connections/ArchivoReg.h"
#include "purge/Rango.h"

#include <gtest/gtest.h>
#include <regex>
#include <stdexcept>
#include <thread>

using namespace ov;
using namespace ov::prueba;
using namespace std::chrono;

namespace {

const RelojFijo kReloj(ConHora(Fecha{year{2026} / 12 / 6}, 10, 0));
const Rango kMarzo{Fecha{year{2025} / 3 / 1}, Fecha{year{2025} / 3 / 31}};
const std::string kCabeceraCuentas = "Filas que se eliminarán, de las que hay en cada tabla:\r\n";
std::string Linea(const std::string& texto) {
    return "2026-12-06 10:00\t" + texto + "\r\n";
}

const db::AvisoEspera kEspera{"Planta Sur", seconds(5), seconds(60)};

// La demostración en una carpeta propia; la ventana lee su orvalo.reg y escribe su bitácora ahí.
struct Carpetas {
    CarpetaTemporal carpeta;
    std::filesystem::path demo = carpeta / "demo", norte = demo / "orvalo_norte.db",
                          sur = demo / "orvalo_sur.db";
    ArchivoReg registro{(GeneraDemo(demo, 3000), demo / "orvalo.reg")};
};
struct Demo : Carpetas, Ventana {
    Demo() : Ventana(kReloj, carpeta.Ruta(), registro) {
        f->Real = true;
        // otro proceso retiene la base al empezar
        f->AntesDeCorrer = [](ObservadorCorrida& o) { o.EsperaBaseOcupada(kEspera); };
        f->Form_Activate();
        EXPECT_TRUE(c.EsperaA([this] { return !f->Bloqueada(); }));
    }
    void Fechas(const Rango& r) {
        c.Desde.Valor = r.Desde;
        c.Hasta.Valor = r.Hasta;
    }
};

} // namespace

TEST(VentanaDemo, ElSondeoLlenaCadaFilaYDiceLoQueNoAbre) {
    Demo d;
    ListaR& l = d.c.List1R;
    // Las cifras ya las prueba el sondeo; aquí, que cada fila recibe las suyas. Norte las toma de
    // "Transacciones", Sur de checadas.
    EXPECT_EQ(l.En(0).Celdas[2],
              BaseSqlite(d.norte).Valor("SELECT substr(min(fechayhora), 1, 16) FROM transacciones"));
    EXPECT_EQ(l.En(1).Celdas[2],
              BaseSqlite(d.sur).Valor("SELECT substr(min(fechayhora), 1, 16) FROM checadas"));
    EXPECT_TRUE(!l.En(0).Ghosted && !l.En(1).Ghosted && l.En(2).Ghosted && l.En(2).Celdas[1].empty());
    EXPECT_EQ(l.En(2).Ayuda.rfind("No se pudo abrir la conexión. ", 0), 0u);
    EXPECT_TRUE(d.cajas.Mensajes.empty() && d.f->Sondeos == 1);
    d.c.Marca(0);
    d.c.Marca(1);
    EXPECT_EQ(d.f->Tareas.TareaEn(1).Clave, "TRANSACCIONES");
    EXPECT_EQ(d.f->Tareas.TareaEn(9).Clave, "CHECADAS");

    // Desde después de Hasta: un aviso y nada más, ni preguntas ni sondeo.
    d.Fechas({Fecha{year{2025} / 4 / 1}, Fecha{year{2025} / 3 / 31}});
    d.cajas.Respuestas = {true, true};
    d.f->btnIniciar_Click();
    EXPECT_TRUE(d.cajas.Mensajes.size() == 1 && d.cajas.Mensajes[0].Tipo == "advierte" && d.f->Sondeos == 1);
    d.Fechas(kMarzo);
    // Cerrar mientras se leen las estadísticas lo dice así; el cierre se rechaza.
    d.f->ActualizaEstadisticas();
    EXPECT_FALSE(d.f->PideCierre());
    EXPECT_EQ(d.c.AvisoDeCierre, kCierreEnSondeo);
    ASSERT_TRUE(d.c.EsperaA([&] { return !d.f->Bloqueada(); }));
    // No a la primera pregunta: solo el sondeo; Norte sin kardex dice el error y conserva sus cifras.
    const std::string tamanoNorte = l.En(0).Celdas[1];
    BaseSqlite(d.norte).Ejecuta("DROP TABLE kardex");
    BaseSqlite(d.sur).Ejecuta("DELETE FROM checadas");
    ASSERT_TRUE(d.Inicia(3, {}));
    EXPECT_EQ(d.cajas.Mensajes.back().Texto, TextoPrimeraPregunta(kCaptionImportante));
    EXPECT_EQ(l.En(0).Celdas[1], tamanoNorte);
    EXPECT_TRUE(Tiene(l.En(0).Ayuda, "kardex"));
    EXPECT_TRUE(l.En(1).Celdas[2].empty() && l.En(1).Ayuda.empty()); // checadas vacía: sin fechas
    EXPECT_EQ(d.c.ListaR_.Count(), 16); // el sondeo escribe en filas marcadas sin rehacer el plan
    EXPECT_EQ(d.Bitacora(), kBannerInicio + "\r\n" + Linea("Inicia programa. v2.2.0"));
}

TEST(VentanaDemo, CorridasDesdeLaVentana) {
    Demo d;
    const long long fueraDeMarzo =
        BaseSqlite(d.sur).Cuenta("SELECT count(*) FROM checadas WHERE fechayhora < '2025-03-01' OR "
                                 "fechayhora >= '2025-04-01' OR fechayhora IS NULL");
    d.c.Marca(0);
    d.c.Marca(1);
    ArbolR& a = d.c.ListaR_;
    for (int k = 9; k <= 16; ++k) {
        a.PonChecked(k, true); // solo Planta Sur
    }
    d.Fechas(kMarzo);
    {
        // Otro proceso retiene Sur mientras se cuenta: la etiqueta lo dice hasta que la suelta.
        BaseSqlite otra(d.sur);
        otra.Ejecuta("BEGIN EXCLUSIVE");
        std::jthread suelta([&otra] {
            std::this_thread::sleep_for(milliseconds(1500));
            otra.Ejecuta("COMMIT");
        });
        ASSERT_TRUE(d.Inicia(2));
    }
    ASSERT_EQ(d.cajas.Mensajes.size(), 3u);
    // Las cuentas, solo de la conexión con pasos marcados.
    EXPECT_TRUE(d.cajas.Mensajes[1].Texto.starts_with(TextoSegundaPregunta(kMarzo, kCaptionLabel1) +
                                                      "\r\n\r\n" + kCabeceraCuentas +
                                                      "Planta Sur: checadas "));
    EXPECT_FALSE(Tiene(d.cajas.Mensajes[1].Texto, "Planta Norte"));
    EXPECT_EQ(d.cajas.Mensajes[2].Tipo + d.cajas.Mensajes[2].Titulo + d.cajas.Mensajes[2].Texto,
              "informa" + kCaption + kMensajeTerminado);
    EXPECT_TRUE(d.c.Label2R.Progreso.empty() && !d.c.SegunderoR.Enabled()); // la etiqueta volvió a su texto
    // La espera se ve en la etiqueta mientras dura: al soltarse la base vuelve lo que se hacía; en la
    // corrida, la quita también el siguiente aviso.
    const auto& etiqueta = d.c.Label2R.Historial;
    auto trasEspera = [&etiqueta](const db::AvisoEspera& aviso) {
        const auto i =
            std::find_if(std::find(etiqueta.begin(), etiqueta.end(), db::TextoEspera(aviso)), etiqueta.end(),
                         [](const std::string& e) { return !e.starts_with("La base de "); });
        return i == etiqueta.end() ? std::string() : i->substr(0, 9);
    };
    EXPECT_EQ(trasEspera({"Planta Sur", 0s, 60s}), "Contando ");
    EXPECT_EQ(trasEspera(kEspera), "Iniciando");
    // Cada nodo marcado pasó por En proceso y Terminado, se mostró al empezar, y así se queda; en la
    // bitácora, sus dos líneas seguidas y, tras cada tabla depurada, una con sus cifras.
    const std::string bitacora = d.Bitacora();
    for (int k = 9; k <= 16; ++k) {
        const Tarea& t = d.f->Tareas.TareaEn(k);
        EXPECT_EQ(a.N(k).Aspecto.Texto, t.Terminado);
        EXPECT_EQ(a.N(k).Historial, (std::vector<std::pair<int, bool>>{{0, false}, {2, true}, {3, false}}));
        EXPECT_TRUE(a.N(k).Checked && !t.Sentencia.empty());
        EXPECT_TRUE(Tiene(bitacora, Linea(t.EnProceso) + Linea(t.Terminado))) << k;
    }
    EXPECT_EQ(a.N(1).Historial.size(), 1u); // sin marcar: no corrió
    EXPECT_EQ(a.Mostrados, (std::vector<int>{9, 10, 11, 12, 13, 14, 15, 16}));
    const std::regex cifras(" filas eliminadas, ");
    EXPECT_EQ(std::distance(std::sregex_iterator(bitacora.begin(), bitacora.end(), cifras), {}), 3);
    EXPECT_EQ(BaseSqlite(d.sur).Cuenta("SELECT count(*) FROM checadas"), fueraDeMarzo);

    // Una bitácora sin su columna de fecha: el quinto paso falla con su texto y los demás corren.
    BaseSqlite(d.sur).Ejecuta("ALTER TABLE bitacora RENAME COLUMN fechahora TO dia");
    ASSERT_TRUE(d.Inicia(3));
    for (int k = 9; k <= 16; ++k) {
        EXPECT_EQ(a.N(k).Aspecto.Imagen, k == 13 ? 5 : 3);
    }
    EXPECT_EQ(a.N(13).Aspecto.Texto, TextoFalla(d.f->Tareas.TareaEn(13)));
    EXPECT_TRUE(Tiene(a.N(13).Aspecto.Texto, "fechahora"));
    EXPECT_EQ(d.cajas.Mensajes.back().Tipo, "advierte");
    EXPECT_TRUE(Tiene(d.cajas.Mensajes.back().Texto, "no terminaron bien"));

    // Lo que escapa del obrero: la ventana se desbloquea, lo dice en español, lo anota y sondea.
    d.f->AntesDeCorrer = [](ObservadorCorrida&) {
        throw std::runtime_error("se agotó la memoria del obrero");
    };
    ASSERT_TRUE(d.Inicia(4));
    EXPECT_TRUE(Tiene(d.cajas.Mensajes.back().Texto, "error inesperado: se agotó la memoria del obrero"));
    EXPECT_TRUE(Tiene(d.Bitacora(), d.cajas.Mensajes.back().Texto));
}

// La conexión que no abre dice por qué en todas partes; sin pasos marcados, que no se elimina nada.
TEST(VentanaDemo, PasoSinConexionYNadaQueCorrer) {
    Demo d;
    const std::string prefijo = "No se pudo abrir la conexión. ";
    const std::string error = d.c.List1R.En(2).Ayuda.substr(prefijo.size());
    ASSERT_GT(error.size(), 5u);
    d.c.Marca(2);
    d.f->Lista_MenuContextual(1);
    d.c.ListaR_.AlElegir(2);  // los pasos de Corporativo SQL
    ASSERT_TRUE(d.Inicia(2)); // su línea en la segunda pregunta la prueba el recuento
    // El paso se queda En proceso, como siempre; su ayuda emergente y la bitácora dicen por qué.
    const auto& paso = d.c.ListaR_.N(1);
    EXPECT_TRUE(paso.Aspecto.Imagen == 2 && paso.Aspecto.Bold);
    EXPECT_EQ(paso.Ayuda, "El paso no corrió: no se pudo abrir su conexión. " + error);
    EXPECT_TRUE(Tiene(d.Bitacora(),
                      Linea("No se pudo abrir la conexión Corporativo SQL; el paso no corrió. " + error)));
    const auto& final = d.cajas.Mensajes.back();
    EXPECT_EQ(final.Tipo, "advierte");
    EXPECT_TRUE(Tiene(final.Texto, kMensajeSinConexion) && Tiene(final.Texto, kMensajeNadaCorrio));

    // Sur sin ningún paso marcado, y luego sin conexiones marcadas: nada que contar ni que correr.
    d.c.Marca(2, false);
    d.c.Marca(1);
    for (int sondeos : {3, 4}) {
        ASSERT_TRUE(d.Inicia(sondeos));
        const auto& m = d.cajas.Mensajes;
        EXPECT_TRUE(m[m.size() - 2].Texto.ends_with("\r\n\r\nNo hay marcado ningún paso que elimine datos: "
                                                    "no se eliminará ninguna fila."));
        EXPECT_EQ(m.back().Tipo + m.back().Texto,
                  "informa" + std::string(kMensajeTerminado) + "\r\n" + kMensajeNadaCorrio);
        d.c.Marca(1, false);
    }
}

// Filas que otra corrida dejó en orvalo_temp al rechazar la de Planta Norte: con origen, solo se
// ofrece su base; sin él, se pregunta por cada conexión de la carpeta y nunca se ponen en la marcada
// sin que el operador la nombre; descartar solo con un Sí explícito.
TEST(VentanaDemo, UnSobranteSeReponeOSeDescartaDondeElOperadorDice) {
    const std::string sur = "Son de la conexión Planta Sur", pn = "¿Son de Planta Norte?",
                      ps = "¿Son de Planta Sur?", siempre = "para siempre";
    // Con origen o sin él, de quién es cada pregunta de la oferta y si a la última se dice Sí.
    const std::tuple<bool, std::vector<std::string>, bool> casos[] = {{true, {sur, siempre}, false},
                                                                      {true, {sur}, true},
                                                                      {false, {pn, ps, siempre}, false},
                                                                      {false, {pn, ps}, true},
                                                                      {false, {pn, ps, siempre}, true}};
    Demo d;
    d.c.Marca(0);
    d.c.ListaR_.PonChecked(1, true);
    const auto temporal = d.demo / "orvalo_temp.db";
    long long total = BaseSqlite(d.sur).Cuenta("SELECT count(*) FROM checadas");
    const std::string norte = BaseSqlite(d.norte).Huella("transacciones");
    int sondeos = 1;
    for (const auto& [conOrigen, preguntas, siAlFinal] : casos) {
        SCOPED_TRACE(preguntas.front() + (siAlFinal ? ", sí" : ", no"));
        const bool repone = siAlFinal && preguntas.back() != siempre;
        const std::string antes =
            "fechayhora < '" +
            BaseSqlite(d.sur).Valor("SELECT date(min(fechayhora), '+90 days') FROM checadas") + "'";
        const long long copiadas = DejaSobrante(d.sur, antes, conOrigen, antes);
        ASSERT_GT(copiadas, 0);
        d.cajas.Mensajes.clear();
        std::deque<bool> respuestas(2 + preguntas.size(), true); // los dos Sí de Iniciar, luego la oferta
        std::fill(respuestas.begin() + 2, respuestas.end() - 1, false);
        respuestas.back() = siAlFinal;
        ASSERT_TRUE(d.Inicia(++sondeos, respuestas));
        const auto& m = d.cajas.Mensajes;
        ASSERT_EQ(m.size(), 2 + preguntas.size() + siAlFinal);
        for (size_t i = 0; i < preguntas.size(); ++i) {
            const std::string& texto = m[2 + i].Texto;
            EXPECT_TRUE(Tiene(texto, preguntas[i])) << texto << m.back().Texto;
            // Para quien usa la ventana: sus filas por tabla, sin opciones de la línea de órdenes ni tablas
            // internas.
            EXPECT_TRUE(Tiene(texto, "checadas: " + std::to_string(copiadas) + " filas del ")) << texto;
            EXPECT_FALSE(Tiene(texto, "--") || Tiene(texto, kTablaOrigen));
        }
        EXPECT_EQ(BaseSqlite(d.norte).Huella("transacciones"), norte);
        EXPECT_EQ(BaseSqlite(d.sur).Cuenta("SELECT count(*) FROM checadas"),
                  repone ? total : total - copiadas);
        EXPECT_EQ(std::filesystem::exists(temporal), !siAlFinal);
        if (siAlFinal) {
            EXPECT_EQ(m.back().Tipo, "informa");
            EXPECT_TRUE(Tiene(m.back().Texto, repone ? "filas repuestas" : "Se descartaron"));
            EXPECT_TRUE(Tiene(m.back().Texto, "no se inició; oprima Iniciar"));
        }
        std::filesystem::remove(temporal);
        total = BaseSqlite(d.sur).Cuenta("SELECT count(*) FROM checadas");
    }
}

// La carpeta del archivo se elige en el menú de Lista y se recuerda; la segunda pregunta dice adónde van
// las filas, y la corrida las guarda ahí. "No guardar" la olvida.
TEST(VentanaDemo, LaCarpetaDelArchivoSeEligeSeRecuerdaYRecibeLoEliminado) {
    Demo d;
    const std::string carpeta = (d.carpeta / "archivo").string();
    d.c.Marca(1);
    ArbolR& a = d.c.ListaR_;
    a.PonChecked(5, true); // la bitácora de Planta Sur
    d.c.CarpetaQueSeElige = carpeta;
    d.f->Lista_MenuContextual(5);
    a.AlElegir(static_cast<int>(a.Menu.size()) - 1);
    EXPECT_EQ(d.c.Ajustes[app::kAjusteCarpetaArchivo], carpeta);
    d.Fechas(kMarzo);
    ASSERT_TRUE(d.Inicia(2));
    EXPECT_TRUE(d.cajas.Mensajes[1].Texto.ends_with(
        "\r\n\r\nAntes de eliminarlas, las filas se guardarán en un archivo de la carpeta " + carpeta + "."));
    const auto archivo = carpeta + "/Planta_Sur-20261206-100000.db";
    EXPECT_EQ(BaseSqlite(archivo).Valor("SELECT estado FROM ovnalvora_tablas WHERE tabla = 'bitacora'"),
              "depurada");
    // Otra ventana la toma de los ajustes; "No guardar lo eliminado" la olvida.
    EXPECT_EQ(
        app::frmNalvora(app::DependenciasVentana{d.c, d.cajas, d.c, kReloj, d.carpeta.Ruta(), d.registro})
            .CarpetaArchivo(),
        carpeta);
    d.f->Lista_MenuContextual(5);
    EXPECT_EQ(a.Menu.back(), "No guardar lo eliminado");
    a.AlElegir(static_cast<int>(a.Menu.size()) - 1);
    EXPECT_EQ(d.f->CarpetaArchivo(), "");
    EXPECT_EQ(d.c.Ajustes[app::kAjusteCarpetaArchivo], "");
    EXPECT_EQ(d.c.CarpetasPreguntadas, std::vector<std::string>{""});
}
