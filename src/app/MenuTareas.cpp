// El menú del clic derecho en Lista: marcar o desmarcar pasos de una vez. Son acciones del
// operador, como marcar nodo por nodo; la reconstrucción del plan sigue creándolos sin marcar.
#include "app/ConversionesQt.h"
#include "app/frmNalvora.h"

#include <QMenu>
#include <QTreeWidget>

namespace ov::app {

namespace {

// Marca (o desmarca) los nodos cuya conexión es `conexion`; todos si es nulo.
void Marca(QTreeWidget* lista, const Plan& plan, const std::string* conexion, bool marca) {
    const int nodos = std::min(plan.Count(), lista->topLevelItemCount());
    for (int k = 1; k <= nodos; ++k) {
        if (!conexion || plan.TareaEn(k).Conexion == *conexion) {
            lista->topLevelItem(k - 1)->setCheckState(0, marca ? Qt::Checked : Qt::Unchecked);
        }
    }
}

} // namespace

void frmNalvora::Lista_MenuContextual(const QPoint& lugar) {
    if (bloqueada_ || Lista->topLevelItemCount() == 0) {
        return;
    }
    // Sin un bucle de eventos propio: el menú se abre y sus acciones llegan como cualquier clic.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("Marcar todos los pasos"), this,
                    [this] { Marca(Lista, Tareas, nullptr, true); });
    menu->addAction(QStringLiteral("Desmarcar todos"), this,
                    [this] { Marca(Lista, Tareas, nullptr, false); });
    QTreeWidgetItem* nodo = Lista->itemAt(lugar);
    if (!nodo) {
        nodo = Lista->currentItem();
    }
    const int k = nodo ? Lista->indexOfTopLevelItem(nodo) + 1 : 0;
    if (k >= 1 && k <= Tareas.Count()) {
        const std::string conexion = Tareas.TareaEn(k).Conexion;
        menu->addAction(Q("Marcar los pasos de " + conexion), this,
                        [this, conexion] { Marca(Lista, Tareas, &conexion, true); });
    }
    menu->popup(Lista->viewport()->mapToGlobal(lugar));
}

} // namespace ov::app
