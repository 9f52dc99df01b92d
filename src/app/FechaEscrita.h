#pragma once

// Las fechas que el operador teclea en un DTPicker1, iguales en todas las implementaciones.

#include "log/Reloj.h"

#include <optional>
#include <string>

namespace ov::app {

// La primera fecha que aceptan los selectores: la primera que SQL Server guarda en un datetime.
// Una fecha anterior se rechaza donde se teclea; nunca se cambia por otra.
inline constexpr Fecha kFechaMinima{std::chrono::year{1753} / 1 / 1};

// Una fecha escrita entera: 01/03/2024 (día, mes, año) o 2024-03-01; también con guiones, barras o
// puntos y el día o el mes de una cifra. nullopt si no es una fecha del calendario o es anterior a
// `minimo`.
std::optional<Fecha> LeeFechaEscrita(const std::string& texto, Fecha minimo = kFechaMinima);

enum class ParteFecha { Dia, Mes, Anio };

// La fecha con una parte tecleada. Un día que no cabe en el mes no es fecha; un mes o un año que
// dejan el día fuera lo recortan al último del mes (31 de enero → febrero 28). nullopt si no es
// fecha o queda antes de `minimo`.
std::optional<Fecha> ConParte(Fecha f, ParteFecha parte, int valor, Fecha minimo = kFechaMinima);

} // namespace ov::app
