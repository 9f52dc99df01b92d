#include "apoyo/CarpetaTemporal.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace ov::prueba {

CarpetaTemporal::CarpetaTemporal() {
#ifdef _WIN32
    // Bajo wine la carpeta se nombra por una ruta Unix ("/…" es Z:\… para Windows): el driver SQLite
    // del anfitrión recibe la cadena de conexión tal cual y no entiende "C:\…". CTest da la carpeta
    // en OV_TEMPORAL_PRUEBAS. Sin mkdtemp: un nombre al azar que no exista.
    const char* unix = std::getenv("OV_TEMPORAL_PRUEBAS");
    if (unix == nullptr || *unix != '/') {
        throw std::runtime_error("falta OV_TEMPORAL_PRUEBAS, una carpeta Unix: corra las pruebas con ctest");
    }
    const std::filesystem::path base = unix;
    std::filesystem::create_directories(base);
    std::random_device azar;
    for (int intento = 0; intento < 100 && ruta_.empty(); ++intento) {
        const std::filesystem::path candidata =
            base.generic_string() + "/ovnalvora-" + std::to_string(azar() % 1000000000u);
        if (std::filesystem::create_directory(candidata)) {
            ruta_ = candidata;
        }
    }
    if (ruta_.empty()) {
        throw std::runtime_error("no se pudo crear la carpeta temporal");
    }
#else
    std::string plantilla = (std::filesystem::temp_directory_path() / "ovnalvora-XXXXXX").string();
    if (mkdtemp(plantilla.data()) == nullptr) {
        throw std::runtime_error("no se pudo crear la carpeta temporal");
    }
    ruta_ = plantilla;
#endif
}

CarpetaTemporal::~CarpetaTemporal() {
    std::error_code ec;
    // Devuelve permisos por si una prueba dejó carpetas de solo lectura.
    for (auto it = std::filesystem::recursive_directory_iterator(ruta_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(ruta_, ec);
}

std::string LeeArchivo(const std::filesystem::path& ruta) {
    std::ifstream f(ruta, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void EscribeArchivo(const std::filesystem::path& ruta, const std::string& contenido) {
    std::ofstream f(ruta, std::ios::binary | std::ios::trunc);
    f << contenido;
}

} // namespace ov::prueba
