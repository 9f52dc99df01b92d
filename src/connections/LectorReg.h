#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ov {

struct ValorGuardado {
    std::uint32_t Tipo = 0;
    std::vector<unsigned char> Datos; // REG_SZ ya en UTF-8 y con su NUL
};

// Valores de una clave, por nombre en mayúsculas ("" es el valor predeterminado @).
using ClaveGuardada = std::map<std::string, ValorGuardado>;

// Claves bajo HKEY_LOCAL_MACHINE por ruta normalizada (PliegaRuta); otras raíces se ignoran.
using ContenidoReg = std::map<std::string, ClaveGuardada>;

// Interpreta un archivo .reg completo. Nunca lanza: lo que no entiende lo salta, y un archivo
// sin el encabezado de regedit no tiene claves.
ContenidoReg LeeContenidoReg(std::string_view archivo);

// Ruta en mayúsculas, sin separadores repetidos ni al principio o al final.
std::string PliegaRuta(std::string_view ruta);

} // namespace ov
