// La corrida desde la ventana, en la plataforma offscreen, sobre la demostración: las dos
// preguntas, los aspectos de los nodos mientras corre, la bitácora, el aviso final y el sondeo.
#include "DemoVentana.h"
#include "app/ArbolTareas.h"
#include "app/ConversionesQt.h"
#include "log/Version.h"

#include <QDateEdit>
#include <QPushButton>
#include <QtTest>
#include <map>
#include <sstream>

using namespace ov;
using namespace ov::prueba;
using namespace ov::app;

namespace {

const Rango kMarzo{Fecha{std::chrono::year{2025} / 3 / 1}, Fecha{std::chrono::year{2025} / 3 / 31}};
const std::string kCaption = CaptionVentana();

// Sondea, marca Planta Sur, palomea sus ocho pasos y pone marzo de 2025 en los selectores.
bool PreparaPlantaSur(VentanaContada& v) {
    if (!ActivaYEsperaSondeo(v)) {
        return false;
    }
    FilaLlamada(v.List1, "Planta Sur")->setCheckState(0, Qt::Checked);
    for (int i = 0; i < v.Lista->topLevelItemCount(); ++i) {
        v.Lista->topLevelItem(i)->setCheckState(0, Qt::Checked);
    }
    v.DTPicker1[0]->setDate(AQDate(kMarzo.Desde));
    v.DTPicker1[1]->setDate(AQDate(kMarzo.Hasta));
    return v.Lista->topLevelItemCount() == 8;
}

// Los textos que la corrida escribió en la bitácora, sin la hora, desde su línea de inicio.
std::vector<std::string> LineasDeLaCorrida(const std::filesystem::path& archivo) {
    std::vector<std::string> lineas;
    std::istringstream texto(LeeArchivo(archivo));
    bool enCorrida = false;
    for (std::string l; std::getline(texto, l);) {
        if (!l.empty() && l.back() == '\r') {
            l.pop_back();
        }
        const std::string t = l.substr(l.find('\t') + 1);
        enCorrida |= t.rfind("Inicia depuración", 0) == 0;
        if (enCorrida) {
            lineas.push_back(t);
        }
    }
    return lineas;
}

// La sucesión de (imagen, negrita) por la que pasa cada nodo, sin repeticiones seguidas.
using Historial = std::map<int, std::vector<std::pair<int, bool>>>;
void AnotaAspectos(QTreeWidget* arbol, Historial& historial) {
    QObject::connect(arbol, &QTreeWidget::itemChanged, arbol, [arbol, &historial](QTreeWidgetItem* n) {
        auto& h = historial[arbol->indexOfTopLevelItem(n) + 1];
        const std::pair<int, bool> aspecto{ImagenDe(n), n->font(0).bold()};
        if (h.empty() || h.back() != aspecto) {
            h.push_back(aspecto);
        }
    });
}

bool Corrio(const VentanaContada& v, int sondeos) {
    return v.Sondeos == sondeos && !v.Bloqueada();
}

} // namespace

class PruebaDepuracionVentana : public QObject {
    Q_OBJECT

private slots:
    void depuraLaDemostracion();
    void unPasoQueFallaSeVeEnElArbol();
    void sinCorridaYErrorInesperado();
};

