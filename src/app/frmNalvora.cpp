#include "app/frmNalvora.h"

#include <QApplication>

namespace ov::app {
int CorreVentana(QApplication& aplicacion) { return aplicacion.exec(); }
}
