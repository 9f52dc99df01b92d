#include "app/ArbolTareas.h"

#include "app/ConversionesQt.h"
#include "app/ImageList.h"
#include "app/ListaConexiones.h"
#include "app/frmNalvora.h"

#include <QPixmap>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <algorithm>

namespace ov::app {

namespace {

constexpr int kRolImagen = Qt::UserRole + 1;

// Un hueco transparente del tamaño de las imágenes: los textos quedan alineados con o sin imagen.
const QIcon& SinImagen() {
    static const QIcon hueco = [] {
        QPixmap p(16, 16);
        p.fill(Qt::transparent);
        return QIcon(p);
    }();
    return hueco;
}

} // namespace

void AplicaNodo(QTreeWidgetItem* elemento, const Nodo& nodo, const ImageList& imagenes) {
    const int imagen = static_cast<int>(nodo.Image);
    {
        // Un solo aviso de cambio por aspecto, con todo ya puesto.
        const QSignalBlocker sinAvisos(elemento->treeWidget());
        elemento->setText(0, Q(nodo.Texto));
        // El texto de una falla es largo: completo en la ayuda emergente.
        elemento->setToolTip(0, Ayuda(nodo.Texto));
        elemento->setIcon(0, imagen == 0 ? SinImagen() : imagenes.Imagen(imagen));
        // Solo la negrita: familia y tamaño siguen siendo los de Lista.
        QFont letra = elemento->font(0);
        letra.setBold(nodo.Bold);
        elemento->setFont(0, letra);
    }
    elemento->setData(0, kRolImagen, imagen);
}

int ImagenDe(const QTreeWidgetItem* elemento) {
    return elemento->data(0, kRolImagen).toInt();
}

void LlenaArbol(QTreeWidget* lista, const Plan& plan, const ImageList& imagenes) {
    lista->clear();
    QList<QTreeWidgetItem*> nodos;
    nodos.reserve(plan.Count());
    for (int k = 1; k <= plan.Count(); ++k) {
        auto* elemento = new QTreeWidgetItem;
        elemento->setFlags(elemento->flags() | Qt::ItemIsUserCheckable);
        elemento->setCheckState(0, Qt::Unchecked);
        AplicaNodo(elemento, plan.NodoEn(k), imagenes);
        nodos.append(elemento);
    }
    // De una vez: con miles de conexiones marcadas el árbol se llena sin repintar nodo por nodo.
    lista->addTopLevelItems(nodos);
}

void LeeMarcas(const QTreeWidget* lista, Plan& plan) {
    const int nodos = std::min(plan.Count(), lista->topLevelItemCount());
    for (int k = 1; k <= nodos; ++k) {
        plan.NodoEn(k).Checked = lista->topLevelItem(k - 1)->checkState(0) == Qt::Checked;
    }
}

// ---------- El plan se rehace con cada cambio de marca en List1 ----------

void frmNalvora::List1_ItemCheck(QTreeWidgetItem* fila) {
    const auto filas = FilasDelPlan(List1);
    if (const auto rechazo = RevisaLimiteDelPlan(filas)) {
        DesmarcaSinAviso(fila);
        servicios_.Advierte(*rechazo, S(windowTitle()));
        return;
    }
    Tareas.Reconstruye(filas);
    LlenaArbol(Lista, Tareas, *ImageList1);
}

} // namespace ov::app
