// La ventana sobre la demostración, en offscreen: sondeo, plan, corridas en el obrero y bitácora.
#include "ServiciosDePrueba.h"
#include "apoyo/BaseSqlite.h"
#include "app/ArbolTareas.h"
#include "app/ConversionesQt.h"
#include "app/ImageList.h"
#include "app/ListaConexiones.h"
#include "app/MedidorDeLatidos.h"
#include "app/ProgresoCorrida.h"
#include "connections/ArchivoReg.h"
#include "log/Fechas.h"

#include <QContextMenuEvent>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>
#include <QWheelEvent>
#include <QtTest>
#include <algorithm>
#include <fstream>
#include <map>
#include <numeric>
#include <stdexcept>
#include <tuple>

using namespace ov;
using namespace ov::prueba;
using namespace ov::app;

namespace {

const RelojFijo kReloj(ConHora(Fecha{std::chrono::year{2026} / 12 / 6}, 10, 0));
const Rango kMarzo{Fecha{std::chrono::year{2025} / 3 / 1}, Fecha{std::chrono::year{2025} / 3 / 31}};
// Una línea de la bitácora, con la hora del reloj fijo.
std::string Linea(const std::string& texto) {
    return "2026-12-06 10:00\t" + texto + "\r\n";
}
const std::string kInicio = kBannerInicio + "\r\n" + Linea("Inicia programa. v2.2.0");

// La demostración en una carpeta propia; la ventana lee su orvalo.reg y escribe su bitácora ahí.
struct Demo {
    // El registro se lee una vez generada la demostración.
    explicit Demo(int checadas = 3000) : registro{(GeneraDemo(demo, checadas), demo / "orvalo.reg")} {}
    CarpetaTemporal carpeta;
    std::filesystem::path demo = carpeta / "demo", norte = demo / "orvalo_norte.db",
                          sur = demo / "orvalo_sur.db";
    ArchivoReg registro;
    std::string Bitacora() const {
        return LeeArchivo(carpeta / "Log" / ("ovNalvora_" + FormatoMesAnio(Hoy(kReloj)) + ".log"));
    }
};

// La ventana de verdad, con los sondeos contados y, si se pide, un obrero que lanza.
class VentanaContada : public frmNalvora {
public:
    VentanaContada(ServiciosDePrueba& s, const Demo& d, const Registro* otro = nullptr)
        : frmNalvora({s, kReloj, d.carpeta.Ruta(), otro ? *otro : d.registro}), s_(s) {}
    int Sondeos = 0;
    bool LanzaAlCorrer = false;
    bool Corrio(int sondeos) const { return Sondeos == sondeos && !Bloqueada(); }
    // Iniciar con esas respuestas: la ventana se bloquea y espera, sin bucles anidados, al sondeo final.
    bool Inicia(int sondeos, std::deque<bool> respuestas = {true, true}, int ms = 60000) {
        s_.Respuestas = std::move(respuestas);
        QTest::mouseClick(btnIniciar, Qt::LeftButton);
        const bool bloqueada = Bloqueada();
        return bloqueada && QTest::qWaitFor([&] { return Corrio(sondeos); }, ms) &&
               !QApplication::overrideCursor() && btnIniciar->isEnabled() && List1->isEnabled();
    }

protected:
    void ActualizaEstadisticas() override {
        ++Sondeos;
        frmNalvora::ActualizaEstadisticas();
    }
    ResultadoCorrida CorreDepuracion(Plan& plan, const Rango& rango, ObservadorCorrida& observador) override {
        if (LanzaAlCorrer) {
            throw std::runtime_error("se agotó la memoria del obrero");
        }
        return frmNalvora::CorreDepuracion(plan, rango, observador);
    }

private:
    ServiciosDePrueba& s_;
};

// Activa la ventana y espera a que el primer sondeo suelte los controles.
bool ActivaYEsperaSondeo(frmNalvora& v) {
    return Activa(v) && QTest::qWaitFor([&v] { return !v.Bloqueada(); }, 30000);
}

// Controles y temporizador en el estado pedido; Lista se bloquea en sus nodos y sigue desplazándose.
bool TodosHabilitados(const frmNalvora& v, bool si) {
    const auto& c = v.Controls();
    return v.Timer1->isActive() == si && v.Lista->viewport()->isEnabled() == si &&
           std::all_of(c.begin(), c.end(), [&v, si](QObject* o) {
               auto* w = qobject_cast<QWidget*>(o);
               return !w || w == v.Lista || w == v.frmTareas || w->isEnabled() == si;
           });
}

// Las líneas aparecen en la bitácora en este orden; entre ellas puede haber otras.
bool EnOrden(const std::string& bitacora, const std::vector<std::string>& lineas) {
    size_t desde = 0;
    for (const auto& l : lineas) {
        desde = bitacora.find(l, desde);
        if (desde == std::string::npos) {
            qWarning("Falta en la bitácora, en su lugar: %s", l.c_str());
            return false;
        }
        desde += l.size();
    }
    return true;
}

// El párrafo de las cuentas de una conexión, con las cuentas hechas con sqlite3 sobre su base.
std::string CuentasEsperadas(const std::filesystem::path& base, const std::string& conexion,
                             const std::string& checadas) {
    BaseSqlite b(base);
    std::string linea = conexion + ":";
    const std::vector<std::tuple<std::string, std::string, std::string>> tablas = {
        {checadas, "fechayhora", checadas},
        {"kardex", "fecha", "kardex"},
        {"bitacora", "fechahora", "bitácora"}};
    for (const auto& [tabla, columna, nombre] : tablas) {
        const long long total = b.Cuenta("SELECT count(*) FROM " + tabla);
        const long long quedan =
            b.Cuenta("SELECT count(*) FROM " + tabla + " WHERE " + columna + " < '2025-03-01' OR " + columna +
                     " >= '2025-04-01' OR " + columna + " IS NULL");
        linea += std::string(tabla == checadas ? " " : ", ") + nombre + " " + ConMiles(total - quedan) +
                 " de " + ConMiles(total);
    }
    return linea + ".";
}
const std::string kCabeceraCuentas = "Filas que se eliminarán, de las que hay en cada tabla:\r\n";

// El menú del clic derecho de Lista sobre el nodo k: elige la acción con ese texto.
bool DelMenu(frmNalvora& v, int k, const QString& accion) {
    QMenu* menu = MenuDeLista(v, k);
    if (menu) {
        Elige(menu, accion);
    }
    return menu;
}

QStringList TextosDe(const QTreeWidget* arbol) {
    QStringList textos;
    for (int i = 0; i < arbol->topLevelItemCount(); ++i) {
        textos << arbol->topLevelItem(i)->text(0);
    }
    return textos;
}

QStringList CifrasDe(const QTreeWidgetItem* fila) {
    return {fila->text(1), fila->text(2), fila->text(3), fila->text(4), fila->text(5)};
}

// Las cifras que la lista debe mostrar, sacadas de la base sin pasar por ODBC.
QStringList CifrasEsperadas(const std::filesystem::path& base, const std::string& tablaChecadas) {
    BaseSqlite b(base);
    const double bytes = static_cast<double>(b.Cuenta("PRAGMA page_count") * b.Cuenta("PRAGMA page_size"));
    return {QString::asprintf("%.2f MB", bytes / (1024.0 * 1024.0)).rightJustified(18, u' '),
            Q(b.Valor("SELECT substr(min(fechayhora), 1, 16) FROM " + tablaChecadas)),
            Q(b.Valor("SELECT substr(max(fechayhora), 1, 16) FROM " + tablaChecadas)),
            Q(b.Valor("SELECT substr(min(fecha), 1, 10) FROM kardex")),
            Q(b.Valor("SELECT substr(max(fecha), 1, 10) FROM kardex"))};
}

QStringList Pendientes(const QString& n) {
    return {"Se eliminarán las checadas reales de " + n + ".",
            "Se recrearán los índices de las checadas reales de " + n + ".",
            "Se eliminarán las asistencias y programaciones de " + n + ".",
            "Se recrearán los índices de las asistencias y programaciones de " + n + ".",
            "Se eliminarán los registros de bitácora de " + n + ".",
            "Se recrearán los índices de los registros de bitácora de " + n + ".",
            "Se liberará espacio de " + n + ".",
            "Se actualizarán cifras de uso de " + n + "."};
}

// Ningún nodo marcado, con imagen ni en negrita: como los deja una reconstrucción.
bool NodosRecienCreados(const QTreeWidget* arbol) {
    for (int i = 0; i < arbol->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* n = arbol->topLevelItem(i);
        if (n->checkState(0) || !(n->flags() & Qt::ItemIsUserCheckable) || ImagenDe(n) || n->font(0).bold()) {
            return false;
        }
    }
    return true;
}

void ClicEnEncabezado(QTreeWidget* lista, int columna) {
    QHeaderView* h = lista->header();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(columna) + 5, 5));
}

} // namespace

