#ifdef _WIN32

#include "connections/RegistroWindows.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <type_traits>

namespace ov {

namespace {

struct CierraClave {
    void operator()(HKEY clave) const noexcept { RegCloseKey(clave); }
};
using ClaveAbierta = std::unique_ptr<std::remove_pointer_t<HKEY>, CierraClave>;

// Los textos llegan en la página ANSI del sistema; dentro del programa todo es UTF-8.
std::vector<unsigned char> Utf8DeAnsi(const std::vector<unsigned char>& ansi) {
    if (ansi.empty()) {
        return {};
    }
    const auto* origen = reinterpret_cast<const char*>(ansi.data());
    const int largoAnsi = static_cast<int>(ansi.size());
    const int anchos = MultiByteToWideChar(CP_ACP, 0, origen, largoAnsi, nullptr, 0);
    if (anchos <= 0) {
        return ansi;
    }
    std::wstring ancho(static_cast<std::size_t>(anchos), L'\0');
    MultiByteToWideChar(CP_ACP, 0, origen, largoAnsi, ancho.data(), anchos);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, ancho.data(), anchos, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return ansi;
    }
    std::vector<unsigned char> utf8(static_cast<std::size_t>(bytes));
    WideCharToMultiByte(CP_UTF8, 0, ancho.data(), anchos, reinterpret_cast<char*>(utf8.data()), bytes,
                        nullptr, nullptr);
    return utf8;
}

class ClaveWindows final : public ClaveRegistro {
public:
    explicit ClaveWindows(HKEY clave) : clave_(clave) {}

    std::int32_t ConsultaTipo(const std::string& nombre, std::uint32_t& tipo, std::uint32_t& bytes) override {
        DWORD t = 0;
        DWORD cb = 0;
        const LSTATUS r = RegQueryValueExA(clave_.get(), nombre.c_str(), nullptr, &t, nullptr, &cb);
        if (r == ERROR_SUCCESS) {
            tipo = t;
            bytes = cb;
        }
        return static_cast<std::int32_t>(r);
    }

    std::int32_t ConsultaDatos(const std::string& nombre, std::vector<unsigned char>& datos) override {
        DWORD t = 0;
        DWORD cb = static_cast<DWORD>(datos.size());
        // Sin búfer la llamada solo mide; un valor que creció entre las dos consultas no cabe.
        const LSTATUS r = RegQueryValueExA(clave_.get(), nombre.c_str(), nullptr, &t,
                                           datos.empty() ? nullptr : datos.data(), &cb);
        if (r != ERROR_SUCCESS) {
            return static_cast<std::int32_t>(r);
        }
        if (cb > datos.size()) {
            return ERROR_MORE_DATA;
        }
        // El texto termina donde dice la cuenta de bytes: puede estar guardado sin su NUL.
        datos.resize(cb);
        if (t == REG_SZ) {
            datos = Utf8DeAnsi(datos);
        }
        return ERROR_SUCCESS;
    }

private:
    ClaveAbierta clave_;
};

class RegistroDeWindows final : public Registro {
public:
    std::unique_ptr<ClaveRegistro> Abre(const std::string& ruta) const override {
        HKEY clave = nullptr;
        // Solo lectura: pedir también escritura (0x3F) deja sin conexiones a quien no es administrador.
        const LSTATUS r =
            RegOpenKeyExA(HKEY_LOCAL_MACHINE, ruta.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &clave);
        if (r != ERROR_SUCCESS || clave == nullptr) {
            return nullptr;
        }
        ClaveAbierta duena(clave);
        auto abierta = std::make_unique<ClaveWindows>(duena.get());
        duena.release();
        return abierta;
    }
};

} // namespace

std::unique_ptr<Registro> RegistroWindows() {
    return std::make_unique<RegistroDeWindows>();
}

} // namespace ov

#endif
