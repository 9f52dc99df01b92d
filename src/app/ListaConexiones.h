#pragma once

#include "connections/Estadisticas.h"
#include "tasks/Plan.h"

#include <string>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace ov::app {

// Las filas de List1. El texto de la fila es el único vínculo con su conexión; lo demás que la
// fila recuerda (su bandera, si está atenuada, la última marca vista) va en datos del elemento.

QTreeWidgetItem* AgregaFila(QTreeWidget* lista, const std::string& nombre);

// Las filas en el orden en que se muestran (posición 1 = la de arriba).
std::vector<QTreeWidgetItem*> FilasEnOrden(const QTreeWidget* lista);
std::vector<std::string> NombresEnOrden(const QTreeWidget* lista);
std::vector<FilaConexion> FilasDelPlan(const QTreeWidget* lista);

// Lo que escribe el sondeo.
void PonCifras(QTreeWidgetItem* fila, const EstadisticasFila& cifras, bool hayTransacciones);
void PonError(QTreeWidgetItem* fila, const std::string& error);
void Atenua(QTreeWidgetItem* fila);

bool HayTransaccionesDe(const QTreeWidgetItem* fila);
bool Atenuada(const QTreeWidgetItem* fila);

// Verdadero si la marca difiere de la última vista, y la recuerda: itemChanged llega también
// cuando cambian los textos.
bool CambioLaMarca(QTreeWidgetItem* fila);
// Vuelve a desmarcar la fila sin que cuente como cambio del operador.
void DesmarcaSinAviso(QTreeWidgetItem* fila);

} // namespace ov::app