class PruebaVentanaDemo : public QObject {
    Q_OBJECT

private slots:
    void sondeoYPlan();
    void laVentanaLateDuranteUnSondeoLargo();
    void corridasDesdeLaVentana();
    void dosConexionesALaVista();
    void pasoSinConexionYNadaQueCorrer();
    void laVentanaLateDuranteUnaCorrida();
    void unSobranteSeReponeDesdeLaVentana();
};

void PruebaVentanaDemo::sondeoYPlan() {
    Demo d;
    ServiciosDePrueba servicios(kReloj);
    VentanaContada v(servicios, d);
    QTreeWidgetItem* norte = v.List1->topLevelItem(0);
    QTreeWidgetItem* sur = v.List1->topLevelItem(1);
    QTreeWidgetItem* corporativo = v.List1->topLevelItem(2);
    QCOMPARE(TextosDe(v.List1), (QStringList{"Planta Norte", "Planta Sur", "Corporativo SQL"}));
    QCOMPARE(CifrasDe(norte), QStringList(5));
    QCOMPARE(v.List1->columnCount(), 6); // los encabezados del diseño, una sola vez

    // Norte tiene "Transacciones": sus checadas salen de ahí; Sur no la tiene.
    QVERIFY(ActivaYEsperaSondeo(v));
    QCOMPARE(v.Sondeos, 1);
    QCOMPARE(CifrasDe(norte), CifrasEsperadas(d.norte, "transacciones"));
    QCOMPARE(CifrasDe(sur), CifrasEsperadas(d.sur, "checadas"));
    QVERIFY(HayTransaccionesDe(norte) && !HayTransaccionesDe(sur));
    QVERIFY(!Atenuada(norte) && !Atenuada(sur));
    // El servidor cerrado: atenuada, en gris y sin cifras.
    QVERIFY(Atenuada(corporativo));
    QCOMPARE(corporativo->foreground(0).color(),
             v.List1->palette().color(QPalette::Disabled, QPalette::Text));
    QVERIFY(corporativo->foreground(0).color() != norte->foreground(0).color());
    QCOMPARE(CifrasDe(corporativo), QStringList(5));
    QVERIFY(TodosHabilitados(v, true) && !QApplication::overrideCursor() && servicios.Mensajes.empty());

    // Volver a la ventana, como tras un cuadro de mensaje, no sondea otra vez.
    QWidget otra;
    QVERIFY(Activa(otra) && Activa(v));
    QCOMPARE(v.Sondeos, 1);

    // Una fila: sus ocho pasos. Dos: en el orden en que se muestran, cada bloque con la bandera de su base.
    sur->setCheckState(0, Qt::Checked);
    QCOMPARE(TextosDe(v.Lista), Pendientes("Planta Sur"));
    QVERIFY(NodosRecienCreados(v.Lista));
    norte->setCheckState(0, Qt::Checked);
    QCOMPARE(TextosDe(v.Lista), Pendientes("Planta Norte") + Pendientes("Planta Sur"));
    QCOMPARE(v.Tareas.TareaEn(1).Clave, std::string("TRANSACCIONES"));
    QCOMPARE(v.Tareas.TareaEn(9).Clave, std::string("CHECADAS"));

    // Cambiar textos de una fila marcada no es un cambio de marca: lo marcado sigue en pie.
    v.Lista->topLevelItem(0)->setCheckState(0, Qt::Checked);
    norte->setText(1, QStringLiteral("          99.00 MB"));
    QCOMPARE(v.Lista->topLevelItem(0)->checkState(0), Qt::Checked);

    // Ordenar no toca el árbol; cada clic invierte la dirección, el primero desde la ascendente.
    const std::vector<std::pair<int, QStringList>> clics = {
        {0, {"Planta Sur", "Planta Norte", "Corporativo SQL"}},
        {1, {"Corporativo SQL", "Planta Sur", "Planta Norte"}}, // Tamaño: vacío, 10.xx MB, 99.00 MB
        {1, {"Planta Norte", "Planta Sur", "Corporativo SQL"}},
        {0, {"Corporativo SQL", "Planta Norte", "Planta Sur"}}};
    for (const auto& [columna, orden] : clics) {
        ClicEnEncabezado(v.List1, columna);
        QCOMPARE(TextosDe(v.List1), orden);
    }
    QCOMPARE(v.Lista->topLevelItem(0)->text(0), Pendientes("Planta Norte").first());

    // El siguiente cambio de marca rehace el plan en el nuevo orden; la fila atenuada se marca igual.
    corporativo->setCheckState(0, Qt::Checked);
    QCOMPARE(TextosDe(v.Lista),
             Pendientes("Corporativo SQL") + Pendientes("Planta Norte") + Pendientes("Planta Sur"));
    QVERIFY(NodosRecienCreados(v.Lista));

    // Desmarcar rehace desde cero: lo que el operador marcó o una corrida pintó desaparece.
    v.Lista->topLevelItem(3)->setCheckState(0, Qt::Checked);
    AplicaNodo(v.Lista->topLevelItem(9), {"Recreando...", Imagen::Flecha, true, true}, *v.ImageList1);
    norte->setCheckState(0, Qt::Unchecked);
    QCOMPARE(TextosDe(v.Lista), Pendientes("Corporativo SQL") + Pendientes("Planta Sur"));
    QVERIFY(NodosRecienCreados(v.Lista));

    // No a la primera pregunta: solo el sondeo; Norte sin kardex dice el error y conserva sus cifras.
    const QStringList cifrasNorte = CifrasDe(norte);
    BaseSqlite(d.norte).Ejecuta("DROP TABLE kardex");
    BaseSqlite(d.sur).Ejecuta("DELETE FROM checadas");
    QVERIFY(v.Inicia(2, {}));
    QCOMPARE(servicios.Mensajes.size(), size_t{1});
    QCOMPARE(d.Bitacora(), kInicio);
    QCOMPARE(CifrasDe(norte), cifrasNorte);
    QVERIFY2(norte->toolTip(0).contains("kardex"), qPrintable(norte->toolTip(0)));
    QCOMPARE(norte->toolTip(3), norte->toolTip(0));
    QCOMPARE(sur->text(2), QString()); // checadas vacía: sin fechas
    QCOMPARE(sur->toolTip(0), QString());
    QVERIFY(Atenuada(corporativo));             // nunca se desatenúa
    QCOMPARE(v.Lista->topLevelItemCount(), 16); // el sondeo escribe en filas marcadas sin rehacer el plan

    // Desde después de Hasta: un aviso y nada más, ni preguntas ni sondeo.
    v.DTPicker1[0]->setDate(QDate(2025, 4, 1));
    v.DTPicker1[1]->setDate(QDate(2025, 3, 31));
    servicios.Respuestas = {true, true};
    QTest::mouseClick(v.btnIniciar, Qt::LeftButton);
    QCOMPARE(servicios.Mensajes.size(), size_t{2});
    QVERIFY(EsAviso(servicios.Mensajes[1]));
    QTest::qWait(100);
    QVERIFY(v.Corrio(2));

    corporativo->setCheckState(0, Qt::Unchecked);
    sur->setCheckState(0, Qt::Unchecked);
    QVERIFY(v.Lista->topLevelItemCount() == 0 && v.Tareas.ElementosTareas() == 1);
}

