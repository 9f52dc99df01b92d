#pragma once

#include <filesystem>
#include <string>

namespace ov::prueba {

// Carpeta propia de cada prueba; se borra al terminar.
class CarpetaTemporal {
public:
    CarpetaTemporal();
    ~CarpetaTemporal();
    CarpetaTemporal(const CarpetaTemporal&) = delete;
    CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;

    const std::filesystem::path& Ruta() const { return ruta_; }
#ifdef _WIN32
    // Con "/": bajo wine la ruta Unix sirve igual a Windows (unidad Z:) y al driver SQLite del anfitrión.
    std::filesystem::path operator/(const std::string& nombre) const {
        return ruta_.generic_string() + "/" + nombre;
    }
#else
    std::filesystem::path operator/(const std::string& nombre) const {
        return ruta_ / nombre;
    }
#endif

private:
    std::filesystem::path ruta_;
};

std::string LeeArchivo(const std::filesystem::path& ruta);
void EscribeArchivo(const std::filesystem::path& ruta, const std::string& contenido);

} // namespace ov::prueba
