#pragma once

class QApplication;

namespace ov::app {
int CorreVentana(QApplication& aplicacion);
}