void PruebaVentanaDemo::laVentanaLateDuranteUnSondeoLargo() {
    // Muchas entradas que abren las bases de la demostración: un sondeo de varios segundos.
    Demo d;
    constexpr int kEntradas = 100;
    std::ofstream reg(d.demo / "muchas.reg");
    reg << "REGEDIT4\r\n\r\n";
    for (int i = 0; i < kEntradas; ++i) {
        reg << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Quintara\\Orvalo\\Conexiones\\" << i
            << "]\r\n\"Name\"=\"Base " << i
            << "\"\r\n\"Conn\"=\"Driver=SQLite3;Database=" << (i % 2 ? d.sur : d.norte).string()
            << "\"\r\n\r\n";
    }
    reg.close();
    const ArchivoReg muchas(d.demo / "muchas.reg");
    ServiciosDePrueba servicios(kReloj);
    VentanaContada v(servicios, d, &muchas);

    const auto& controles = v.Controls();
    QVERIFY(controles.size() == 16 && controles.back() == v.ImageList1); // sin Enabled: el bloqueo la salta

    // Fila por fila, en orden y en el hilo de la ventana, bloqueada; a medias el cierre se rechaza con aviso.
    std::vector<int> filas;
    bool fueraDeHilo = false, bloqueadaAMedias = false;
    connect(v.List1->model(), &QAbstractItemModel::dataChanged, &v, [&](const QModelIndex& i) {
        if (i.column() != 1 || !v.Bloqueada() || (!filas.empty() && filas.back() == i.row())) {
            return;
        }
        fueraDeHilo |= QThread::currentThread() != qApp->thread();
        filas.push_back(i.row());
        if (i.row() == kEntradas / 2) {
            const QCursor* c = QApplication::overrideCursor();
            bloqueadaAMedias = TodosHabilitados(v, false) && c && c->shape() == Qt::WaitCursor &&
                               !v.close() && v.AvisoDeCierre() && v.AvisoDeCierre()->isVisible() &&
                               v.AvisoDeCierre()->text().contains("no se puede detener") &&
                               ColorTexto(v.lblImportante) ==
                                   v.lblImportante->palette().color(QPalette::Disabled, QPalette::WindowText);
        }
    });
    MedidorDeLatidos medidor;
    medidor.Inicia();
    QVERIFY(ActivaYEsperaSondeo(v));
    medidor.Detiene();
    qInfo("Sondeo de %d filas: %d latidos; mayor intervalo entre vueltas del bucle: %lld ms", kEntradas,
          medidor.Latidos(), medidor.MayorIntervaloMs());
    std::vector<int> enOrden(kEntradas);
    std::iota(enOrden.begin(), enOrden.end(), 0);
    QCOMPARE(filas, enOrden);
    QVERIFY(!fueraDeHilo && bloqueadaAMedias && TodosHabilitados(v, true) && !QApplication::overrideCursor());
    // El aviso no detuvo nada y se cerró solo al terminar el sondeo.
    QVERIFY(servicios.Mensajes.empty());
    QVERIFY(!v.AvisoDeCierre() || !v.AvisoDeCierre()->isVisible());
    QCOMPARE(d.Bitacora(), kInicio); // el cierre rechazado no escribió el final
    QVERIFY(medidor.Latidos() > 10 && medidor.MayorIntervaloMs() < 1000);
}

