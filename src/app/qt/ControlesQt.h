#pragma once

// Los controles de la ventana con Qt Widgets: cada uno es el widget de Qt y, a la vez, el control
// que pide el comportamiento de la ventana.

#include "app/ControlesVentana.h"
#include "app/qt/ImageList.h"

#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QPoint>
#include <QTimer>
#include <QTreeWidget>
#include <unordered_map>

namespace ov::app {

// Un widget sin más que Enabled (botones, etiquetas que no cambian).
template <typename W> class ControlQt : public W, public Control {
public:
    using W::W;
    void PonEnabled(bool valor) override { W::setEnabled(valor); }
};

// frmTareas: bloquearlo bloquearía también a Lista, que debe seguir desplazándose; Lista se
// bloquea sola.
class MarcoQt final : public QGroupBox, public Control {
    Q_OBJECT
public:
    using QGroupBox::QGroupBox;
    void PonEnabled(bool) override {}
};

class EtiquetaQt final : public QLabel, public Etiqueta {
    Q_OBJECT
public:
    EtiquetaQt(const QString& texto, QWidget* padre) : QLabel(texto, padre) {}
    void PonEnabled(bool valor) override { setEnabled(valor); }
    std::string Caption() const override { return text().toStdString(); }
    ColorRGB ForeColor() const override;
    void PonForeColor(ColorRGB color) override;
    void MuestraProgreso(const std::string& texto) override;
    void TerminaProgreso() override;

private:
    bool enProgreso_ = false;
    // Lo que la etiqueta era antes del progreso.
    QString texto_;
    QRect lugar_;
    Qt::Alignment alineacion_;
    QPalette paleta_;
};

class TemporizadorQt final : public QTimer, public Temporizador {
    Q_OBJECT
public:
    using QTimer::QTimer;
    void PonEnabled(bool valor) override { valor ? start() : stop(); }
    bool Enabled() const override { return isActive(); }
};

// List1; la clave de cada fila va en sus datos.
class ListaConexionesQt final : public QTreeWidget, public ListaDeConexiones {
    Q_OBJECT
public:
    explicit ListaConexionesQt(QWidget* padre);
    void PonEnabled(bool valor) override { setEnabled(valor); }
    int Agrega(const std::string& texto) override;
    std::vector<int> Filas() const override;
    std::string Texto(int fila) const override;
    bool Checked(int fila) const override;
    void PonChecked(int fila, bool marcada) override;
    void PonCelda(int fila, int columna, const std::string& texto) override;
    void PonAyuda(int fila, const std::string& texto) override;
    void PonGhosted(int fila) override;
    void Ordena(int columna, bool descendente) override;

    QTreeWidgetItem* Fila(int clave) const { return filas_.at(clave); }
    static int ClaveDe(const QTreeWidgetItem* fila);

private:
    std::unordered_map<int, QTreeWidgetItem*> filas_;
};

// Lista: bloqueada, se sigue desplazando con la rueda, la barra y las teclas de movimiento, pero
// ni clics ni teclas marcan sus nodos.
class ArbolTareasQt final : public QTreeWidget, public ArbolDeTareas {
    Q_OBJECT
public:
    ArbolTareasQt(QWidget* padre, const ImageList& imagenes);
    void PonEnabled(bool valor) override;
    void Llena(const std::vector<AspectoNodo>& nodos) override;
    int Count() const override { return topLevelItemCount(); }
    bool Checked(int k) const override;
    void PonChecked(int k, bool marcado) override;
    void PonAspecto(int k, const AspectoNodo& aspecto) override;
    void PonAyuda(int k, const std::string& texto) override;
    void MuestraNodo(int k) override;
    void MenuContextual(const std::vector<std::string>& opciones, std::function<void(int)> alElegir) override;

    // El lugar del último clic derecho, en coordenadas de los nodos: ahí se abre el menú.
    void PonLugarDelMenu(QPoint lugar) { lugarMenu_ = lugar; }
    // El índice de ImageList1 que muestra el nodo (0 = ninguna).
    static int ImagenDe(const QTreeWidgetItem* nodo);

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void Aplica(QTreeWidgetItem* nodo, const AspectoNodo& aspecto);
    const ImageList& imagenes_;
    bool bloqueada_ = false;
    QPoint lugarMenu_;
};

} // namespace ov::app
