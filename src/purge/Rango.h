#pragma once

#include "log/Fechas.h"

#include <optional>
#include <string>

namespace ov {

// Desde y Hasta tal como los eligió el operador (días completos).
struct Rango {
    Fecha Desde;
    Fecha Hasta;
};

// Una tabla que se depura y su columna de fecha.
struct TablaDatos {
    std::string Tabla;   // transacciones, checadas, kardex, bitacora
    std::string Columna; // fechayhora, fecha, fechahora
};

// Las tareas que borran datos, por su clave; nullopt para las demás.
std::optional<TablaDatos> TablaDeClave(const std::string& clave);

// Rechazo de un rango al revés, antes de preguntar nada.
std::optional<std::string> RevisaRango(const Rango& r);

} // namespace ov
