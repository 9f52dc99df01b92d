// El comportamiento de la ventana sobre controles que anotan, sin bases: carga y salida, parpadeo,
// bloqueo, plan, menú, orden, progreso y fechas tecleadas.
#include "ControlesDeRegistro.h"
#include "connections/ArchivoReg.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace ov;
using namespace ov::prueba;
using namespace std::chrono;

namespace {

// Un día que no es hoy: las fechas de la ventana deben salir del reloj inyectado.
const RelojFijo kReloj(ConHora(Fecha{year{2031} / 3 / 15}, 10, 20));
const Fecha kHoy{year{2031} / 3 / 15};
const ArchivoReg kSinConexiones("/no/existe/orvalo.reg");
const std::string kInicio = kBannerInicio + "\r\n2031-03-15 10:20\tInicia programa. v2.2.0\r\n";
const std::string kCuatroLineas = kInicio + "2031-03-15 10:20\tTermina programa.\r\n" + kBannerFin + "\r\n";

struct SinConexiones : CarpetaTemporal, Ventana {
    SinConexiones() : Ventana(kReloj, Ruta(), kSinConexiones) {}
};

} // namespace

TEST(Ventana, DeLaCargaALaSalidaLaBitacoraTieneCuatroLineas) {
    for (const std::string salida :
         {"Salir", "cuadro de cierre", "ventana destruida", "bitacora imposible"}) {
        SCOPED_TRACE(salida);
        CarpetaTemporal carpeta;
        // La bitácora imposible: la carpeta del programa es un archivo y Log no se crea, ni siendo root.
        const bool imposible = salida == "bitacora imposible";
        const auto programa = imposible ? carpeta / "programa" : carpeta.Ruta();
        if (imposible) {
            EscribeArchivo(programa, "no soy carpeta");
        }
        Ventana v(kReloj, programa, kSinConexiones);
        EXPECT_TRUE(v.c.Desde.Valor == kHoy && v.c.Hasta.Minimo == kFechaMinima);
        EXPECT_TRUE(v.c.Timer1R.Enabled() && v.c.FocoEnDesde && v.f->PrimeraActivacion);
        EXPECT_EQ(v.f->Sondeos, 0); // el sondeo espera a la primera activación
        v.f->Form_Activate();
        v.f->Form_Activate(); // volver a la ventana no sondea otra vez
        EXPECT_EQ(v.f->Sondeos, 1);
        EXPECT_EQ(imposible ? "" : v.Bitacora(), imposible ? "" : kInicio);
        if (salida == "Salir") {
            v.f->btnSalir_Click();
            EXPECT_TRUE(v.c.Cerrada && v.c.Terminado);
        } else if (salida == "cuadro de cierre") {
            EXPECT_TRUE(v.f->PideCierre());
            EXPECT_TRUE(v.f->PideCierre()); // un segundo cierre no repite las líneas
        }
        v.f.reset();
        EXPECT_EQ(imposible ? LeeArchivo(programa) : v.Bitacora(),
                  imposible ? "no soy carpeta" : kCuatroLineas);
        EXPECT_TRUE(v.cajas.Mensajes.empty());
    }
    // El título y la versión, los que da la plataforma (en Windows, el registro de versión del .exe).
    CarpetaTemporal carpeta;
    Ventana v(kReloj, carpeta.Ruta(), kSinConexiones, {"ovPrueba", 9, 8, 7});
    EXPECT_EQ(v.c.Titulo, "Depuración de base de datos Orvalo v9.8.7");
    EXPECT_TRUE(Tiene(v.Bitacora(), "\tInicia programa. v9.8.7\r\n")) << v.Bitacora();
}

