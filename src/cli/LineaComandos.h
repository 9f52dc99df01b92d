#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace ov {

class Reloj;

// El entorno de una llamada de la línea de comandos; las pruebas lo arman con flujos propios.
struct EntornoConsola {
    std::istream& entrada;
    std::ostream& salida;
    std::ostream& errores;
    bool hayTerminal = false; // si se puede preguntar
    std::filesystem::path carpetaPrograma;
    const Reloj* reloj = nullptr; // nullptr: el del sistema
};

// Corre la línea de comandos; devuelve el código de salida (0, 1 o 2).
int CorreLineaComandos(const std::vector<std::string>& argumentos, EntornoConsola& entorno);

} // namespace ov
