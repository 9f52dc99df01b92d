// List1 y el plan sobre la demostración: el sondeo desde la ventana, las filas atenuadas, el
// orden por columna, el plan que sigue a las marcas y la ventana viva durante un sondeo largo.
#include "DemoVentana.h"
#include "app/ArbolTareas.h"
#include "app/ConversionesQt.h"
#include "app/ListaConexiones.h"
#include "app/MedidorDeLatidos.h"

#include <QHeaderView>
#include <QPushButton>
#include <QSignalBlocker>
#include <QtTest>
#include <fstream>

using namespace ov;
using namespace ov::prueba;
using namespace ov::app;

namespace {

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

QStringList CifrasDe(const QTreeWidgetItem* fila) {
    QStringList cifras;
    for (int c = 1; c <= 5; ++c) {
        cifras << fila->text(c);
    }
    return cifras;
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
        if (n->checkState(0) != Qt::Unchecked || !(n->flags() & Qt::ItemIsUserCheckable) ||
            ImagenDe(n) != 0 || n->font(0).bold()) {
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

class PruebaListaConexiones : public QObject {
    Q_OBJECT

private slots:
    void sondeoDeLaDemostracion();
    void elPlanSigueALasMarcas();
    void limiteDeConexionesMarcadas();
    void laVentanaLateDuranteUnSondeoLargo();
};

void PruebaListaConexiones::sondeoDeLaDemostracion() {
    DemoEnCarpeta d;
    ServiciosDePrueba servicios(kRelojDemo);
    VentanaContada v({servicios, kRelojDemo, d.carpeta.Ruta(), *d.registro});

    QCOMPARE(TextosDe(v.List1), (QStringList{"Planta Norte", "Planta Sur", "Corporativo SQL"}));
    QCOMPARE(v.List1->topLevelItem(0)->text(1), QString());
    QCOMPARE(v.List1->columnCount(), 6); // los encabezados del diseño, una sola vez

    QVERIFY(ActivaYEsperaSondeo(v));
    QCOMPARE(v.Sondeos, 1);
    QTreeWidgetItem* norte = v.List1->topLevelItem(0);
    QTreeWidgetItem* sur = v.List1->topLevelItem(1);
    QTreeWidgetItem* corporativo = v.List1->topLevelItem(2);
    // Norte tiene "Transacciones": sus checadas salen de ahí; Sur no la tiene.
    QCOMPARE(CifrasDe(norte), CifrasEsperadas(d.Norte(), "transacciones"));
    QCOMPARE(CifrasDe(sur), CifrasEsperadas(d.Sur(), "checadas"));
    QVERIFY(HayTransaccionesDe(norte) && !HayTransaccionesDe(sur));
    QVERIFY(!Atenuada(norte) && !Atenuada(sur));

    // El servidor cerrado: atenuada, en gris, sin cifras y todavía marcable.
    QVERIFY(Atenuada(corporativo));
    QCOMPARE(corporativo->foreground(0).color(),
             v.List1->palette().color(QPalette::Disabled, QPalette::Text));
    QVERIFY(corporativo->foreground(0).color() != norte->foreground(0).color());
    QCOMPARE(CifrasDe(corporativo), QStringList(5));
    QVERIFY(corporativo->flags() & Qt::ItemIsUserCheckable);
    corporativo->setCheckState(0, Qt::Checked);
    QCOMPARE(v.Lista->topLevelItemCount(), 8);

    QVERIFY(v.List1->isEnabled() && v.btnIniciar->isEnabled() && v.Timer1->isActive());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(servicios.Mensajes.empty());

    // Volver a la ventana, como tras un cuadro de mensaje, no sondea otra vez.
    QVERIFY(ReactivaDesdeOtra(v));
    QCOMPARE(v.Sondeos, 1);
    QVERIFY(!v.Bloqueada());

    // Una base sin kardex: la fila muestra el error, conserva sus cifras y la siguiente se sondea.
    const QStringList cifrasNorte = CifrasDe(norte);
    BaseSqlite(d.Norte()).Ejecuta("DROP TABLE kardex");
    BaseSqlite(d.Sur()).Ejecuta("DELETE FROM checadas");
    servicios.Respuestas = {false}; // No a la primera pregunta: solo el sondeo
    QTest::mouseClick(v.btnIniciar, Qt::LeftButton);
    QTRY_VERIFY(v.Sondeos == 2 && !v.Bloqueada());
    QCOMPARE(CifrasDe(norte), cifrasNorte);
    QVERIFY2(norte->toolTip(0).contains("kardex"), qPrintable(norte->toolTip(0)));
    QCOMPARE(norte->toolTip(3), norte->toolTip(0));
    QCOMPARE(sur->text(2), QString()); // checadas vacía: sin fechas
    QCOMPARE(sur->toolTip(0), QString());
    QVERIFY(Atenuada(corporativo)); // nunca se desatenúa
    // Escribir cifras en una fila marcada no rehace el plan.
    QCOMPARE(v.Lista->topLevelItemCount(), 8);
}

void PruebaListaConexiones::elPlanSigueALasMarcas() {
    DemoEnCarpeta d;
    ServiciosDePrueba servicios(kRelojDemo);
    VentanaContada v({servicios, kRelojDemo, d.carpeta.Ruta(), *d.registro});
    QVERIFY(ActivaYEsperaSondeo(v));
    QTreeWidgetItem* norte = FilaLlamada(v.List1, "Planta Norte");
    QTreeWidgetItem* sur = FilaLlamada(v.List1, "Planta Sur");
    QTreeWidgetItem* corporativo = FilaLlamada(v.List1, "Corporativo SQL");

    sur->setCheckState(0, Qt::Checked);
    QCOMPARE(TextosDe(v.Lista), Pendientes("Planta Sur"));
    QVERIFY(NodosRecienCreados(v.Lista));
    QCOMPARE(v.Tareas.Count(), 8);
    QCOMPARE(v.Tareas.TareaEn(1).Clave, std::string("CHECADAS"));
    QCOMPARE(v.Tareas.TareaEn(8).Conexion, std::string("Planta Sur"));

    // Dos filas: en el orden en que se muestran, cada bloque con la bandera de su propia base.
    norte->setCheckState(0, Qt::Checked);
    QCOMPARE(TextosDe(v.Lista), Pendientes("Planta Norte") + Pendientes("Planta Sur"));
    QCOMPARE(v.Tareas.TareaEn(1).Clave, std::string("TRANSACCIONES"));
    QCOMPARE(v.Tareas.TareaEn(10).Clave, std::string("DBREINDEX_CHECADAS"));

    // Cambiar textos de una fila marcada no es un cambio de marca: lo marcado sigue en pie.
    v.Lista->topLevelItem(0)->setCheckState(0, Qt::Checked);
    norte->setText(1, QStringLiteral("          99.00 MB"));
    norte->setToolTip(0, QStringLiteral("aviso"));
    QCOMPARE(v.Lista->topLevelItem(0)->checkState(0), Qt::Checked);

    // Ordenar no toca el árbol. Cada clic invierte la dirección, sea cual sea la columna; el
    // primero, desde el ascendente de arranque, ordena de mayor a menor.
    ClicEnEncabezado(v.List1, 0);
    QCOMPARE(TextosDe(v.List1), (QStringList{"Planta Sur", "Planta Norte", "Corporativo SQL"}));
    QCOMPARE(v.Lista->topLevelItem(0)->text(0), Pendientes("Planta Norte").first());
    ClicEnEncabezado(v.List1, 1); // Tamaño, ascendente: vacío, 10.xx MB, 99.00 MB
    QCOMPARE(TextosDe(v.List1), (QStringList{"Corporativo SQL", "Planta Sur", "Planta Norte"}));
    ClicEnEncabezado(v.List1, 1);
    QCOMPARE(TextosDe(v.List1), (QStringList{"Planta Norte", "Planta Sur", "Corporativo SQL"}));
    ClicEnEncabezado(v.List1, 0); // nombre, en la dirección contraria a la última: ascendente
    QCOMPARE(TextosDe(v.List1), (QStringList{"Corporativo SQL", "Planta Norte", "Planta Sur"}));

    // El siguiente cambio de marca rehace el plan en el nuevo orden; la fila atenuada tiene sus ocho.
    corporativo->setCheckState(0, Qt::Checked);
    QCOMPARE(TextosDe(v.Lista),
             Pendientes("Corporativo SQL") + Pendientes("Planta Norte") + Pendientes("Planta Sur"));
    QVERIFY(NodosRecienCreados(v.Lista));

    // Desmarcar rehace desde cero: lo que el operador marcó o una corrida pintó desaparece.
    for (int i = 0; i < v.Lista->topLevelItemCount(); ++i) {
        v.Lista->topLevelItem(i)->setCheckState(0, Qt::Checked);
    }
    AplicaNodo(v.Lista->topLevelItem(9), {"Recreando...", Imagen::Flecha, true, true}, *v.ImageList1);
    norte->setCheckState(0, Qt::Unchecked);
    QCOMPARE(TextosDe(v.Lista), Pendientes("Corporativo SQL") + Pendientes("Planta Sur"));
    QVERIFY(NodosRecienCreados(v.Lista));

    for (QTreeWidgetItem* fila : {corporativo, sur}) {
        fila->setCheckState(0, Qt::Unchecked);
    }
    QCOMPARE(v.Lista->topLevelItemCount(), 0);
    QCOMPARE(v.Tareas.ElementosTareas(), 1);
    QVERIFY(servicios.Mensajes.empty());
}

void PruebaListaConexiones::limiteDeConexionesMarcadas() {
    CarpetaTemporal carpeta;
    ServiciosDePrueba servicios(kRelojDemo);
    VentanaContada v({servicios, kRelojDemo, carpeta.Ruta(), SinConexiones()});
    QCOMPARE(v.List1->topLevelItemCount(), 0);

    // El nombre va tal cual, blancos incluidos; no se buscan repetidos.
    v.AgregaConexion("  Con blancos ", "Driver=SQLite3;Database=/secreta.db", "'", "'", "");
    v.AgregaConexion("  Con blancos ", "", "", "", "");
    QCOMPARE(v.List1->topLevelItem(0)->text(0), QStringLiteral("  Con blancos "));
    QCOMPARE(v.List1->topLevelItemCount(), 2);
    QVERIFY(v.List1->findItems("secreta", Qt::MatchContains | Qt::MatchRecursive, 0).isEmpty());
    v.List1->topLevelItem(0)->setCheckState(0, Qt::Checked);
    QCOMPARE(v.Tareas.TareaEn(7).Conexion, std::string("  Con blancos "));
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
    QCOMPARE(servicios.Mensajes[0].Tipo, std::string("advierte"));
    QVERIFY(servicios.Mensajes[0].Texto.find("4095") != std::string::npos);

    v.List1->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    QCOMPARE(v.Lista->topLevelItemCount(), 4094 * 8);
    ultima->setCheckState(0, Qt::Checked);
    QCOMPARE(v.Lista->topLevelItemCount(), 32760);
    QCOMPARE(v.Lista->topLevelItem(32759)->text(0),
             QStringLiteral("Se actualizarán cifras de uso de Base 4095."));
    QCOMPARE(servicios.Mensajes.size(), size_t{1});
}

void PruebaListaConexiones::laVentanaLateDuranteUnSondeoLargo() {
    // Muchas entradas que abren las bases de la demostración: un sondeo de varios segundos.
    DemoEnCarpeta d;
    constexpr int kEntradas = 100;
    const auto archivo = d.demo / "muchas.reg";
    {
        std::ofstream reg(archivo);
        reg << "REGEDIT4\r\n\r\n";
        for (int i = 0; i < kEntradas; ++i) {
            reg << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Quintara\\Orvalo\\Conexiones\\" << i
                << "]\r\n"
                << "\"Name\"=\"Base " << i << "\"\r\n"
                << "\"Conn\"=\"Driver=SQLite3;Database=" << (i % 2 ? d.Sur() : d.Norte()).string()
                << "\"\r\n\r\n";
        }
    }
    const ArchivoReg muchas(archivo);
    ServiciosDePrueba servicios(kRelojDemo);
    VentanaContada v({servicios, kRelojDemo, d.carpeta.Ruta(), muchas});
    QCOMPARE(v.List1->topLevelItemCount(), kEntradas);

    // Las cifras aparecen fila por fila mientras la ventana sigue bloqueada.
    int celdasConBloqueo = 0;
    connect(v.List1->model(), &QAbstractItemModel::dataChanged, &v,
            [&](const QModelIndex& i) { celdasConBloqueo += (i.column() >= 1 && v.Bloqueada()) ? 1 : 0; });

    MedidorDeLatidos medidor;
    medidor.Inicia();
    QElapsedTimer reloj;
    reloj.start();
    QVERIFY(ActivaYEsperaSondeo(v));
    medidor.Detiene();
    const qint64 duracion = reloj.elapsed();

    QCOMPARE(v.List1->topLevelItem(kEntradas - 1)->text(4), v.List1->topLevelItem(1)->text(4));
    QVERIFY(!v.List1->topLevelItem(kEntradas - 1)->text(4).isEmpty());
    QVERIFY(celdasConBloqueo >= kEntradas);
    qInfo("Sondeo de %d filas: %lld ms; %d latidos; mayor intervalo entre vueltas del bucle: %lld ms",
          kEntradas, duracion, medidor.Latidos(), medidor.MayorIntervaloMs());
    QVERIFY(medidor.Latidos() > 10);
    QVERIFY2(medidor.MayorIntervaloMs() < 1000, qPrintable(QString::number(medidor.MayorIntervaloMs())));
}

QTEST_MAIN(PruebaListaConexiones)
#include "prueba_lista_conexiones.moc"
