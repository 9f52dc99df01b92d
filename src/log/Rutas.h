#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace ov {

// Dentro del programa los textos son UTF-8. Una ruta se arma y se muestra por aquí: en Windows,
// path desde std::string o path::string() usarían la página ANSI y perderían lo que no cabe en ella.
inline std::filesystem::path RutaDeUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8DeRuta(const std::filesystem::path& ruta) {
    const std::u8string u = ruta.u8string();
    return std::string(u.begin(), u.end());
}

} // namespace ov