// Bloqueada, todo control de la colección queda sin Enabled (el temporizador deja de latir),
// ImageList1 se pasa por alto, un control que falla no detiene el recorrido, y el cierre se rechaza
// con un aviso que se cierra solo al terminar la operación.
TEST(Ventana, UnaOperacionBloqueaTodoYRechazaElCierre) {
    SinConexiones v;
    v.c.btnSalir.Falla = true;
    // ImageList1 no tiene Enabled y btnSalir falla: los dos se quedan como estaban.
    auto habilitados = [&v](bool si) {
        const auto c = v.c.Controls();
        return std::all_of(c.begin(), c.end(), [&](Control* x) {
            return dynamic_cast<Estado*>(x)->Habilitado == (si || x == &v.c.ImageList1 || x == &v.c.btnSalir);
        });
    };
    Retenida operacion;
    bool alTerminar = false;
    ASSERT_TRUE(v.f->IniciaOperacion(operacion.Trabajo(), [&](std::exception_ptr) { alTerminar = true; }));
    EXPECT_FALSE(v.f->IniciaOperacion([] {}, {})); // una a la vez
    EXPECT_TRUE(v.f->Bloqueada() && habilitados(false) && !v.c.Timer1R.Enabled());
    EXPECT_EQ(v.c.PunteroActual, Puntero::RelojDeArena);
    EXPECT_EQ(v.c.Repintados, 1);
    EXPECT_FALSE(v.f->PideCierre());
    EXPECT_TRUE(Tiene(v.c.AvisoDeCierre, "no se puede detener"));
    v.f->btnIniciar_Click(); // ni preguntas ni progreso
    v.f->Lista_MenuContextual(0);
    EXPECT_TRUE(v.cajas.Mensajes.empty() && v.c.ListaR_.Menu.empty());
    operacion.Suelta = true;
    ASSERT_TRUE(v.c.EsperaA([&] { return alTerminar; }));
    EXPECT_TRUE(!v.f->Bloqueada() && habilitados(true) && v.c.Timer1R.Enabled() && v.c.AvisoDeCierre.empty());
    EXPECT_TRUE(v.c.PunteroActual == Puntero::Normal && v.c.FocosDevueltos == 1);
    EXPECT_EQ(v.Bitacora(), kInicio); // el cierre rechazado no escribió el final
}

TEST(Ventana, LasMarcasDeList1RehacenElPlanHastaSuLimite) {
    SinConexiones v;
    ListaR& l = v.c.List1R;
    // El nombre va tal cual, blancos incluidos, sin buscar repetidos; la cadena de conexión no se guarda.
    v.f->AgregaConexion("  Con blancos ", "Driver=SQLite3;Database=/secreta.db", "'", "'", "");
    v.f->AgregaConexion("  Con blancos ", "", "", "", "");
    ASSERT_EQ(l.Orden.size(), 2u);
    v.c.Marca(0);
    ASSERT_EQ(v.c.ListaR_.Count(), 8);
    EXPECT_EQ(v.c.ListaR_.N(7).Aspecto.Texto, "Se liberará espacio de   Con blancos .");
    // Un aviso sin cambio de marca (un texto escrito) deja en pie lo marcado.
    v.c.ListaR_.Nodos[0].Checked = true;
    v.f->List1_ItemCheck(l.Orden[0]);
    EXPECT_TRUE(v.c.ListaR_.Nodos[0].Checked);

    // 4095 conexiones caben (32,760 pasos); la 4096 se rechaza y su fila vuelve a quedar sin marca.
    for (int i = 2; i < 4096; ++i) {
        v.f->AgregaConexion("Base " + std::to_string(i), "", "", "", "");
        l.En(i).Checked = i < 4095;
    }
    l.En(1).Checked = true;
    v.c.Marca(4095);
    EXPECT_FALSE(l.En(4095).Checked);
    EXPECT_EQ(v.c.ListaR_.Count(), 8); // sin reconstruir
    ASSERT_EQ(v.cajas.Mensajes.size(), 1u);
    EXPECT_TRUE(v.cajas.Mensajes[0].Tipo == "advierte" && v.cajas.Mensajes[0].Titulo == kCaption);
    EXPECT_TRUE(Tiene(v.cajas.Mensajes[0].Texto, "4095"));
    // Rechazada, la misma fila se vuelve a marcar cuando cabe.
    v.c.Marca(0, false);
    v.c.Marca(4095);
    EXPECT_EQ(v.c.ListaR_.Count(), 32760);
    EXPECT_EQ(v.c.ListaR_.N(32760).Aspecto.Texto, "Se actualizarán cifras de uso de Base 4095.");
}

