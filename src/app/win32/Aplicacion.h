#pragma once

#include "app/ControlesVentana.h"

#include <filesystem>
#include <string>

namespace ov::app::win32 {

// Lo que el programa sabe de sí: su carpeta y lo que dice su registro de versión (de ahí salen el
// título y los números que muestra la ventana).
struct Aplicacion {
    std::filesystem::path Path; // la carpeta del .exe
    IdentidadPrograma Programa; // InternalName y FILEVERSION; los de la compilación si no se leen
};

Aplicacion LeeAplicacion();

} // namespace ov::app::win32
