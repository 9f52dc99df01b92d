#include "connections/ArchivoReg.h"

#include "connections/LectorReg.h"
#include "connections/RegistroWindows.h"
#include "connections/TextoUtf8.h"
#include "log/Rutas.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace ov {

namespace {

constexpr std::int32_t kErrorMasDatos = 234; // ERROR_MORE_DATA

// Copia de la clave tal como estaba al abrirla, como un manejador del registro.
class ClaveArchivo final : public ClaveRegistro {
public:
    explicit ClaveArchivo(ClaveGuardada valores) : valores_(std::move(valores)) {}

    std::int32_t ConsultaTipo(const std::string& nombre, std::uint32_t& tipo, std::uint32_t& bytes) override {
        const auto it = valores_.find(MayusculasUtf8(nombre));
        if (it == valores_.end()) {
            return kErrorArchivoNoEncontrado;
        }
        tipo = it->second.Tipo;
        bytes = static_cast<std::uint32_t>(it->second.Datos.size());
        return 0;
    }

    std::int32_t ConsultaDatos(const std::string& nombre, std::vector<unsigned char>& datos) override {
        const auto it = valores_.find(MayusculasUtf8(nombre));
        if (it == valores_.end()) {
            return kErrorArchivoNoEncontrado;
        }
        if (datos.size() < it->second.Datos.size()) {
            return kErrorMasDatos;
        }
        datos = it->second.Datos;
        return 0;
    }

private:
    ClaveGuardada valores_;
};

// Lo que no es un archivo regular de tamaño razonable (una carpeta, /dev/zero) no tiene claves.
std::string LeeBytes(const std::filesystem::path& archivo) {
    if (RevisaArchivoReg(archivo)) {
        return {};
    }
    std::ifstream f(archivo, std::ios::binary);
    if (!f) {
        return {};
    }
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Un programa de 32 bits que pide SOFTWARE\X en Windows de 64 bits recibe SOFTWARE\WOW6432Node\X.
std::string VistaDe32Bits(const std::string& ruta) {
    constexpr std::string_view kSoftware = "SOFTWARE\\";
    if (ruta.compare(0, kSoftware.size(), kSoftware) != 0 || ruta.starts_with("SOFTWARE\\WOW6432NODE")) {
        return {};
    }
    return "SOFTWARE\\WOW6432NODE\\" + ruta.substr(kSoftware.size());
}

ContenidoReg LeeArchivo(const std::filesystem::path& archivo) {
    if (archivo.empty()) {
        return {};
    }
    try {
        return LeeContenidoReg(LeeBytes(archivo));
    } catch (...) {
        return {}; // sin memoria para un archivo absurdo: como si no hubiera claves
    }
}

std::unique_ptr<ClaveRegistro> BuscaClave(const ContenidoReg& contenido, const std::string& ruta) {
    const std::string plegada = PliegaRuta(ruta);
    auto it = contenido.end();
    if (const std::string vista = VistaDe32Bits(plegada); !vista.empty()) {
        it = contenido.find(vista);
    }
    if (it == contenido.end()) {
        it = contenido.find(plegada);
    }
    if (it == contenido.end()) {
        return nullptr;
    }
    return std::make_unique<ClaveArchivo>(it->second);
}

// El archivo tal como estaba al leerlo una vez.
class ArchivoLeido final : public Registro {
public:
    explicit ArchivoLeido(ContenidoReg contenido) : contenido_(std::move(contenido)) {}
    std::unique_ptr<ClaveRegistro> Abre(const std::string& ruta) const override {
        return BuscaClave(contenido_, ruta);
    }

private:
    ContenidoReg contenido_;
};

} // namespace

ArchivoReg::ArchivoReg(std::filesystem::path archivo) : archivo_(std::move(archivo)) {}

std::unique_ptr<ClaveRegistro> ArchivoReg::Abre(const std::string& ruta) const {
    return BuscaClave(LeeArchivo(archivo_), ruta);
}

std::unique_ptr<Registro> ArchivoReg::Instantanea() const {
    return std::make_unique<ArchivoLeido>(LeeArchivo(archivo_));
}

std::string ArchivoReg::Ubicacion() const {
    return "el archivo " + Utf8DeRuta(archivo_);
}

std::optional<std::string> RevisaArchivoReg(const std::filesystem::path& archivo) {
    std::error_code ec;
    const auto estado = std::filesystem::status(archivo, ec);
    const std::string nombre = Utf8DeRuta(archivo);
    if (!std::filesystem::exists(estado)) {
        return "No existe el archivo de conexiones " + nombre + ".";
    }
    if (!std::filesystem::is_regular_file(estado)) {
        return "El archivo de conexiones " + nombre +
               " no es un archivo común (¿es una carpeta o un dispositivo?).";
    }
    if (std::filesystem::file_size(archivo, ec) > kTopeArchivoReg || ec) {
        return "El archivo de conexiones " + nombre +
               " mide más de 16 MB; un registro exportado mide unos kilobytes.";
    }
    if (!std::ifstream(archivo, std::ios::binary)) {
        return "No se puede leer el archivo de conexiones " + nombre + ".";
    }
    return std::nullopt;
}

std::filesystem::path UbicaArchivoReg(const std::string& opcion,
                                      const std::filesystem::path& carpetaPrograma) {
    if (!opcion.empty()) {
        return RutaDeUtf8(opcion);
    }
#ifdef _WIN32
    // La variable en UTF-16: getenv la daría en la página ANSI.
    if (const wchar_t* entorno = _wgetenv(L"OVNALVORA_REGISTRO"); entorno != nullptr && *entorno != L'\0') {
        return entorno;
    }
#else
    if (const char* entorno = std::getenv("OVNALVORA_REGISTRO"); entorno != nullptr && *entorno != '\0') {
        return entorno;
    }
#endif
    std::error_code ec;
    if (!carpetaPrograma.empty() && std::filesystem::is_regular_file(carpetaPrograma / "orvalo.reg", ec)) {
        return carpetaPrograma / "orvalo.reg";
    }
    const std::filesystem::path delSistema = "/etc/orvalo/orvalo.reg";
    if (std::filesystem::is_regular_file(delSistema, ec)) {
        return delSistema;
    }
    return {};
}

std::unique_ptr<Registro> RegistroDeLaPlataforma(const std::string& opcion,
                                                 const std::filesystem::path& carpetaPrograma) {
#ifdef _WIN32
    // En Windows manda el registro de verdad, salvo que se pida un archivo expresamente.
    if (opcion.empty()) {
        return RegistroWindows();
    }
#endif
    return std::make_unique<ArchivoReg>(UbicaArchivoReg(opcion, carpetaPrograma));
}

} // namespace ov
