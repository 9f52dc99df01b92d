// La ventana de Qt como módulo aparte: el programa lo carga solo cuando se abre sin argumentos, y la
// línea de comandos arranca sin cargar Qt ni sus dependencias.
#include "app/qt/CorreVentana.h"

#include <QApplication>

extern "C" __attribute__((visibility("default"))) int ov_corre_ventana(int argc, char* argv[]) {
    QApplication aplicacion(argc, argv);
    return ov::app::CorreVentana(aplicacion);
}
