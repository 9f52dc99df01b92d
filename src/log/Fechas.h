#pragma once

#include "log/Reloj.h"

#include <optional>
#include <string>
#include <string_view>

namespace ov {

Fecha Hoy(const Reloj& reloj);
Fecha DiaSiguiente(Fecha f);
FechaHora ConHora(Fecha f, int hora, int minuto, int segundo = 0);

std::string FormatoFecha(Fecha f);          // yyyy-MM-dd
std::string FormatoFechaHora(FechaHora fh); // yyyy-MM-dd HH:mm
std::string FormatoMesAnio(Fecha f);        // mmmyyyy, con los meses en español: dic2026
std::string FechaLarga(Fecha f);            // domingo, 6 de diciembre de 2026

// Lee "AAAA-MM-DD", "AAAA-MM-DD HH:MM[:SS[.fff]]" o con "T" en lugar del blanco.
std::optional<FechaHora> LeeFechaHora(std::string_view texto);
// Lee solo "AAAA-MM-DD", con una fecha válida del calendario.
std::optional<Fecha> LeeFecha(std::string_view texto);

} // namespace ov
