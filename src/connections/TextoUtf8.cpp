#include "connections/TextoUtf8.h"

#include <array>

namespace ov {

namespace {

void AgregaUtf8(std::string& s, char32_t c) {
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
}

constexpr char32_t kReemplazo = 0xFFFD;

// 0x80 a 0x9F de Windows-1252; los cinco huecos pasan como el código C1 del mismo número,
// igual que hace Windows al convertir.
constexpr std::array<char16_t, 32> kC1Windows1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t Mayuscula(char32_t c) {
    if (c >= U'a' && c <= U'z') {
        return c - 0x20;
    }
    if (c < 0x80) {
        return c;
    }
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) {
        return c - 0x20;
    }
    if (c == 0xFF) {
        return 0x178;
    }
    if (c == 0x131) {
        return U'I';
    }
    // Latin Extended-A alterna mayúscula y minúscula, con la paridad cambiada en dos tramos.
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) {
        return (c & 1) ? c - 1 : c;
    }
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
        return (c & 1) ? c : c - 1;
    }
    if (c == 0x3C2) {
        return 0x3A3;
    }
    if (c >= 0x3B1 && c <= 0x3C9) {
        return c - 0x20;
    }
    if (c >= 0x430 && c <= 0x44F) {
        return c - 0x20;
    }
    if (c >= 0x450 && c <= 0x45F) {
        return c - 0x50;
    }
    return c;
}

// Lee un carácter UTF-8 en s[i]; devuelve su largo, o 0 si la secuencia no es válida.
std::size_t LeeUtf8(std::string_view s, std::size_t i, char32_t& c) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t largo = 0;
    char32_t minimo = 0;
    if (b0 < 0x80) {
        c = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        largo = 2, c = b0 & 0x1F, minimo = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        largo = 3, c = b0 & 0x0F, minimo = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        largo = 4, c = b0 & 0x07, minimo = 0x10000;
    } else {
        return 0;
    }
    if (i + largo > s.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < largo; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            return 0;
        }
        c = (c << 6) | (b & 0x3F);
    }
    if (c < minimo || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return 0;
    }
    return largo;
}

} // namespace

std::string Utf8DeUtf16le(std::string_view bytes) {
    std::string s;
    s.reserve(bytes.size());
    const std::size_t unidades = bytes.size() / 2;
    auto unidad = [&](std::size_t k) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                     (static_cast<unsigned char>(bytes[2 * k + 1]) << 8));
    };
    for (std::size_t k = 0; k < unidades; ++k) {
        const char32_t u = unidad(k);
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < unidades) {
            const char32_t v = unidad(k + 1);
            if (v >= 0xDC00 && v <= 0xDFFF) {
                AgregaUtf8(s, 0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00));
                ++k;
                continue;
            }
        }
        AgregaUtf8(s, (u >= 0xD800 && u <= 0xDFFF) ? kReemplazo : u);
    }
    return s;
}

std::string Utf8DeWindows1252(std::string_view bytes) {
    std::string s;
    s.reserve(bytes.size() + bytes.size() / 8);
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        AgregaUtf8(s, (b >= 0x80 && b <= 0x9F) ? kC1Windows1252[b - 0x80] : char32_t{b});
    }
    return s;
}

std::string MayusculasUtf8(std::string_view texto) {
    std::string s;
    s.reserve(texto.size());
    for (std::size_t i = 0; i < texto.size();) {
        char32_t c = 0;
        const std::size_t largo = LeeUtf8(texto, i, c);
        if (largo == 0) {
            s += texto[i++];
            continue;
        }
        AgregaUtf8(s, Mayuscula(c));
        i += largo;
    }
    return s;
}

} // namespace ov
