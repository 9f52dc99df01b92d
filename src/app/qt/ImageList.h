#pragma once

#include "app/ControlesVentana.h"

#include <QIcon>
#include <QList>
#include <QObject>

namespace ov::app {

// ImageList1: las cinco imágenes de estado de Lista, por índice desde 1. No tiene Enabled, así
// que el recorrido de bloqueo la pasa por alto.
class ImageList : public QObject, public Control {
    Q_OBJECT
public:
    explicit ImageList(QObject* padre = nullptr);
    bool TieneEnabled() const override { return false; }
    void PonEnabled(bool) override {}
    int Count() const { return static_cast<int>(imagenes_.size()); }
    // 0 (o fuera de rango) es "sin imagen": un ícono nulo.
    QIcon Imagen(int indice) const;

private:
    QList<QIcon> imagenes_;
};

// El ícono propio de la ventana.
QIcon IconoVentana();

} // namespace ov::app
