#pragma once

#include <filesystem>
#include <string>

namespace ov::prueba {

// La ruta Unix de una ruta de Windows, por wine_get_unix_file_name de kernel32: el driver SQLite
// del anfitrión, al que llega la cadena tal cual, solo entiende rutas Unix. Vacía fuera de wine.
std::string RutaUnix(const std::filesystem::path& ruta);

} // namespace ov::prueba
