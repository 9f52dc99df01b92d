#ifdef _WIN32

#include "connections/RegistroWindows.h"

#include "connections/TextoUtf8.h"
#include "db/TextoOdbc.h"

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

class ClaveWindows final : public ClaveRegistro {
public:
    explicit ClaveWindows(HKEY clave) : clave_(clave) {}

    std::int32_t ConsultaTipo(const std::string& nombre, std::uint32_t& tipo, std::uint32_t& bytes) override {
        DWORD t = 0;
        DWORD cb = 0;
        const LSTATUS r =
            RegQueryValueExW(clave_.get(), db::Utf16DeUtf8(nombre).c_str(), nullptr, &t, nullptr, &cb);
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
        const LSTATUS r = RegQueryValueExW(clave_.get(), db::Utf16DeUtf8(nombre).c_str(), nullptr, &t,
                                           datos.empty() ? nullptr : datos.data(), &cb);
        if (r != ERROR_SUCCESS) {
            return static_cast<std::int32_t>(r);
        }
        if (cb > datos.size()) {
            return ERROR_MORE_DATA;
        }
        // El texto termina donde dice la cuenta de bytes: puede estar guardado sin su NUL.
        datos.resize(cb);
        // Los textos llegan en UTF-16 (lo que la página ANSI no tiene, como «Łódź», llega entero);
        // dentro del programa todo es UTF-8. Un byte suelto al final no es un carácter.
        if (t == REG_SZ) {
            const std::string utf8 =
                Utf8DeUtf16le(std::string_view(reinterpret_cast<const char*>(datos.data()), datos.size()));
            datos.assign(utf8.begin(), utf8.end());
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
        const LSTATUS r = RegOpenKeyExW(HKEY_LOCAL_MACHINE, db::Utf16DeUtf8(ruta).c_str(), 0,
                                        KEY_READ | KEY_WOW64_32KEY, &clave);
        if (r != ERROR_SUCCESS || clave == nullptr) {
            return nullptr;
        }
        ClaveAbierta duena(clave);
        auto abierta = std::make_unique<ClaveWindows>(duena.get());
        duena.release();
        return abierta;
    }
    std::string Ubicacion() const override {
        return "el registro de Windows (HKEY_LOCAL_MACHINE, vista de 32 bits)";
    }
};

} // namespace

std::unique_ptr<Registro> RegistroWindows() {
    return std::make_unique<RegistroDeWindows>();
}

} // namespace ov

#endif
