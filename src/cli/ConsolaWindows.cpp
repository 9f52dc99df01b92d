#ifdef _WIN32

#include "cli/ConsolaWindows.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace ov {

namespace {

constexpr std::size_t kTopePendiente = 4096;

// Cuántos bytes del principio forman letras UTF-8 completas; lo demás espera al siguiente trozo.
std::size_t LetrasCompletas(const std::string& s) {
    std::size_t fin = s.size();
    for (std::size_t atras = 1; atras <= 3 && atras <= s.size(); ++atras) {
        const auto c = static_cast<unsigned char>(s[s.size() - atras]);
        if ((c & 0xC0) == 0x80) {
            continue; // byte de continuación: se sigue buscando el inicio
        }
        const std::size_t largo = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (largo > atras) {
            fin = s.size() - atras;
        }
        break;
    }
    return fin;
}

} // namespace

SalidaWindows::SalidaWindows(unsigned long estandar) : manejador_(GetStdHandle(estandar)), esConsola_(false) {
    DWORD modo = 0;
    esConsola_ =
        manejador_ != INVALID_HANDLE_VALUE && manejador_ != nullptr && GetConsoleMode(manejador_, &modo);
}

SalidaWindows::~SalidaWindows() {
    sync();
}

SalidaWindows::int_type SalidaWindows::overflow(int_type c) {
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        const char letra = traits_type::to_char_type(c);
        xsputn(&letra, 1);
    }
    return traits_type::not_eof(c);
}

std::streamsize SalidaWindows::xsputn(const char* s, std::streamsize n) {
    for (std::streamsize i = 0; i < n; ++i) {
        if (s[i] == '\n') {
            pendiente_ += '\r';
        }
        pendiente_ += s[i];
    }
    if (pendiente_.size() >= kTopePendiente) {
        sync();
    }
    return n;
}

int SalidaWindows::sync() {
    if (manejador_ == INVALID_HANDLE_VALUE || manejador_ == nullptr || pendiente_.empty()) {
        pendiente_.clear();
        return 0;
    }
    const std::size_t completas = esConsola_ ? LetrasCompletas(pendiente_) : pendiente_.size();
    bool bien = true;
    if (esConsola_) {
        const int anchos =
            MultiByteToWideChar(CP_UTF8, 0, pendiente_.data(), static_cast<int>(completas), nullptr, 0);
        std::wstring ancho(static_cast<std::size_t>(anchos > 0 ? anchos : 0), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, pendiente_.data(), static_cast<int>(completas), ancho.data(), anchos);
        DWORD escritos = 0;
        bien = ancho.empty() ||
               WriteConsoleW(manejador_, ancho.data(), static_cast<DWORD>(ancho.size()), &escritos, nullptr);
    } else {
        for (std::size_t hecho = 0; bien && hecho < completas;) {
            DWORD escritos = 0;
            bien = WriteFile(manejador_, pendiente_.data() + hecho, static_cast<DWORD>(completas - hecho),
                             &escritos, nullptr) &&
                   escritos > 0;
            hecho += escritos;
        }
    }
    pendiente_.erase(0, completas);
    return bien ? 0 : -1;
}

bool EntradaEsConsola() {
    DWORD modo = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &modo) != 0;
}

} // namespace ov

#endif
