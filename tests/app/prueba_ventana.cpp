// La ventana principal en la plataforma offscreen: controles, parpadeo, bloqueo, activación y
// las líneas de la bitácora al entrar y al salir.
#include "ServiciosDePrueba.h"
#include "apoyo/CarpetaTemporal.h"
#include "app/ImageList.h"
#include "log/Fechas.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using namespace ov;
using namespace ov::prueba;
using namespace ov::app;
using namespace std::chrono;

namespace {

// Un día que no es hoy: las fechas de la ventana deben salir del reloj inyectado.
const RelojFijo kReloj(ConHora(Fecha{year{2031} / March / 15}, 10, 20));

const QColor kRojo(255, 0, 0), kAzul(0, 0, 255);

std::filesystem::path ArchivoLog(const std::filesystem::path& carpeta) {
    return carpeta / "Log" / ("ovNalvora_" + FormatoMesAnio(Hoy(kReloj)) + ".log");
}

// Lo que debe quedar en la bitácora tras abrir y cerrar el programa, renglón por renglón.
std::string CuatroLineas() {
    return kBannerInicio + "\r\n" + "2031-03-15 10:20\tInicia programa. v2.2.0\r\n" +
           "2031-03-15 10:20\tTermina programa.\r\n" + kBannerFin + "\r\n";
}

} // namespace

class PruebaVentana : public QObject {
    Q_OBJECT

private slots:
    void controlesComoSeDisenaron();
    void parpadeoDelAviso();
    void bloqueoYDesbloqueo();
    void primeraActivacionYFoco();
    void salidaEscribeElFinalUnaVez_data();
    void salidaEscribeElFinalUnaVez();
    void cierreRechazadoDuranteUnaOperacion();
    void bitacoraImposibleNoDetieneAlPrograma();
};

void PruebaVentana::controlesComoSeDisenaron() {
    CarpetaTemporal carpeta;
    ServiciosDePrueba servicios(kReloj);
    VentanaDePrueba v({servicios, kReloj, carpeta.Ruta(), SinConexiones()});

    QCOMPARE(v.windowTitle(), QStringLiteral("Depuración de base de datos Orvalo v2.2.0"));
    QCOMPARE(v.size(), QSize(585, 521));
    QCOMPARE(v.minimumSize(), v.maximumSize());
    QVERIFY(!(v.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(v.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!v.windowIcon().isNull());
    QCOMPARE(v.pos() + v.rect().center(), v.screen()->availableGeometry().center());

    // Ambas fechas en el día del reloj, no en la fecha de diseño ni en la real.
    QCOMPARE(v.DTPicker1[0]->date(), QDate(2031, 3, 15));
    QCOMPARE(v.DTPicker1[1]->date(), QDate(2031, 3, 15));

    // Twips del diseño entre 15; Lista, dentro de su marco.
    QCOMPARE(v.List1->geometry(), QRect(3, 114, 579, 92));
    QCOMPARE(v.Lista->parentWidget(), v.frmTareas);
    QCOMPARE(v.Lista->geometry(), QRect(5, 13, 571, 150));
    QCOMPARE(v.btnSalir->geometry(), QRect(309, 488, 111, 26));
    QCOMPARE(v.List1->columnWidth(0), 579 / 3);

    // Las imágenes vienen de los recursos de una biblioteca estática: deben cargarse de verdad.
    QCOMPARE(v.ImageList1->Count(), 5);
    for (int i = 1; i <= 5; ++i) {
        QCOMPARE(v.ImageList1->Imagen(i).availableSizes().value(0), QSize(16, 16));
    }
    QVERIFY(v.ImageList1->Imagen(0).isNull());

    QCOMPARE(v.Sondeos, 0); // el sondeo espera a la primera activación

    // Iniciar solo llama a la corrida.
    QTest::mouseClick(v.btnIniciar, Qt::LeftButton);
    QCOMPARE(v.Corridas, 1);
}

void PruebaVentana::parpadeoDelAviso() {
    CarpetaTemporal carpeta;
    ServiciosDePrueba servicios(kReloj);
    VentanaDePrueba v({servicios, kReloj, carpeta.Ruta(), SinConexiones()});

    v.Timer1_Timer();
    QCOMPARE(ColorTexto(v.lblImportante), kAzul);
    v.Timer1_Timer();
    QCOMPARE(ColorTexto(v.lblImportante), kRojo);
    // Casi rojo no es rojo: cualquier otro color pasa a rojo.
    for (const QColor otro : {QColor(254, 0, 0), QColor(0, 128, 0), QColor(255, 0, 1)}) {
        FijaColorTexto(v.lblImportante, otro);
        v.Timer1_Timer();
        QCOMPARE(ColorTexto(v.lblImportante), kRojo);
    }

    // Y el temporizador de verdad lo hace por sí solo.
    QTRY_COMPARE_WITH_TIMEOUT(ColorTexto(v.lblImportante), kAzul, 2000);
}

void PruebaVentana::bloqueoYDesbloqueo() {
    CarpetaTemporal carpeta;
    ServiciosDePrueba servicios(kReloj);
    VentanaDePrueba v({servicios, kReloj, carpeta.Ruta(), SinConexiones()});
    v.show();

    const auto& controles = v.Controls();
    QCOMPARE(controles.size(), size_t{16});
    QCOMPARE(controles.back(), v.ImageList1);
    QVERIFY(std::find(controles.begin(), controles.end(), v.DTPicker1[0]) != controles.end());
    QVERIFY(std::find(controles.begin(), controles.end(), v.DTPicker1[1]) != controles.end());

    v.Timer1_Timer(); // el aviso queda azul al bloquear
    v.DeshabilitaControles();
    QVERIFY(v.Bloqueada());
    for (QObject* c : controles) {
        if (auto* w = qobject_cast<QWidget*>(c)) {
            QVERIFY2(!w->isEnabled(), qPrintable(w->metaObject()->className()));
        }
    }
    QVERIFY(!v.Timer1->isActive());
    QVERIFY(!v.btnSalir->isEnabled() && !v.DTPicker1[0]->isEnabled() && !v.DTPicker1[1]->isEnabled());
    // Sin latidos el aviso conserva su color, y se ve en ese color y no en gris.
    QTest::qWait(700);
    QCOMPARE(ColorTexto(v.lblImportante), kAzul);
    QCOMPARE(v.lblImportante->palette().color(QPalette::Disabled, QPalette::WindowText), kAzul);

    v.HabilitaControles();
    QVERIFY(!v.Bloqueada());
    for (QObject* c : controles) {
        if (auto* w = qobject_cast<QWidget*>(c)) {
            QVERIFY(w->isEnabled());
        }
    }
    QVERIFY(v.Timer1->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(ColorTexto(v.lblImportante), kRojo, 2000);
}

void PruebaVentana::primeraActivacionYFoco() {
    CarpetaTemporal carpeta;
    ServiciosDePrueba servicios(kReloj);
    VentanaDePrueba v({servicios, kReloj, carpeta.Ruta(), SinConexiones()});
    QVERIFY(v.PrimeraActivacion);
    v.show();
    v.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&v));
    QCOMPARE(v.Sondeos, 1);
    QVERIFY(!v.PrimeraActivacion);

    // El foco empieza en Desde y Tab sigue el orden de diseño, sin perderse en las partes de la fecha.
    QCOMPARE(QApplication::focusWidget(), v.DTPicker1[0]);
    const std::initializer_list<QWidget*> orden = {v.DTPicker1[1], v.btnSalir, v.btnIniciar,
                                                   v.Lista,        v.List1,    v.DTPicker1[0]};
    for (QWidget* siguiente : orden) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), siguiente);
    }

    // Volver a la ventana, como tras un cuadro de mensaje, no sondea otra vez.
    QVERIFY(ReactivaDesdeOtra(v));
    QCOMPARE(v.Sondeos, 1);
}