void PruebaDepuracionVentana::depuraLaDemostracion() {
    DemoEnCarpeta d;
    long long fueraDeMarzo, deMarzo;
    {
        BaseSqlite sur(d.Sur());
        fueraDeMarzo = sur.Cuenta("SELECT count(*) FROM checadas WHERE fechayhora < '2025-03-01' OR "
                                  "fechayhora >= '2025-04-01' OR fechayhora IS NULL");
        deMarzo = sur.Cuenta("SELECT count(*) FROM checadas") - fueraDeMarzo;
    }
    QVERIFY(deMarzo > 0);
    ServiciosDePrueba servicios(kRelojDemo);
    VentanaContada v({servicios, kRelojDemo, d.carpeta.Ruta(), *d.registro});
    QVERIFY(PreparaPlantaSur(v));
    Historial historial;
    AnotaAspectos(v.Lista, historial);

    servicios.Respuestas = {true, true};
    QTest::mouseClick(v.btnIniciar, Qt::LeftButton);
    QVERIFY(v.Bloqueada()); // el obrero corre; la ventana espera sin bucles anidados
    QTRY_VERIFY_WITH_TIMEOUT(Corrio(v, 2), 60000);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(v.btnIniciar->isEnabled() && v.List1->isEnabled());

    QCOMPARE(servicios.Mensajes.size(), size_t{3});
    QCOMPARE(servicios.Mensajes[0].Texto, TextoPrimeraPregunta(kCaptionImportante));
    QCOMPARE(servicios.Mensajes[0].Titulo, std::string("Advertencia"));
    QCOMPARE(servicios.Mensajes[1].Texto, TextoSegundaPregunta(kMarzo, kCaptionLabel1));
    QCOMPARE(servicios.Mensajes[1].Titulo, std::string("Advertencia"));
    QCOMPARE(servicios.Mensajes[2].Tipo, std::string("informa"));
    QCOMPARE(servicios.Mensajes[2].Texto, std::string("Proceso de depuración terminado."));
    QCOMPARE(servicios.Mensajes[2].Titulo, kCaption);

    // Cada nodo pasó por En proceso (flecha, negrita) y Terminado (palomita), y así
    // se queda aunque el sondeo de después escriba en List1.
    std::vector<std::string> esperadas{"Inicia depuración del 2025-03-01 al 2025-03-31."};
    for (int k = 1; k <= 8; ++k) {
        const Tarea& t = v.Tareas.TareaEn(k);
        const QTreeWidgetItem* n = v.Lista->topLevelItem(k - 1);
        QCOMPARE(n->text(0), Q(t.Terminado));
        QCOMPARE(ImagenDe(n), 3);
        QVERIFY(!n->icon(0).isNull());
        QVERIFY(!n->font(0).bold());
        QCOMPARE(n->checkState(0), Qt::Checked);
        QCOMPARE(historial[k], (std::vector<std::pair<int, bool>>{{2, true}, {3, false}}));
        QVERIFY(!t.Sentencia.empty()); // lo que hizo el obrero volvió al plan de la ventana
        QCOMPARE(v.Tareas.NodoEn(k).Image, Imagen::Palomita);
        esperadas.push_back(t.EnProceso);
        esperadas.push_back(t.Terminado);
    }
    esperadas.push_back("Termina depuración del 2025-03-01 al 2025-03-31.");
    QCOMPARE(LineasDeLaCorrida(d.ArchivoLog()), esperadas);

    BaseSqlite sur(d.Sur());
    QCOMPARE(sur.Cuenta("SELECT count(*) FROM checadas"), fueraDeMarzo);
    QVERIFY(!std::filesystem::exists(d.demo / "orvalo_temp.db"));
}

