#include "log/EscribeLog.h"

#include "log/Fechas.h"
#include "log/Rutas.h"
#include "log/Version.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#endif

namespace ov {

namespace fs = std::filesystem;

namespace {

struct ErrorLog {
    int numero;
    std::string descripcion;
};

[[noreturn]] void Falla(const std::string& que, int numero) {
    throw ErrorLog{numero, que + ": " + std::strerror(numero)};
}

[[noreturn]] void Falla(const std::string& que, const std::error_code& ec) {
    throw ErrorLog{ec.value(), que + ": " + ec.message()};
}

struct CierraArchivo {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using Archivo = std::unique_ptr<std::FILE, CierraArchivo>;

// En Windows el archivo va en la página de códigos ANSI, la del sistema, que es la que leen sus herramientas.
std::string ACodificacionDelArchivo(const std::string& utf8) {
#ifdef _WIN32
    if (utf8.empty()) {
        return {};
    }
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring ancho(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), ancho.data(), n);
    const int m = WideCharToMultiByte(CP_ACP, 0, ancho.data(), n, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(CP_ACP, 0, ancho.data(), n, ansi.data(), m, nullptr, nullptr);
    return ansi;
#else
    return utf8;
#endif
}

std::FILE* AbreParaAgregar(const fs::path& ruta) {
#ifdef _WIN32
    return _wfopen(ruta.c_str(), L"ab");
#else
    return std::fopen(ruta.c_str(), "ab");
#endif
}

fs::path EligeArchivoMensual(const fs::path& ruta, const Reloj& reloj) {
    fs::path base = ruta.stem();
    base += RutaDeUtf8("_" + FormatoMesAnio(Hoy(reloj)));
    const fs::path carpeta = ruta.parent_path();
    std::string sufijo;
    std::int16_t contador = 0;
    for (;;) {
        fs::path nombre = base;
        nombre += sufijo;
        nombre += ruta.extension();
        const fs::path candidato = carpeta / nombre;
        std::error_code ec;
        const bool existe = fs::exists(candidato, ec);
        if (ec) {
            Falla("No se pudo consultar el archivo " + Utf8DeRuta(candidato), ec);
        }
        if (!existe) {
            return candidato;
        }
        const auto tam = fs::file_size(candidato, ec);
        if (ec) {
            Falla("No se pudo medir el archivo " + Utf8DeRuta(candidato), ec);
        }
        if (tam < kLimiteLog) {
            return candidato;
        }
        if (contador == std::numeric_limits<std::int16_t>::max()) {
            throw ErrorLog{6, "Desbordamiento: todos los archivos del mes están llenos"};
        }
        ++contador;
        sufijo = "(" + std::to_string(contador) + ")";
    }
}

} // namespace

bool EscribeLog(const fs::path& Ruta, const std::string& Texto, bool Reiniciar, bool SoloCrear, bool Rotar,
                std::string& Mensaje, const Reloj& reloj) {
    try {
        fs::path ruta(Ruta);
        const fs::path carpeta = ruta.parent_path();
        std::error_code ec;
        if (!carpeta.empty() && !fs::is_directory(carpeta, ec)) {
            // Solo esa carpeta: la de arriba debe existir.
            if (!fs::create_directory(carpeta, ec) && ec) {
                Falla("No se pudo crear la carpeta " + Utf8DeRuta(carpeta), ec);
            }
        }
        if (Reiniciar && fs::exists(ruta, ec)) {
            fs::permissions(ruta, fs::perms::owner_write, fs::perm_options::add, ec);
            if (!fs::remove(ruta, ec) && ec) {
                Falla("No se pudo borrar el archivo " + Utf8DeRuta(ruta), ec);
            }
        }
        if (Rotar) {
            ruta = EligeArchivoMensual(ruta, reloj);
        }
        errno = 0;
        Archivo f(AbreParaAgregar(ruta));
        if (!f) {
            Falla("No se pudo abrir el archivo " + Utf8DeRuta(ruta), errno);
        }
        if (!SoloCrear) {
            const std::string linea = ACodificacionDelArchivo(Texto) + "\r\n";
            if (std::fwrite(linea.data(), 1, linea.size(), f.get()) != linea.size()) {
                Falla("No se pudo escribir en el archivo " + Utf8DeRuta(ruta), errno);
            }
        }
        if (std::fclose(f.release()) != 0) {
            Falla("No se pudo cerrar el archivo " + Utf8DeRuta(ruta), errno);
        }
        Mensaje = kMensajeLogCorrecto;
        return true;
    } catch (const ErrorLog& e) {
        Mensaje =
            std::string("[") + kTituloAplicacion + "] " + std::to_string(e.numero) + " - " + e.descripcion;
    } catch (const std::exception& e) {
        Mensaje = std::string("[") + kTituloAplicacion + "] 0 - " + e.what();
    } catch (...) {
        Mensaje = std::string("[") + kTituloAplicacion + "] 0 - Error desconocido";
    }
    return false;
}

fs::path RutaLogDe(const fs::path& carpetaPrograma) {
    return carpetaPrograma / "Log" / (std::string(kTituloAplicacion) + ".log");
}

std::string LineaConHora(const Reloj& reloj, const std::string& texto) {
    return FormatoFechaHora(reloj.Ahora()) + "\t" + texto;
}

void Bitacora::Linea(const std::string& texto) const {
    SinHora(LineaConHora(reloj_, texto));
}

void Bitacora::SinHora(const std::string& texto) const {
    std::string mensaje;
    EscribeLog(ruta_, texto, false, false, true, mensaje, reloj_);
}

} // namespace ov
