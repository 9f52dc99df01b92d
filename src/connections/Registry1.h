#pragma once

#include "connections/Registro.h"

#include <string>

namespace ov {

struct Consulta {
    std::int32_t Estado = 0; // 0, el código del registro, o -1 si el tipo no es texto ni número
    ValorRegistro Valor;
};

// Lee un valor de una clave ya abierta (clave nula: falla como el registro).
Consulta ConsultaValor(ClaveRegistro* clave, const std::string& nombre);
bool ExisteValor(const Registro& registro, const std::string& ruta, const std::string& nombre);
ValorRegistro LeeValor(const Registro& registro, const std::string& ruta, const std::string& nombre);

inline constexpr const char* kClaveConexiones = "Software\\Quintara\\Orvalo\\Conexiones\\";

} // namespace ov
