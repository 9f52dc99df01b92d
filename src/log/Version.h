#pragma once

#include <string>

namespace ov {

inline constexpr const char* kTituloAplicacion = "ovNalvora";
inline constexpr int kVersionMayor = OV_VERSION_MAYOR;
inline constexpr int kVersionMenor = OV_VERSION_MENOR;
inline constexpr int kVersionRevision = OV_VERSION_REVISION;

// "v2.2.0": números en decimal, sin ceros a la izquierda.
inline std::string TextoVersion(int mayor = kVersionMayor, int menor = kVersionMenor,
                                int revision = kVersionRevision) {
    return "v" + std::to_string(mayor) + "." + std::to_string(menor) + "." + std::to_string(revision);
}

inline constexpr const char* kCaptionBase = "Depuración de base de datos Orvalo";

} // namespace ov
