// La ventana sola, sin bases, en la plataforma offscreen: controles y parpadeo, de la primera
// activación a cada salida con su bitácora, y el tope de conexiones marcadas.
#include "ServiciosDePrueba.h"
#include "app/ImageList.h"
#include "connections/ArchivoReg.h"
#include "log/Fechas.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QtTest>

using namespace ov;
using namespace ov::prueba;
using namespace ov::app;

namespace {

// Un día que no es hoy: las fechas de la ventana deben salir del reloj inyectado.
const RelojFijo kReloj(ConHora(Fecha{std::chrono::year{2031} / 3 / 15}, 10, 20));
const QColor kRojo(255, 0, 0), kAzul(0, 0, 255);
const ArchivoReg kSinConexiones("/no/existe/orvalo.reg");

std::string LeeBitacora(const std::filesystem::path& carpeta) {
    return LeeArchivo(carpeta / "Log" / ("ovNalvora_" + FormatoMesAnio(Hoy(kReloj)) + ".log"));
}
const std::string kInicio = kBannerInicio + "\r\n2031-03-15 10:20\tInicia programa. v2.2.0\r\n";
const std::string kCuatroLineas = kInicio + "2031-03-15 10:20\tTermina programa.\r\n" + kBannerFin + "\r\n";

// La ventana con el sondeo contado en lugar de hecho.
class VentanaDePrueba : public frmNalvora {
public:
    VentanaDePrueba(ServiciosDePrueba& s, const std::filesystem::path& carpeta)
        : frmNalvora({s, kReloj, carpeta, kSinConexiones}) {}
    int Sondeos = 0;

protected:
    void ActualizaEstadisticas() override { ++Sondeos; }
};

} // namespace

class PruebaVentana : public QObject {
    Q_OBJECT

private slots:
    void controlesYParpadeo();
    void deLaActivacionALaSalida_data();
    void deLaActivacionALaSalida();
    void limiteDeConexionesMarcadas();
};

void PruebaVentana::controlesYParpadeo() {
    CarpetaTemporal carpeta;
    ServiciosDePrueba servicios(kReloj);
    VentanaDePrueba v(servicios, carpeta.Ruta());

    QCOMPARE(v.windowTitle(), QString::fromStdString(kCaption));
    QCOMPARE(v.size(), QSize(585, 521));
    QCOMPARE(v.minimumSize(), v.maximumSize());
    QVERIFY(!(v.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(!v.windowIcon().isNull());
    QCOMPARE(v.pos() + v.rect().center(), v.screen()->availableGeometry().center());
    QCOMPARE(v.DTPicker1[0]->date(), QDate(2031, 3, 15));
    QCOMPARE(v.DTPicker1[1]->date(), QDate(2031, 3, 15));
    // Twips del diseño entre 15; Lista, dentro de su marco.
    QCOMPARE((QList<QRect>{v.List1->geometry(), v.Lista->geometry(), v.btnSalir->geometry()}),
             (QList<QRect>{{3, 114, 579, 92}, {5, 13, 571, 150}, {309, 488, 111, 26}}));
    QCOMPARE(v.Lista->parentWidget(), v.frmTareas);
    QCOMPARE(v.List1->columnWidth(0), 579 / 3);
    // Las imágenes vienen de los recursos de una biblioteca estática: deben cargarse de verdad.
    QCOMPARE(v.ImageList1->Count(), 5);
    for (int i = 1; i <= 5; ++i) {
        QCOMPARE(v.ImageList1->Imagen(i).availableSizes().value(0), QSize(16, 16));
    }

    QCOMPARE(v.Sondeos, 0); // el sondeo espera a la primera activación

    // El parpadeo: rojo pasa a azul; cualquier otro color, aun casi rojo, pasa a rojo; y el
    // temporizador lo hace por sí solo. El bloqueo, con el temporizador, está en prueba_ventana_demo.
    for (const QColor antes : {kRojo, kAzul, QColor(254, 0, 0), QColor(0, 128, 0)}) {
        FijaColorTexto(v.lblImportante, antes);
        v.Timer1_Timer();
        QCOMPARE(ColorTexto(v.lblImportante), antes == kRojo ? kAzul : kRojo);
    }
    QTRY_COMPARE_WITH_TIMEOUT(ColorTexto(v.lblImportante), kAzul, 2000);
}

void PruebaVentana::deLaActivacionALaSalida_data() {
    QTest::addColumn<QString>("salida");
    for (const char* s : {"Salir", "cuadro de cierre", "ventana destruida", "bitacora imposible"}) {
        QTest::newRow(s) << s;
    }
}

void PruebaVentana::deLaActivacionALaSalida() {
    QFETCH(QString, salida);
    CarpetaTemporal carpeta;
    // La bitácora imposible: la carpeta del programa es un archivo y Log no se crea, ni siendo root.
    const bool imposible = salida == "bitacora imposible";
    const auto programa = imposible ? carpeta / "programa" : carpeta.Ruta();
    if (imposible) {
        EscribeArchivo(programa, "no soy carpeta");
    }
    ServiciosDePrueba servicios(kReloj);
    {
        VentanaDePrueba v(servicios, programa);
        v.show();
        v.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&v));
        QCOMPARE(v.Sondeos, 1); // la otra vuelta a la ventana, sin sondeo, está en prueba_ventana_demo
        QCOMPARE(LeeBitacora(programa), imposible ? "" : kInicio);
        // El foco empieza en Desde y Tab sigue el orden de diseño, sin perderse en las partes de la fecha.
        QCOMPARE(QApplication::focusWidget(), v.DTPicker1[0]);
        for (QWidget* siguiente : std::initializer_list<QWidget*>{v.DTPicker1[1], v.btnSalir, v.btnIniciar,
                                                                  v.Lista, v.List1, v.DTPicker1[0]}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), siguiente);
        }
        if (salida == "cuadro de cierre") {
            QVERIFY(v.close());
            v.close(); // un segundo cierre no repite las líneas
        } else if (salida != "ventana destruida") {
            QTest::mouseClick(v.btnSalir, Qt::LeftButton);
            QVERIFY(!v.isVisible());
        }
    }
    QCOMPARE(imposible ? LeeArchivo(programa) : LeeBitacora(programa),
             imposible ? "no soy carpeta" : kCuatroLineas);
    QVERIFY(servicios.Mensajes.empty());
}