void PruebaVentanaDemo::corridasDesdeLaVentana() {
    Demo d;
    const long long fueraDeMarzo =
        BaseSqlite(d.sur).Cuenta("SELECT count(*) FROM checadas WHERE fechayhora < '2025-03-01' OR "
                                 "fechayhora >= '2025-04-01' OR fechayhora IS NULL");
    QVERIFY(BaseSqlite(d.sur).Cuenta("SELECT count(*) FROM checadas") > fueraDeMarzo);
    ServiciosDePrueba servicios(kReloj);
    VentanaContada v(servicios, d);
    QVERIFY(ActivaYEsperaSondeo(v));
    v.List1->topLevelItem(1)->setCheckState(0, Qt::Checked); // Planta Sur, con sus ocho pasos palomeados
    for (int i = 0; i < 8; ++i) {
        v.Lista->topLevelItem(i)->setCheckState(0, Qt::Checked);
    }
    v.DTPicker1[0]->setDate(AQDate(kMarzo.Desde));
    v.DTPicker1[1]->setDate(AQDate(kMarzo.Hasta));
    // La sucesión de (imagen, negrita) por la que pasa cada nodo, sin repeticiones seguidas.
    std::map<int, std::vector<std::pair<int, bool>>> historial;
    connect(v.Lista, &QTreeWidget::itemChanged, &v, [&](QTreeWidgetItem* n) {
        auto& h = historial[v.Lista->indexOfTopLevelItem(n) + 1];
        if (const std::pair aspecto{ImagenDe(n), n->font(0).bold()}; h.empty() || h.back() != aspecto) {
            h.push_back(aspecto);
        }
    });

    const std::string cuentasSur = CuentasEsperadas(d.sur, "Planta Sur", "checadas");
    QVERIFY(v.Inicia(2));
    QStringList vistos;
    for (const auto& m : servicios.Mensajes) {
        vistos << Q(m.Tipo + " | " + m.Titulo + " | " + m.Texto);
    }
    QCOMPARE(vistos,
             (QStringList{Q("pregunta | Advertencia | " + TextoPrimeraPregunta(kCaptionImportante)),
                          Q("pregunta | Advertencia | " + TextoSegundaPregunta(kMarzo, kCaptionLabel1) +
                            "\r\n\r\n" + kCabeceraCuentas + cuentasSur),
                          Q("informa | " + kCaption + " | Proceso de depuración terminado.")}));
    // Cada nodo pasó por En proceso y Terminado y así se queda; lo que hizo el obrero volvió al plan.
    std::string esperada = kInicio + Linea("Inicia depuración del 2025-03-01 al 2025-03-31.");
    for (int k = 1; k <= 8; ++k) {
        const Tarea& t = v.Tareas.TareaEn(k);
        const QTreeWidgetItem* n = v.Lista->topLevelItem(k - 1);
        QCOMPARE(n->text(0), Q(t.Terminado));
        QVERIFY(ImagenDe(n) == 3 && !n->icon(0).isNull() && !n->font(0).bold() &&
                n->checkState(0) == Qt::Checked);
        QCOMPARE(historial[k], (std::vector<std::pair<int, bool>>{{2, true}, {3, false}}));
        QVERIFY(!t.Sentencia.empty() && v.Tareas.NodoEn(k).Image == Imagen::Palomita);
        esperada += Linea(t.EnProceso) + Linea(t.Terminado);
    }
    // Cada tabla depurada deja una línea más con sus cifras, tras su línea de terminado.
    std::string bitacora = d.Bitacora();
    int cifras = 0;
    for (size_t p = bitacora.find(" filas eliminadas, "); p != std::string::npos;
         p = bitacora.find(" filas eliminadas, ")) {
        const size_t inicio = bitacora.rfind("\r\n", p) + 2;
        bitacora.erase(inicio, bitacora.find("\r\n", p) + 2 - inicio);
        ++cifras;
    }
    QCOMPARE(cifras, 3);
    QCOMPARE(Q(bitacora), Q(esperada + Linea("Termina depuración del 2025-03-01 al 2025-03-31.")));
    QCOMPARE(BaseSqlite(d.sur).Cuenta("SELECT count(*) FROM checadas"), fueraDeMarzo);
    QVERIFY(!std::filesystem::exists(d.demo / "orvalo_temp.db"));

    // Un disparador impide borrar en la bitácora: el quinto paso falla con su texto y los demás corren.
    {
        BaseSqlite sur(d.sur);
        sur.Ejecuta("INSERT INTO bitacora (fechahora, usuario) VALUES ('2025-03-10 08:00:00', 'x')");
        sur.Ejecuta(
            "CREATE TRIGGER rechaza BEFORE DELETE ON bitacora BEGIN SELECT RAISE(ABORT, 'fila rechazada'); "
            "END");
    }
    QVERIFY(v.Inicia(3));
    for (int k = 1; k <= 8; ++k) {
        const QTreeWidgetItem* n = v.Lista->topLevelItem(k - 1);
        QCOMPARE(ImagenDe(n), k == 5 ? 5 : 3);
        QVERIFY(!n->font(0).bold());
    }
    const QString fallido = v.Lista->topLevelItem(4)->text(0);
    QVERIFY2(fallido.contains("fila rechazada"), qPrintable(fallido));
    QCOMPARE(fallido, Q(TextoFalla(v.Tareas.TareaEn(5))));
    QVERIFY(EsAviso(servicios.Mensajes.back(), "no terminaron bien"));
    QVERIFY(!std::filesystem::exists(d.demo / "orvalo_temp.db"));
    QVERIFY(d.Bitacora().find(S(fallido)) != std::string::npos);

    // Lo que escapa del obrero: la ventana se desbloquea, lo dice en español, lo anota y sondea.
    const auto antes = LeeArchivo(d.sur);
    v.LanzaAlCorrer = true;
    QVERIFY(v.Inicia(4));
    QVERIFY(EsAviso(servicios.Mensajes.back(), "error inesperado: se agotó la memoria del obrero"));
    QVERIFY(d.Bitacora().find(servicios.Mensajes.back().Texto) != std::string::npos);
    QCOMPARE(LeeArchivo(d.sur), antes);
}

