#include "app/ListaConexiones.h"

#include "app/ConversionesQt.h"
#include "app/frmNalvora.h"
#include "connections/modNalvora.h"

#include <QSignalBlocker>
#include <QTreeWidget>

namespace ov::app {

namespace {

constexpr int kColumnas = 6;
constexpr int kRolHayTransacciones = Qt::UserRole + 1;
constexpr int kRolAtenuada = Qt::UserRole + 2;
constexpr int kRolMarcaVista = Qt::UserRole + 3;

} // namespace

QTreeWidgetItem* AgregaFila(QTreeWidget* lista, const std::string& nombre) {
    QStringList textos(kColumnas);
    textos[0] = Q(nombre);
    auto* fila = new QTreeWidgetItem(textos);
    fila->setFlags(fila->flags() | Qt::ItemIsUserCheckable);
    fila->setCheckState(0, Qt::Unchecked);
    fila->setData(0, kRolMarcaVista, false);
    fila->setData(0, kRolHayTransacciones, false);
    lista->addTopLevelItem(fila);
    return fila;
}

std::vector<QTreeWidgetItem*> FilasEnOrden(const QTreeWidget* lista) {
    std::vector<QTreeWidgetItem*> filas;
    filas.reserve(static_cast<size_t>(lista->topLevelItemCount()));
    for (int i = 0; i < lista->topLevelItemCount(); ++i) {
        filas.push_back(lista->topLevelItem(i));
    }
    return filas;
}

std::vector<std::string> NombresEnOrden(const QTreeWidget* lista) {
    std::vector<std::string> nombres;
    for (const QTreeWidgetItem* fila : FilasEnOrden(lista)) {
        nombres.push_back(S(fila->text(0)));
    }
    return nombres;
}

std::vector<FilaConexion> FilasDelPlan(const QTreeWidget* lista) {
    std::vector<FilaConexion> filas;
    for (const QTreeWidgetItem* fila : FilasEnOrden(lista)) {
        filas.push_back({S(fila->text(0)), fila->checkState(0) == Qt::Checked, HayTransaccionesDe(fila)});
    }
    return filas;
}

void PonCifras(QTreeWidgetItem* fila, const EstadisticasFila& cifras, bool hayTransacciones) {
    const std::string* textos[] = {&cifras.Tamano, &cifras.MenorChecada, &cifras.MayorChecada,
                                   &cifras.MenorKardex, &cifras.MayorKardex};
    for (int c = 1; c < kColumnas; ++c) {
        fila->setText(c, Q(*textos[c - 1]));
    }
    fila->setData(0, kRolHayTransacciones, hayTransacciones);
    // Un error de un sondeo anterior ya no describe la fila.
    for (int c = 0; c < kColumnas; ++c) {
        fila->setToolTip(c, {});
    }
}

void PonError(QTreeWidgetItem* fila, const std::string& error) {
    for (int c = 0; c < kColumnas; ++c) {
        fila->setToolTip(c, Ayuda(error));
    }
}

void Atenua(QTreeWidgetItem* fila) {
    const QBrush gris = fila->treeWidget()
                            ? fila->treeWidget()->palette().brush(QPalette::Disabled, QPalette::Text)
                            : QBrush(Qt::gray);
    for (int c = 0; c < kColumnas; ++c) {
        fila->setForeground(c, gris);
    }
    fila->setData(0, kRolAtenuada, true);
}

bool HayTransaccionesDe(const QTreeWidgetItem* fila) {
    return fila->data(0, kRolHayTransacciones).toBool();
}

bool Atenuada(const QTreeWidgetItem* fila) {
    return fila->data(0, kRolAtenuada).toBool();
}

bool CambioLaMarca(QTreeWidgetItem* fila) {
    const bool marcada = fila->checkState(0) == Qt::Checked;
    if (marcada == fila->data(0, kRolMarcaVista).toBool()) {
        return false;
    }
    const QSignalBlocker sinAvisos(fila->treeWidget());
    fila->setData(0, kRolMarcaVista, marcada);
    return true;
}

void DesmarcaSinAviso(QTreeWidgetItem* fila) {
    const QSignalBlocker sinAvisos(fila->treeWidget());
    fila->setCheckState(0, Qt::Unchecked);
    fila->setData(0, kRolMarcaVista, false);
}

// ---------- Los manejadores de List1 ----------

void frmNalvora::CargaConexiones() {
    // Los encabezados ya los puso el diseño de los controles.
    for (const auto& e : Conexiones(registro_)) {
        AgregaConexion(e.Name, e.Conn, e.CharDateIni, e.CharDateFin, e.ConnNet);
    }
}

void frmNalvora::AgregaConexion(const std::string& name, const std::string& /*conn*/,
                                const std::string& /*charDateIni*/, const std::string& /*charDateFin*/,
                                const std::string& /*connNet*/) {
    // La cadena lleva contraseñas: la fila solo guarda el nombre, y por él se vuelve a buscar.
    AgregaFila(List1, name);
}

void frmNalvora::List1_ColumnClick(int columna) {
    ordenList1_.SortKey = columna - 1;
    ordenList1_.SortOrder =
        ordenList1_.SortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    List1->sortItems(ordenList1_.SortKey, ordenList1_.SortOrder);
}

} // namespace ov::app
