// La ventana sola, sin bases, en offscreen: controles, salidas con su bitácora, teclado y tope de marcas.
#include "ServiciosDePrueba.h"
#include "app/ArbolTareas.h"
#include "app/ConversionesQt.h"
#include "app/ImageList.h"
#include "app/ProgresoCorrida.h"
#include "app/SelectorDeFecha.h"
#include "app/ServiciosQt.h"
#include "connections/ArchivoReg.h"
#include "log/Fechas.h"

#include <QContextMenuEvent>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
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
    void fechasQueSeTeclean();
    void tecladoMenuYCajas();
    void progresoCadaSegundo();
};

void PruebaVentana::controlesYParpadeo() {
    CarpetaTemporal carpeta;
    ServiciosDePrueba servicios(kReloj);
    VentanaDePrueba v(servicios, carpeta.Ruta());

    QCOMPARE(v.windowTitle(), QString::fromStdString(kCaption));
    QCOMPARE(v.minimumSize(), v.maximumSize());
    QVERIFY(!(v.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(!v.windowIcon().isNull());
    QCOMPARE(v.pos() + v.rect().center(), v.screen()->availableGeometry().center());
    QVERIFY(v.DTPicker1[0]->date() == QDate(2031, 3, 15) && v.DTPicker1[1]->date() == QDate(2031, 3, 15));
    QCOMPARE(v.Lista->parentWidget(), v.frmTareas);
    // Las imágenes vienen de los recursos de una biblioteca estática: deben cargarse de verdad.
    QCOMPARE(v.ImageList1->Count(), 5);
    for (int i = 1; i <= 5; ++i) {
        QCOMPARE(v.ImageList1->Imagen(i).availableSizes().value(0), QSize(16, 16));
    }

    QCOMPARE(v.Sondeos, 0); // el sondeo espera a la primera activación

    // Rojo pasa a azul, cualquier otro color a rojo; el temporizador lo hace solo.
    for (const QColor antes : {kRojo, kAzul, QColor(254, 0, 0), QColor(0, 128, 0)}) {
        FijaColorTexto(v.lblImportante, antes);
        v.Timer1_Timer();
        QCOMPARE(ColorTexto(v.lblImportante), antes == kRojo ? kAzul : kRojo);
    }
    QTRY_COMPARE_WITH_TIMEOUT(ColorTexto(v.lblImportante), kAzul, 2000);
}

void PruebaVentana::deLaActivacionALaSalida_data() {
    QTest::addColumn<QString>("salida");
    for (const char* s :
         {"Salir", "Enter en Salir", "cuadro de cierre", "ventana destruida", "bitacora imposible"}) {
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
        } else if (salida == "Enter en Salir") {
            // Enter oprime el botón que tiene el foco, como en Windows.
            v.btnSalir->setFocus();
            QTest::keyClick(v.btnSalir, Qt::Key_Return);
            QVERIFY(!v.isVisible());
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

// Como las teclea el operador: el día, el mes o el año cambian esa parte al momento y el día de la
// semana los sigue; una fecha entera se toma al salir del campo.
void PruebaVentana::fechasQueSeTeclean() {
    CarpetaTemporal carpeta;
    ServiciosDePrueba servicios(kReloj);
    VentanaDePrueba v(servicios, carpeta.Ruta());
    QVERIFY(Activa(v));
    QDateEdit* desde = v.DTPicker1[0];
    auto enParte = [&](QDateTimeEdit::Section parte, const char* teclas) {
        desde->setFocus();
        desde->setDate(QDate(2024, 1, 15)); // lunes
        // Un clic en el texto, y la parte elegida como con las flechas.
        auto* texto = desde->findChild<QLineEdit*>();
        QTest::mouseClick(texto, Qt::LeftButton, {}, QPoint(2, texto->height() / 2));
        desde->setCurrentSection(parte);
        QTest::keyClicks(desde, teclas);
        return desde->date();
    };
    QCOMPARE(enParte(QDateTimeEdit::DaySection, "20"), QDate(2024, 1, 20));
    QCOMPARE(desde->text(), QStringLiteral("sábado, 20 de enero de 2024"));
    QCOMPARE(enParte(QDateTimeEdit::MonthSection, "3"), QDate(2024, 3, 15));
    QCOMPARE(enParte(QDateTimeEdit::MonthSection, "12"), QDate(2024, 12, 15));
    QCOMPARE(enParte(QDateTimeEdit::YearSection, "2023"), QDate(2023, 1, 15));
    QCOMPARE(desde->text(), QStringLiteral("domingo, 15 de enero de 2023"));
    // Un día que no cabe en el mes empieza de nuevo con la cifra: 3 y 5 en febrero dan el 5.
    enParte(QDateTimeEdit::DaySection, "");
    desde->setDate(QDate(2024, 2, 10));
    QTest::keyClicks(desde, "35");
    QCOMPARE(desde->date(), QDate(2024, 2, 5));

    // Enteras: se ven como se escriben y se toman al salir, con Tab o con Enter.
    for (const char* escrita : {"01/03/2024", "2024-03-01", "1/3/2024"}) {
        enParte(QDateTimeEdit::DaySection, escrita);
        QCOMPARE(desde->text(), QString::fromLatin1(escrita));
        QTest::keyClick(desde, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), v.DTPicker1[1]);
        QCOMPARE(desde->date(), QDate(2024, 3, 1));
        QCOMPARE(desde->text(), QStringLiteral("viernes, 1 de marzo de 2024"));
    }
    enParte(QDateTimeEdit::YearSection, "31/12/2025");
    QTest::keyClick(desde, Qt::Key_Return);
    QCOMPARE(desde->date(), QDate(2025, 12, 31));
    // Lo que no es una fecha deja la de antes.
    for (const char* mala : {"31/02/2024", "2024-13-01", "12/"}) {
        enParte(QDateTimeEdit::DaySection, mala);
        QTest::keyClick(desde, Qt::Key_Return);
        QCOMPARE(desde->date(), QDate(2024, 1, 15));
        QCOMPARE(desde->text(), QStringLiteral("lunes, 15 de enero de 2024"));
    }
    QCOMPARE(LeeFechaEscrita(QStringLiteral("2024.3.1")), QDate(2024, 3, 1));
    QVERIFY(!LeeFechaEscrita(QStringLiteral("1/3/24")));
}

namespace {

QStringList TextosDe(const QMenu* menu) {
    QStringList textos;
    for (const QAction* a : menu->actions()) {
        textos << a->text();
    }
    return textos;
}

// Las marcas de Lista, "1" o "0" por nodo.
QString Marcas(const QTreeWidget* lista) {
    QString m;
    for (int i = 0; i < lista->topLevelItemCount(); ++i) {
        m += lista->topLevelItem(i)->checkState(0) == Qt::Checked ? u'1' : u'0';
    }
    return m;
}

} // namespace

void PruebaVentana::tecladoMenuYCajas() {
    CarpetaTemporal carpeta;
    ServiciosDePrueba servicios(kReloj);
    VentanaDePrueba v(servicios, carpeta.Ruta());
    QVERIFY(Activa(v));

    // Enter y la barra espaciadora oprimen Iniciar cuando tiene el foco: la primera pregunta (No).
    v.btnIniciar->setFocus();
    QTest::keyClick(v.btnIniciar, Qt::Key_Enter);
    QTest::keyClick(v.btnIniciar, Qt::Key_Space);
    QCOMPARE(servicios.Mensajes.size(), size_t{2});
    QVERIFY(servicios.Mensajes[0].Tipo == "pregunta" && servicios.Mensajes[1].Tipo == "pregunta");

    // El menú del clic derecho: todos, ninguno, o los ocho de la conexión del nodo.
    v.AgregaConexion("Planta A", "", "", "", "");
    v.AgregaConexion("Planta B", "", "", "", "");
    v.List1->topLevelItem(0)->setCheckState(0, Qt::Checked);
    v.List1->topLevelItem(1)->setCheckState(0, Qt::Checked);
    QMenu* menu = MenuDeLista(v, 9);
    QVERIFY(menu);
    QCOMPARE(TextosDe(menu),
             (QStringList{"Marcar todos los pasos", "Desmarcar todos", "Marcar los pasos de Planta B"}));
    Elige(menu, "Marcar los pasos de Planta B");
    QCOMPARE(Marcas(v.Lista), QStringLiteral("0000000011111111"));
    v.Lista->topLevelItem(7)->setCheckState(0, Qt::Checked);
    Elige(MenuDeLista(v, 1), "Marcar los pasos de Planta A");
    QCOMPARE(Marcas(v.Lista), QString(16, u'1'));
    Elige(MenuDeLista(v, 0), "Desmarcar todos");
    QCOMPARE(Marcas(v.Lista), QString(16, u'0'));
    Elige(MenuDeLista(v, 0), "Marcar todos los pasos");
    QCOMPARE(Marcas(v.Lista), QString(16, u'1'));
    // Las marcas del menú son del operador: la corrida las lee, y una reconstrucción las borra.
    Plan copia = v.Tareas;
    LeeMarcas(v.Lista, copia);
    QVERIFY(copia.NodoEn(16).Checked);
    v.List1->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    QCOMPARE(Marcas(v.Lista), QString(8, u'0'));
    // Bloqueada, no hay menú.
    v.DeshabilitaControles();
    QVERIFY(!MenuDeLista(v, 1));
    v.HabilitaControles();

    // El cuadro tiene ancho para su título completo, con el ícono y el botón de cierre.
    for (const std::string& titulo : {kCaption, std::string(kTituloPreguntas)}) {
        auto caja = NuevaCaja(QMessageBox::Information, titulo, "Proceso de depuración terminado.",
                              QMessageBox::Ok, &v);
        caja->show();
        QFont barra = caja->font();
        barra.setBold(true);
        QVERIFY2(caja->width() >= QFontMetrics(barra).horizontalAdvance(Q(titulo)) + 100,
                 qPrintable(QString::number(caja->width())));
        QCOMPARE(caja->button(QMessageBox::Ok)->text(), QStringLiteral("Aceptar"));
    }
}

// La etiqueta bajo la lista durante una corrida, con un reloj que la prueba adelanta.
void PruebaVentana::progresoCadaSegundo() {
    QWidget ventana;
    ventana.resize(585, 521);
    auto* etiqueta =
        new QLabel(QStringLiteral("Para iniciar con la depuración oprima el botón <Iniciar>."), &ventana);
    etiqueta->setGeometry(165, 431, 268, 13);
    RelojFijo reloj(ConHora(Fecha{std::chrono::year{2031} / 3 / 15}, 10, 20));
    ProgresoCorrida progreso(etiqueta, reloj);

    progreso.Contando();
    QCOMPARE(etiqueta->toolTip(), QStringLiteral("Contando las filas que se eliminarán... (0:00)"));
    progreso.Inicia(16);
    QCOMPARE(etiqueta->geometry(), QRect(3, 431, 579, 13));
    progreso.Paso("Eliminando las checadas reales de Planta Sur...");
    const QString paso1 =
        QStringLiteral("Paso 1 de 16 (paso 0:00, corrida 0:00): Eliminando las checadas reales de "
                       "Planta Sur...");
    QCOMPARE(etiqueta->text(), paso1);
    // Cada segundo, sin que el motor diga nada: un paso largo no parece colgado.
    reloj.Fija(reloj.Ahora() + std::chrono::seconds(65));
    QTRY_COMPARE_WITH_TIMEOUT(
        etiqueta->toolTip(),
        QStringLiteral("Paso 1 de 16 (paso 1:05, corrida 1:05): Eliminando las checadas "
                       "reales de Planta Sur..."),
        2500);
    progreso.Paso(std::string(300, 'x'));
    reloj.Fija(reloj.Ahora() + std::chrono::hours(1));
    QTRY_VERIFY_WITH_TIMEOUT(
        etiqueta->toolTip().startsWith("Paso 2 de 16 (paso 1:00:00, corrida 1:01:05): xxx"), 2500);
    // Un texto largo se corta al final, dentro de la etiqueta.
    QVERIFY(etiqueta->text().endsWith(QChar(0x2026)));
    QVERIFY(etiqueta->fontMetrics().horizontalAdvance(etiqueta->text()) <= etiqueta->width());

    progreso.Termina();
    QCOMPARE(etiqueta->text(), QStringLiteral("Para iniciar con la depuración oprima el botón <Iniciar>."));
    QCOMPARE(etiqueta->geometry(), QRect(165, 431, 268, 13));
    QCOMPARE(etiqueta->toolTip(), QString());
    // Las ayudas largas se parten en los blancos; una palabra más larga que el renglón queda entera.
    QCOMPARE(Ayuda("uno dos tres cuatro", 8), QStringLiteral("uno dos\ntres\ncuatro"));
    QCOMPARE(Ayuda(std::string(12, 'x') + " y", 8), Q(std::string(12, 'x') + "\ny"));
    QCOMPARE(TextoDuracion(std::chrono::seconds(3600 * 25 + 61)), std::string("25:01:01"));
}

QTEST_MAIN(PruebaVentana)
#include "prueba_ventana.moc"
