// El hilo obrero: los trabajos corren fuera del hilo de la ventana, sus avisos llegan a ella en
// orden y la ventana queda bloqueada, con el reloj de arena, hasta que terminan.
#include "ServiciosDePrueba.h"
#include "apoyo/CarpetaTemporal.h"
#include "app/MedidorDeLatidos.h"
#include "app/TrabajoEnSegundoPlano.h"
#include "log/Fechas.h"

#include <QPushButton>
#include <QSemaphore>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <stdexcept>

using namespace ov;
using namespace ov::prueba;

namespace {
const RelojFijo kReloj(ConHora(Fecha{std::chrono::year{2031} / std::chrono::March / 15}, 10, 20));
}

class PruebaTrabajo : public QObject {
    Q_OBJECT

private slots:
    void avisosEnOrdenYExcepciones();
    void ventanaBloqueadaMientrasCorre();
};

void PruebaTrabajo::avisosEnOrdenYExcepciones() {
    QObject ventana;
    app::TrabajoEnSegundoPlano trabajo(&ventana);
    QThread* const hiloVentana = QThread::currentThread();

    QThread* hiloDelTrabajo = nullptr;
    std::vector<int> recibidos;
    bool avisoFueraDeHilo = false;
    int terminados = 0;
    size_t recibidosAlTerminar = 0;
    QVERIFY(trabajo.Inicia(
        [&] {
            hiloDelTrabajo = QThread::currentThread();
            for (int i = 0; i < 500; ++i) {
                trabajo.Publica([&, i] {
                    avisoFueraDeHilo |= QThread::currentThread() != hiloVentana;
                    recibidos.push_back(i);
                });
            }
        },
        [&](std::exception_ptr error) {
            QVERIFY(!error);
            QCOMPARE(QThread::currentThread(), hiloVentana);
            recibidosAlTerminar = recibidos.size();
            ++terminados;
        }));
    // Uno a la vez: mientras corre no se acepta otro.
    QVERIFY(!trabajo.Inicia([] {}, nullptr));
    QTRY_COMPARE(terminados, 1);

    QVERIFY(hiloDelTrabajo != nullptr && hiloDelTrabajo != hiloVentana);
    QCOMPARE(hiloDelTrabajo, trabajo.Hilo());
    QVERIFY(!avisoFueraDeHilo);
    QCOMPARE(recibidos.size(), size_t{500});
    QVERIFY(std::is_sorted(recibidos.begin(), recibidos.end()));
    QCOMPARE(recibidosAlTerminar, size_t{500});

    // Libre otra vez; lo que escapa del trabajo llega como valor al final, no tumba el programa.
    std::string error;
    QVERIFY(trabajo.Inicia([] { throw std::runtime_error("se perdió la conexión"); },
                           [&](std::exception_ptr e) {
                               try {
                                   std::rethrow_exception(e);
                               } catch (const std::exception& x) {
                                   error = x.what();
                               }
                           }));
    QTRY_COMPARE(error, std::string("se perdió la conexión"));
}

void PruebaTrabajo::ventanaBloqueadaMientrasCorre() {
    CarpetaTemporal carpeta;
    ServiciosDePrueba servicios(kReloj);
    VentanaDePrueba v({servicios, kReloj, carpeta.Ruta(), SinConexiones()});
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));

    QSemaphore sigue;
    bool termino = false;
    bool bloqueadaAlTerminar = true;
    QStringList pasos;
    QVERIFY(v.IniciaOperacion(
        [&] {
            v.Publica([&] { pasos << "antes"; });
            sigue.acquire(); // una sentencia larga
            v.Publica([&] { pasos << "después"; });
        },
        [&](std::exception_ptr) {
            termino = true;
            bloqueadaAlTerminar = v.Bloqueada();
        }));
    QVERIFY(!v.IniciaOperacion([] {}, nullptr));

    QVERIFY(v.Bloqueada());
    QVERIFY(!v.List1->isEnabled() && !v.btnIniciar->isEnabled() && !v.Timer1->isActive());
    QVERIFY(QApplication::overrideCursor() != nullptr);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

    // El bucle de la ventana sigue girando aunque el trabajo esté detenido.
    app::MedidorDeLatidos medidor;
    medidor.Inicia();
    QTRY_COMPARE(pasos, QStringList{"antes"});
    QTest::qWait(500);
    medidor.Detiene();
    QVERIFY(medidor.Latidos() >= 10);
    QVERIFY2(medidor.MayorIntervaloMs() < 250, qPrintable(QString::number(medidor.MayorIntervaloMs())));

    // El cuadro de cierre no corta la operación.
    QVERIFY(!v.close());
    QVERIFY(v.isVisible());
    QCOMPARE(servicios.Mensajes.size(), size_t{1});
    QVERIFY(!termino);

    sigue.release();
    QTRY_VERIFY(termino);
    QCOMPARE(pasos, (QStringList{"antes", "después"}));
    QVERIFY(!bloqueadaAlTerminar);
    QVERIFY(v.List1->isEnabled() && v.btnIniciar->isEnabled() && v.Timer1->isActive());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(v.close());
}

QTEST_MAIN(PruebaTrabajo)
#include "prueba_trabajo.moc"