void PruebaVentana::limiteDeConexionesMarcadas() {
    CarpetaTemporal carpeta;
    ServiciosDePrueba servicios(kReloj);
    VentanaDePrueba v(servicios, carpeta.Ruta());

    // El nombre va tal cual, blancos incluidos, sin buscar repetidos; la cadena de conexión no se muestra.
    v.AgregaConexion("  Con blancos ", "Driver=SQLite3;Database=/secreta.db", "'", "'", "");
    v.AgregaConexion("  Con blancos ", "", "", "", "");
    QCOMPARE(v.List1->topLevelItemCount(), 2);
    QVERIFY(v.List1->findItems("secreta", Qt::MatchContains, 0).isEmpty());
    v.List1->topLevelItem(0)->setCheckState(0, Qt::Checked);
    QCOMPARE(v.Lista->topLevelItem(6)->text(0), QStringLiteral("Se liberará espacio de   Con blancos ."));

    // 4095 conexiones caben (32,760 pasos); la 4096 se rechaza y su fila vuelve a quedar sin marca.
    for (int i = 2; i < 4096; ++i) {
        v.AgregaConexion("Base " + std::to_string(i), "", "", "", "");
    }
    {
        const QSignalBlocker enSilencio(v.List1);
        for (int i = 1; i < 4095; ++i) {
            v.List1->topLevelItem(i)->setCheckState(0, Qt::Checked);
        }
    }
    QTreeWidgetItem* ultima = v.List1->topLevelItem(4095);
    ultima->setCheckState(0, Qt::Checked);
    QCOMPARE(ultima->checkState(0), Qt::Unchecked);
    QCOMPARE(v.Lista->topLevelItemCount(), 8); // sin reconstruir
    QCOMPARE(servicios.Mensajes.size(), size_t{1});
    QVERIFY(EsAviso(servicios.Mensajes[0], "4095"));

    v.List1->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    ultima->setCheckState(0, Qt::Checked);
    QCOMPARE(v.Lista->topLevelItemCount(), 32760);
    QCOMPARE(v.Lista->topLevelItem(32759)->text(0),
             QStringLiteral("Se actualizarán cifras de uso de Base 4095."));
    QCOMPARE(servicios.Mensajes.size(), size_t{1});
}

QTEST_MAIN(PruebaVentana)
#include "prueba_ventana.moc"