TEST(Ventana, OrdenYMenuDeMarcas) {
    SinConexiones v;
    ListaR& l = v.c.List1R;
    for (const char* n : {"Planta B", "Planta A", "Planta C"}) {
        v.f->AgregaConexion(n, "", "", "", "");
    }
    // Cada clic invierte la dirección, sea cual sea la columna; el primero, desde la ascendente.
    const std::vector<std::pair<int, std::vector<std::string>>> clics = {
        {1, {"Planta C", "Planta B", "Planta A"}},
        {1, {"Planta A", "Planta B", "Planta C"}},
        {2, {"Planta A", "Planta B", "Planta C"}}, // celdas iguales: se quedan como estaban
    };
    for (const auto& [columna, orden] : clics) {
        v.f->List1_ColumnClick(columna);
        EXPECT_EQ((std::vector<std::string>{l.En(0).Celdas[0], l.En(1).Celdas[0], l.En(2).Celdas[0]}), orden);
    }
    // El plan sigue el orden en que se muestran.
    v.c.Marca(0);
    v.c.Marca(2);
    ArbolR& a = v.c.ListaR_;
    ASSERT_EQ(a.Count(), 16);
    EXPECT_EQ(a.Nodos[0].Aspecto.Texto, "Se eliminarán las checadas reales de Planta A.");

    // El menú: todos, ninguno, o los ocho de la conexión del nodo; sin nodo, sin la tercera.
    const std::tuple<int, int, std::string> menu[] = {{9, 2, "0000000011111111"},
                                                      {1, 2, std::string(16, '1')},
                                                      {0, 1, std::string(16, '0')},
                                                      {0, 0, std::string(16, '1')}};
    for (const auto& [nodo, eleccion, marcas] : menu) {
        v.f->Lista_MenuContextual(nodo);
        std::vector<std::string> opciones = {"Marcar todos los pasos", "Desmarcar todos"};
        if (nodo) {
            opciones.push_back(std::string("Marcar los pasos de ") + (nodo > 8 ? "Planta C" : "Planta A"));
        }
        opciones.push_back("Guardar lo eliminado en una carpeta...");
        EXPECT_EQ(a.Menu, opciones);
        a.AlElegir(eleccion);
        EXPECT_EQ(a.Marcas(), marcas);
    }
    // Un cambio de marca en List1 rehace desde cero: nada marcado.
    v.c.Marca(0, false);
    EXPECT_EQ(a.Marcas(), std::string(8, '0'));
}

// La etiqueta bajo la lista durante una corrida, cada segundo con un reloj que la prueba adelanta.
TEST(Ventana, ElProgresoCuentaElPasoYLaCorrida) {
    EtiquetaR etiqueta("Para iniciar");
    TemporizadorR segundero;
    RelojFijo reloj(ConHora(kHoy, 10, 20));
    ProgresoCorrida p(etiqueta, segundero, reloj);
    p.Contando();
    EXPECT_TRUE(segundero.Habilitado);
    EXPECT_EQ(etiqueta.Progreso, "Contando las filas que se eliminarán... (0:00)");
    p.Inicia(16);
    // Cada fila: lo que avisa la corrida (vacío, nada), cuánto pasa y lo que muestra la etiqueta.
    const std::tuple<std::function<void()>, seconds, std::string> pasos[] = {
        {[] {}, seconds(3), "Iniciando la depuración de 16 pasos marcados (corrida 0:03)"},
        {[&] { p.Paso("Eliminando las checadas reales de Planta Sur..."); }, seconds(65),
         "Paso 1 de 16 (paso 1:05, corrida 1:08): Eliminando las checadas reales de Planta Sur..."},
        // la espera se queda con cada segundo hasta el paso siguiente
        {[&] { p.Espera("La base de Planta Sur está ocupada"); }, seconds(0),
         "La base de Planta Sur está ocupada"},
        {[&] { p.Paso("x"); }, hours(25), "Paso 2 de 16 (paso 25:00:00, corrida 25:01:08): x"},
    };
    for (const auto& [aviso, pasa, muestra] : pasos) {
        aviso();
        reloj.Fija(reloj.Ahora() + pasa);
        p.Muestra();
        EXPECT_EQ(etiqueta.Progreso, muestra);
    }
    p.Termina();
    EXPECT_TRUE(etiqueta.Progreso.empty() && !segundero.Habilitado);
}

TEST(Ventana, FechasTecleadas) {
    const Fecha marzo1{year{2024} / 3 / 1};
    const std::vector<std::pair<std::string, std::optional<Fecha>>> enteras = {
        {"01/03/2024", marzo1},
        {"2024-03-01", marzo1},
        {" 2024.3.1 ", marzo1},
        {"1753-01-01", kFechaMinima},
        // Lo que no es fecha, o es anterior a la primera que guarda SQL Server, se rechaza.
        {"31/02/2024", std::nullopt},
        {"31/12/1752", std::nullopt},
        {"01/03/2024x", std::nullopt}};
    for (const auto& [texto, fecha] : enteras) {
        EXPECT_EQ(LeeFechaEscrita(texto), fecha) << texto;
    }
    const Fecha enero31{year{2024} / 1 / 31};
    const struct {
        ParteFecha Parte;
        int Valor;
        std::optional<Fecha> Queda;
    } partes[] = {
        {ParteFecha::Mes, 2, Fecha{year{2024} / 2 / 29}}, // el día se recorta al último del mes
        {ParteFecha::Dia, 32, std::nullopt},
        {ParteFecha::Anio, 2023, Fecha{year{2023} / 1 / 31}},
        {ParteFecha::Anio, 1752, std::nullopt}, // antes del mínimo: se rechaza, no se cambia por otra
    };
    for (const auto& p : partes) {
        EXPECT_EQ(ConParte(enero31, p.Parte, p.Valor), p.Queda) << p.Valor;
    }
}
