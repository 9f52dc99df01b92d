#pragma once

class QApplication;

namespace ov::app {

// Crea la ventana con los servicios de Qt y el reloj del sistema y corre la aplicación.
int CorreVentana(QApplication& aplicacion);

} // namespace ov::app
