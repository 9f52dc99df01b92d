#pragma once

#include <string>

namespace ov {

inline constexpr const char* kTituloAplicacion = "ovNalvora";
inline constexpr int kVersionMayor = OV_VERSION_MAYOR;
inline constexpr int kVersionMenor = OV_VERSION_MENOR;
inline constexpr int kVersionRevision = OV_VERSION_REVISION;

// El título y la versión del programa: los de la compilación, salvo donde la plataforma los lee del
// programa mismo (en Windows, de su registro de versión).
struct IdentidadPrograma {
    std::string Title = kTituloAplicacion;
    int Major = kVersionMayor, Minor = kVersionMenor, Revision = kVersionRevision;
};

// "v2.2.0": números en decimal, sin ceros a la izquierda.
inline std::string TextoVersion(const IdentidadPrograma& p = {}) {
    return "v" + std::to_string(p.Major) + "." + std::to_string(p.Minor) + "." + std::to_string(p.Revision);
}

inline constexpr const char* kCaptionBase = "Depuración de base de datos Orvalo";

inline std::string CaptionVentana(const IdentidadPrograma& p = {}) {
    return std::string(kCaptionBase) + " " + TextoVersion(p);
}

} // namespace ov