void PruebaDepuracionVentana::unPasoQueFallaSeVeEnElArbol() {
    DemoEnCarpeta d;
    {
        // Una fila conservada de la bitácora que un disparador rechaza al reponerla.
        BaseSqlite sur(d.Sur());
        sur.Ejecuta("INSERT INTO bitacora (fechahora, usuario, accion) VALUES ('2024-01-02 08:00:00', 'x', "
                    "'rechazar')");
        sur.Ejecuta("CREATE TRIGGER rechaza BEFORE INSERT ON bitacora WHEN NEW.accion = 'rechazar' "
                    "BEGIN SELECT RAISE(ABORT, 'fila rechazada'); END");
    }
    ServiciosDePrueba servicios(kRelojDemo);
    VentanaContada v({servicios, kRelojDemo, d.carpeta.Ruta(), *d.registro});
    QVERIFY(PreparaPlantaSur(v));
    servicios.Respuestas = {true, true};
    QTest::mouseClick(v.btnIniciar, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(Corrio(v, 2), 60000);

    for (int k = 1; k <= 4; ++k) {
        QCOMPARE(ImagenDe(v.Lista->topLevelItem(k - 1)), 3);
    }
    const QTreeWidgetItem* fallido = v.Lista->topLevelItem(4);
    const QString texto = fallido->text(0);
    QCOMPARE(ImagenDe(fallido), 5);
    QVERIFY(!fallido->font(0).bold());
    QVERIFY2(texto.startsWith("Error: ") && texto.contains("fila rechazada"), qPrintable(texto));
    QVERIFY(texto.endsWith(" Tarea: Registros de bitácora eliminados de Planta Sur."));
    QCOMPARE(texto, Q(TextoFalla(v.Tareas.TareaEn(5))));
    // Con filas conservadas fuera de su tabla, no corre nada más: los pasos siguientes quedan en reinicio.
    for (int k = 6; k <= 8; ++k) {
        const QTreeWidgetItem* n = v.Lista->topLevelItem(k - 1);
        QCOMPARE(ImagenDe(n), 0);
        QCOMPARE(n->text(0), Q(v.Tareas.TareaEn(k).Pendiente));
    }

    QCOMPARE(servicios.Mensajes.back().Tipo, std::string("advierte"));
    QCOMPARE(servicios.Mensajes.back().Titulo, kCaption);
    QVERIFY(servicios.Mensajes.back().Texto.find("orvalo_temp") != std::string::npos);
    const auto lineas = LineasDeLaCorrida(d.ArchivoLog());
    QVERIFY(std::find(lineas.begin(), lineas.end(), S(texto)) != lineas.end());
}

void PruebaDepuracionVentana::sinCorridaYErrorInesperado() {
    DemoEnCarpeta d;
    ServiciosDePrueba servicios(kRelojDemo);
    VentanaContada v({servicios, kRelojDemo, d.carpeta.Ruta(), *d.registro});
    QVERIFY(PreparaPlantaSur(v));
    const auto antes = LeeArchivo(d.Sur());

    // No a la primera: ni segunda pregunta ni bitácora; solo el sondeo.
    servicios.Respuestas = {false};
    QTest::mouseClick(v.btnIniciar, Qt::LeftButton);
    QTRY_VERIFY(Corrio(v, 2));
    QCOMPARE(servicios.Mensajes.size(), size_t{1});
    QVERIFY(LineasDeLaCorrida(d.ArchivoLog()).empty());
    QCOMPARE(ImagenDe(v.Lista->topLevelItem(0)), 0);

    // Desde después de Hasta: un aviso y nada más, ni preguntas ni sondeo.
    v.DTPicker1[0]->setDate(QDate(2025, 4, 1));
    servicios.Respuestas = {true, true};
    QTest::mouseClick(v.btnIniciar, Qt::LeftButton);
    QCOMPARE(servicios.Mensajes.size(), size_t{2});
    QCOMPARE(servicios.Mensajes[1].Tipo, std::string("advierte"));
    QCOMPARE(servicios.Mensajes[1].Titulo, kCaption);
    QVERIFY(!v.Bloqueada());
    QTest::qWait(100);
    QCOMPARE(v.Sondeos, 2);
    QCOMPARE(LeeArchivo(d.Sur()), antes);

    // Lo que escapa del obrero: la ventana se desbloquea, lo dice en español, lo anota y sondea.
    v.DTPicker1[0]->setDate(AQDate(kMarzo.Desde));
    v.LanzaAlCorrer = true;
    QTest::mouseClick(v.btnIniciar, Qt::LeftButton);
    QTRY_VERIFY(Corrio(v, 3));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(v.btnIniciar->isEnabled());
    QCOMPARE(servicios.Mensajes.back().Tipo, std::string("advierte"));
    QCOMPARE(servicios.Mensajes.back().Titulo, kCaption);
    const std::string& aviso = servicios.Mensajes.back().Texto;
    QVERIFY2(aviso.find("error inesperado: se agotó la memoria del obrero") != std::string::npos,
             aviso.c_str());
    QVERIFY(LeeArchivo(d.ArchivoLog()).find(aviso) != std::string::npos);
    QCOMPARE(LeeArchivo(d.Sur()), antes);
}

QTEST_MAIN(PruebaDepuracionVentana)
#include "prueba_depuracion_ventana.moc"
