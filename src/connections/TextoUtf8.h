#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ov {

// Todo texto del programa va en UTF-8; estas funciones traen a UTF-8 lo que llega en otras
// codificaciones (archivos .reg de regedit) y pasan a mayúsculas sin depender del locale.

// UTF-16LE a UTF-8; los NUL se conservan, un byte suelto al final se descarta.
std::string Utf8DeUtf16le(std::string_view bytes);

// Windows-1252 (la página ANSI de Windows en español) a UTF-8.
std::string Utf8DeWindows1252(std::string_view bytes);

// Mayúsculas de un texto UTF-8: ASCII, Latin-1 (á é í ó ú ñ ü…), Latin Extended-A, griego y
// cirílico básicos. Los bytes que no son UTF-8 válido quedan tal cual.
std::string MayusculasUtf8(std::string_view texto);

} // namespace ov