void PruebaVentana::salidaEscribeElFinalUnaVez_data() {
    QTest::addColumn<QString>("salida");
    QTest::newRow("Salir") << "Salir";
    QTest::newRow("cuadro de cierre") << "cierre";
    QTest::newRow("ventana destruida") << "destruida";
}

void PruebaVentana::salidaEscribeElFinalUnaVez() {
    QFETCH(QString, salida);
    CarpetaTemporal carpeta;
    ServiciosDePrueba servicios(kReloj);
    {
        VentanaDePrueba v({servicios, kReloj, carpeta.Ruta(), SinConexiones()});
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        QCOMPARE(LeeArchivo(ArchivoLog(carpeta.Ruta())),
                 kBannerInicio + "\r\n2031-03-15 10:20\tInicia programa. v2.2.0\r\n");
        if (salida == "Salir") {
            QTest::mouseClick(v.btnSalir, Qt::LeftButton);
            QVERIFY(!v.isVisible());
        } else if (salida == "cierre") {
            QVERIFY(v.close());
            v.close(); // un segundo cierre no repite las líneas
        }
    }
    QCOMPARE(LeeArchivo(ArchivoLog(carpeta.Ruta())), CuatroLineas());
    QVERIFY(servicios.Mensajes.empty());
}

void PruebaVentana::cierreRechazadoDuranteUnaOperacion() {
    CarpetaTemporal carpeta;
    ServiciosDePrueba servicios(kReloj);
    VentanaDePrueba v({servicios, kReloj, carpeta.Ruta(), SinConexiones()});
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));

    v.DeshabilitaControles();
    QVERIFY(!v.close());
    QVERIFY(v.isVisible());
    QCOMPARE(servicios.Mensajes.size(), size_t{1});
    QCOMPARE(servicios.Mensajes[0].Tipo, std::string("advierte"));
    QCOMPARE(servicios.Mensajes[0].Titulo, std::string("Depuración de base de datos Orvalo v2.2.0"));
    QVERIFY(servicios.Mensajes[0].Texto.find("no se puede detener") != std::string::npos);
    QVERIFY(LeeArchivo(ArchivoLog(carpeta.Ruta())).find("Termina programa.") == std::string::npos);

    v.HabilitaControles();
    QVERIFY(v.close());
    QCOMPARE(LeeArchivo(ArchivoLog(carpeta.Ruta())), CuatroLineas());
}

void PruebaVentana::bitacoraImposibleNoDetieneAlPrograma() {
    CarpetaTemporal carpeta;
    // La carpeta del programa es un archivo: la carpeta Log no se puede crear, ni siendo root.
    const auto programa = carpeta / "programa";
    EscribeArchivo(programa, "no soy carpeta");
    ServiciosDePrueba servicios(kReloj);
    VentanaDePrueba v({servicios, kReloj, programa, SinConexiones()});
    v.show();
    v.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&v));
    QCOMPARE(v.Sondeos, 1);
    QTest::mouseClick(v.btnSalir, Qt::LeftButton);
    QVERIFY(!v.isVisible());
    QVERIFY(!std::filesystem::exists(programa / "Log"));
    QCOMPARE(LeeArchivo(programa), std::string("no soy carpeta"));
}

QTEST_MAIN(PruebaVentana)
#include "prueba_ventana.moc"
