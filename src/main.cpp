#include "app/frmNalvora.h"
#include "cli/LineaComandos.h"

#include <QApplication>
#include <iostream>
#include <unistd.h>

int main(int argc, char* argv[]) {
    if (argc > 1) {
        std::vector<std::string> argumentos(argv + 1, argv + argc);
        ov::EntornoConsola entorno{std::cin, std::cout, std::cerr, isatty(0) != 0,
                                   std::filesystem::canonical("/proc/self/exe").parent_path(), nullptr};
        return ov::CorreLineaComandos(argumentos, entorno);
    }
    QApplication aplicacion(argc, argv);
    return ov::app::CorreVentana(aplicacion);
}