// Dieciséis pasos: cada uno a la vista y en la etiqueta; la lista bloqueada se desplaza sin marcarse.
void PruebaVentanaDemo::dosConexionesALaVista() {
    Demo d;
    ServiciosDePrueba servicios(kReloj);
    VentanaContada v(servicios, d);
    QVERIFY(ActivaYEsperaSondeo(v));
    v.List1->topLevelItem(0)->setCheckState(0, Qt::Checked);
    v.List1->topLevelItem(1)->setCheckState(0, Qt::Checked);
    // Sin bloqueo, un clic en la casilla marca el nodo.
    QTreeWidgetItem* primero = v.Lista->topLevelItem(0);
    const QRect r = v.Lista->visualItemRect(primero);
    auto clicEnCasilla = [&](QTreeWidgetItem* n) {
        const QRect c = v.Lista->visualItemRect(n);
        QTest::mouseClick(v.Lista->viewport(), Qt::LeftButton, {}, QPoint(c.left() + 10, c.center().y()));
    };
    clicEnCasilla(primero);
    QCOMPARE(primero->checkState(0), Qt::Checked);
    QVERIFY(r.height() * 16 > v.Lista->viewport()->height()); // no caben: hay que desplazarse
    QVERIFY(DelMenu(v, 9, "Marcar todos los pasos"));
    v.DTPicker1[0]->setDate(AQDate(kMarzo.Desde));
    v.DTPicker1[1]->setDate(AQDate(kMarzo.Hasta));
    const std::string cuentas = kCabeceraCuentas +
                                CuentasEsperadas(d.norte, "Planta Norte", "transacciones") + "\r\n" +
                                CuentasEsperadas(d.sur, "Planta Sur", "checadas");
    const QString textoLabel2 = v.Label2->text();
    const QRect lugarLabel2 = v.Label2->geometry();

    QStringList progreso;
    int fueraDeVista = 0;
    bool bloqueoProbado = false, avisoAbiertoAlFinal = true, etiquetaDeVuelta = false;
    connect(v.Lista, &QTreeWidget::itemChanged, &v, [&](QTreeWidgetItem* n) {
        if (ImagenDe(n) != 2 || !n->font(0).bold()) {
            return;
        }
        progreso << v.Label2->toolTip();
        fueraDeVista += v.Lista->viewport()->rect().contains(v.Lista->visualItemRect(n)) ? 0 : 1;
        if (v.Lista->indexOfTopLevelItem(n) == 2) {
            QScrollBar* barra = v.Lista->verticalScrollBar();
            const int antes = barra->value();
            const QPointF dentro(20, 20);
            QWheelEvent rueda(dentro, v.Lista->viewport()->mapToGlobal(dentro), {}, QPoint(0, -240),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(v.Lista->viewport(), &rueda);
            QTreeWidgetItem* visible = v.Lista->itemAt(dentro.toPoint());
            clicEnCasilla(visible);
            v.Lista->setCurrentItem(visible);
            QTest::keyClick(v.Lista, Qt::Key_Space);
            bloqueoProbado = barra->isEnabled() && barra->value() > antes &&
                             visible->checkState(0) == Qt::Checked && !v.close() && v.AvisoDeCierre() &&
                             v.AvisoDeCierre()->isVisible();
        }
    });
    servicios.AlMostrar = [&](const ServiciosDePrueba::Mensaje& m) {
        if (m.Tipo == "informa") {
            avisoAbiertoAlFinal = v.AvisoDeCierre() && v.AvisoDeCierre()->isVisible();
            etiquetaDeVuelta = v.Label2->text() == textoLabel2 && v.Label2->geometry() == lugarLabel2;
        }
    };
    QVERIFY(v.Inicia(2));
    QCOMPARE(servicios.Mensajes[1].Texto,
             TextoSegundaPregunta(kMarzo, kCaptionLabel1) + "\r\n\r\n" + cuentas);
    QCOMPARE(progreso.size(), 16);
    for (int k = 1; k <= 16; ++k) {
        QCOMPARE(progreso[k - 1], Q(TextoPaso(k, 16, v.Tareas.TareaEn(k).EnProceso, {}, {})));
    }
    QCOMPARE(fueraDeVista, 0);
    QVERIFY(bloqueoProbado);
    QVERIFY(!avisoAbiertoAlFinal && etiquetaDeVuelta);
    QCOMPARE(servicios.Mensajes.back().Texto, std::string(kMensajeTerminado));
    // Tras cada paso de datos, su línea de cifras con la conexión; tras los demás, el paso siguiente.
    const std::string bitacora = d.Bitacora();
    size_t desde = 0;
    for (int k = 1; k <= 16; ++k) {
        const Tarea& t = v.Tareas.TareaEn(k);
        desde = bitacora.find(Linea(t.EnProceso) + Linea(t.Terminado), desde);
        QVERIFY2(desde != std::string::npos, t.Terminado.c_str());
        desde = bitacora.find("\r\n", desde) + 2;
        desde = bitacora.find("\r\n", desde) + 2;
        const std::string siguiente = bitacora.substr(desde, bitacora.find("\r\n", desde) + 2 - desde);
        const std::string otroPaso = k < 16 ? Linea(v.Tareas.TareaEn(k + 1).EnProceso)
                                            : Linea("Termina depuración del 2025-03-01 al 2025-03-31.");
        if (TablaDeClave(t.Clave)) {
            QVERIFY2(siguiente != otroPaso && siguiente.find(t.Conexion) != std::string::npos,
                     siguiente.c_str());
        } else {
            QCOMPARE(siguiente, otroPaso);
        }
    }
}

// La conexión que no abre dice por qué en todas partes; sin pasos marcados, que no se elimina nada.
void PruebaVentanaDemo::pasoSinConexionYNadaQueCorrer() {
    Demo d;
    ServiciosDePrueba servicios(kReloj);
    VentanaContada v(servicios, d);
    QVERIFY(ActivaYEsperaSondeo(v));
    QTreeWidgetItem* corporativo = v.List1->topLevelItem(2);
    const QString prefijo = QStringLiteral("No se pudo abrir la conexión. ");
    const QString porQue = QString(corporativo->toolTip(0)).replace(u'\n', u' ');
    QVERIFY(corporativo->toolTip(0).contains(u'\n')); // partida en renglones: no pasa de la pantalla
    QVERIFY2(porQue.startsWith(prefijo) && porQue.size() > prefijo.size() + 5, qPrintable(porQue));
    QCOMPARE(corporativo->toolTip(5), corporativo->toolTip(0));
    QVERIFY(v.List1->topLevelItem(0)->toolTip(0).isEmpty());
    const std::string error = S(porQue.mid(prefijo.size()));

    corporativo->setCheckState(0, Qt::Checked);
    QVERIFY(DelMenu(v, 1, "Marcar los pasos de Corporativo SQL"));
    const Rango hoy{Hoy(kReloj), Hoy(kReloj)};
    QVERIFY(v.Inicia(2));
    QCOMPARE(servicios.Mensajes[1].Texto, TextoSegundaPregunta(hoy, kCaptionLabel1) + "\r\n\r\n" +
                                              kCabeceraCuentas +
                                              "Corporativo SQL: no se pudo abrir la conexión, " + error +
                                              (error.back() == '.' ? "" : "."));
    // El paso se queda En proceso, como siempre; su ayuda emergente y la bitácora dicen por qué.
    const QTreeWidgetItem* paso = v.Lista->topLevelItem(0);
    QVERIFY(ImagenDe(paso) == 2 && paso->font(0).bold());
    QCOMPARE(paso->text(0), Q(v.Tareas.TareaEn(1).EnProceso));
    QCOMPARE(paso->toolTip(0), Ayuda("El paso no corrió: no se pudo abrir su conexión. " + error));
    QVERIFY(EnOrden(d.Bitacora(),
                    {Linea(v.Tareas.TareaEn(1).EnProceso),
                     Linea("No se pudo abrir la conexión Corporativo SQL; el paso no corrió. " + error)}));
    const auto& final = servicios.Mensajes.back();
    QVERIFY(EsAviso(final, kMensajeSinConexion) && EsAviso(final, kMensajeNadaCorrio));

    // Sur sin ningún paso marcado, y luego sin conexiones marcadas: nada que contar ni que correr.
    corporativo->setCheckState(0, Qt::Unchecked);
    v.List1->topLevelItem(1)->setCheckState(0, Qt::Checked);
    const std::string nada = std::string(kMensajeTerminado) + "\r\n" + kMensajeNadaCorrio;
    for (int sondeos : {3, 4}) {
        QVERIFY(v.Inicia(sondeos));
        QCOMPARE(servicios.Mensajes[servicios.Mensajes.size() - 2].Texto,
                 TextoSegundaPregunta(hoy, kCaptionLabel1) +
                     "\r\n\r\nNo hay marcado ningún paso que elimine datos: no se eliminará ninguna fila.");
        QCOMPARE(servicios.Mensajes.back().Tipo, std::string("informa"));
        QCOMPARE(servicios.Mensajes.back().Texto, nada);
        v.List1->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    }
}

// El bucle de eventos nunca se detiene más de 100 ms (OV_CHECADAS_LATIDOS=1000000 para un millón).
void PruebaVentanaDemo::laVentanaLateDuranteUnaCorrida() {
    const int checadas = qEnvironmentVariableIsSet("OV_CHECADAS_LATIDOS")
                             ? qEnvironmentVariableIntValue("OV_CHECADAS_LATIDOS")
                             : 30000;
    Demo d(checadas);
    ServiciosDePrueba servicios(kReloj);
    VentanaContada v(servicios, d);
    QVERIFY(ActivaYEsperaSondeo(v));
    v.List1->topLevelItem(0)->setCheckState(0, Qt::Checked);
    v.List1->topLevelItem(1)->setCheckState(0, Qt::Checked);
    QVERIFY(DelMenu(v, 1, "Marcar todos los pasos"));
    // Año y medio de los tres: cerca de la mitad de las filas se va.
    v.DTPicker1[0]->setDate(QDate(2024, 1, 1));
    v.DTPicker1[1]->setDate(QDate(2025, 6, 30));
    MedidorDeLatidos medidor;
    QElapsedTimer reloj;
    reloj.start();
    medidor.Inicia();
    QVERIFY(v.Inicia(2, {true, true}, 1800000));
    medidor.Detiene();
    qInfo("Corrida de 16 pasos sobre %d checadas por base en %lld ms: %d latidos; mayor intervalo del bucle: "
          "%lld ms",
          checadas, reloj.elapsed(), medidor.Latidos(), medidor.MayorIntervaloMs());
    QCOMPARE(servicios.Mensajes.back().Texto, std::string(kMensajeTerminado));
    QVERIFY2(medidor.MayorIntervaloMs() < 100, qPrintable(QString::number(medidor.MayorIntervaloMs())));
}

// Filas que otra versión dejó en orvalo_temp: la ventana ofrece reponerlas y, sin origen, no las pone.
void PruebaVentanaDemo::unSobranteSeReponeDesdeLaVentana() {
    Demo d;
    long long total = 0, copiadas = 0;
    {
        BaseSqlite s(d.sur, true);
        s.Ejecuta("ATTACH DATABASE '" + (d.demo / "orvalo_temp.db").string() + "' AS orvalo_temp");
        s.Ejecuta(
            "CREATE TABLE orvalo_temp.checadas AS SELECT * FROM checadas WHERE fechayhora < '2024-06-01'");
        total = s.Cuenta("SELECT count(*) FROM checadas");
        copiadas = s.Cuenta("SELECT count(*) FROM orvalo_temp.checadas");
        s.Ejecuta("DELETE FROM checadas WHERE fechayhora < '2024-06-01'");
    }
    QVERIFY(copiadas > 0);
    ServiciosDePrueba servicios(kReloj);
    VentanaContada v(servicios, d);
    QVERIFY(ActivaYEsperaSondeo(v));
    v.List1->topLevelItem(1)->setCheckState(0, Qt::Checked);
    v.Lista->topLevelItem(0)->setCheckState(0, Qt::Checked);
    QVERIFY(v.Inicia(2, {true, true, true}));
    QCOMPARE(servicios.Mensajes.size(), size_t{4});
    const auto& oferta = servicios.Mensajes[2];
    QCOMPARE(oferta.Tipo, std::string("pregunta"));
    QVERIFY2(oferta.Texto.find("origen desconocido") != std::string::npos &&
                 oferta.Texto.find("¿Desea reponer ahora esas filas") != std::string::npos,
             oferta.Texto.c_str());
    // Sin origen registrado no se sabe de qué base son: no van a la marcada sin que el operador la elija.
    QCOMPARE(servicios.Mensajes[3].Tipo, std::string("advierte"));
    QVERIFY2(servicios.Mensajes[3].Texto.find("no se sabe a qué base pertenecen") != std::string::npos,
             servicios.Mensajes[3].Texto.c_str());
    QCOMPARE(BaseSqlite(d.sur).Cuenta("SELECT count(*) FROM checadas"), total - copiadas);
    QVERIFY(std::filesystem::exists(d.demo / "orvalo_temp.db"));
}

QTEST_MAIN(PruebaVentanaDemo)
#include "prueba_ventana_demo.moc"
