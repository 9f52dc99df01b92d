#include "app/AjustesUsuario.h"

#include "app/ControlesVentana.h"
#include "log/Rutas.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace ov::app {

std::filesystem::path ArchivoAjustesUsuario() {
#ifdef _WIN32
    const wchar_t* base = _wgetenv(L"APPDATA");
    std::filesystem::path carpeta =
        base != nullptr ? std::filesystem::path(base) : std::filesystem::path(".");
#else
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* casa = std::getenv("HOME");
    std::filesystem::path carpeta = xdg != nullptr && *xdg != '\0' ? std::filesystem::path(xdg)
                                    : casa != nullptr              ? std::filesystem::path(casa) / ".config"
                                                                   : std::filesystem::path(".");
#endif
    return carpeta / "ovNalvora" / "ajustes.txt";
}

std::string LeeAjusteDe(const std::filesystem::path& archivo, const std::string& clave) {
    std::ifstream entrada(archivo, std::ios::binary);
    for (std::string linea; std::getline(entrada, linea);) {
        if (linea.rfind(clave + "=", 0) == 0) {
            return linea.substr(clave.size() + 1);
        }
    }
    return {};
}

void GuardaAjusteEn(const std::filesystem::path& archivo, const std::string& clave,
                    const std::string& valor) {
    std::vector<std::string> lineas;
    {
        std::ifstream entrada(archivo, std::ios::binary);
        for (std::string linea; std::getline(entrada, linea);) {
            if (linea.rfind(clave + "=", 0) != 0) {
                lineas.push_back(linea);
            }
        }
    }
    // Un salto de línea en el valor partiría el archivo: no se guarda.
    if (valor.find_first_of("\r\n") == std::string::npos) {
        lineas.push_back(clave + "=" + valor);
    }
    std::filesystem::create_directories(archivo.parent_path());
    const auto nuevo = std::filesystem::path(archivo).concat(".nuevo");
    {
        std::ofstream salida(nuevo, std::ios::binary | std::ios::trunc);
        for (const auto& l : lineas) {
            salida << l << '\n';
        }
        if (!salida.flush()) {
            throw std::filesystem::filesystem_error("no se pudo escribir", nuevo,
                                                    std::make_error_code(std::errc::io_error));
        }
    }
    std::filesystem::rename(nuevo, archivo);
}

std::string ServiciosPlataforma::LeeAjuste(const std::string& clave) {
    return LeeAjusteDe(ArchivoAjustesUsuario(), clave);
}

void ServiciosPlataforma::GuardaAjuste(const std::string& clave, const std::string& valor) {
    GuardaAjusteEn(ArchivoAjustesUsuario(), clave, valor);
}

} // namespace ov::app
