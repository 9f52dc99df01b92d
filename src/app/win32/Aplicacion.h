#pragma once

#include <filesystem>
#include <string>

namespace ov::app::win32 {

// Lo que el programa sabe de sí: su carpeta y lo que dice su registro de versión (de ahí salen el
// título y los números que muestra la ventana).
struct Aplicacion {
    std::filesystem::path Path; // la carpeta del .exe
    std::string Title;          // InternalName
    int Major = 0, Minor = 0, Revision = 0;
};

Aplicacion LeeAplicacion();

} // namespace ov::app::win32
