#pragma once

#include "tasks/Plan.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace ov::app {

class ImageList;

// Los nodos de Lista a partir del plan: uno por tarea, sin marcar, en el orden del plan.
void LlenaArbol(QTreeWidget* lista, const Plan& plan, const ImageList& imagenes);

// El aspecto de un nodo del núcleo (texto, imagen, negrita) sobre su elemento; la marca no se
// toca, es del operador.
void AplicaNodo(QTreeWidgetItem* elemento, const Nodo& nodo, const ImageList& imagenes);

// El índice de ImageList1 que muestra el elemento (0 = ninguna).
int ImagenDe(const QTreeWidgetItem* elemento);

// Pasa al plan las marcas que el operador puso en Lista.
void LeeMarcas(const QTreeWidget* lista, Plan& plan);

} // namespace ov::app
