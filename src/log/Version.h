#pragma once

#include <string>

namespace ov {

inline constexpr const char* kTituloAplicacion = "ovNalvora";
inline constexpr int kVersionMayor = OV_VERSION_MAYOR;
inline constexpr int kVersionMenor = OV_VERSION_MENOR;
inline constexpr int kVersionRevision = OV_VERSION_REVISION;

// "v2.2.0": números en decimal, sin ceros a la izquierda.
inline std::string TextoVersion() {
    return "v" + std::to_string(kVersionMayor) + "." + std::to_string(kVersionMenor) + "." +
           std::to_string(kVersionRevision);
}

inline constexpr const char* kCaptionBase = "Depuración de base de datos Orvalo";

inline std::string CaptionVentana() {
    return std::string(kCaptionBase) + " " + TextoVersion();
}

} // namespace ov
