#pragma once

#include <filesystem>
#include <string>

namespace ov::app {

// Los ajustes que la ventana recuerda para el usuario: líneas clave=valor en ovNalvora/ajustes.txt de su
// carpeta de configuración (%APPDATA% en Windows; $XDG_CONFIG_HOME o ~/.config en los demás).
std::filesystem::path ArchivoAjustesUsuario();
std::string LeeAjusteDe(const std::filesystem::path& archivo, const std::string& clave);
// Reescribe el archivo con la clave cambiada; lanza std::filesystem::filesystem_error si no puede.
void GuardaAjusteEn(const std::filesystem::path& archivo, const std::string& clave, const std::string& valor);

// La clave de la carpeta del archivo de lo eliminado.
inline constexpr const char* kAjusteCarpetaArchivo = "CarpetaArchivo";

} // namespace ov::app
