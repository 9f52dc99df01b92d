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
// La tabla que se depura con ese nombre (en minúsculas); nullopt para cualquier otra.
std::optional<TablaDatos> TablaDeNombre(const std::string& nombre);

// Lo que guarda el tipo de fecha de las tablas del producto: datetime de SQL Server, del
// 1753-01-01 al 9999-12-31. Fuera de eso el servidor no compara bien, y SQLite compara texto.
inline constexpr std::chrono::year_month_day kPrimerDiaAdmitido{std::chrono::year{1753}, std::chrono::January,
                                                                std::chrono::day{1}};
inline constexpr std::chrono::year_month_day kUltimoDiaAdmitido{std::chrono::year{9999},
                                                                std::chrono::December, std::chrono::day{31}};

// El día siguiente a Hasta, desde cuyas 00:00 se conserva lo posterior al rango. Nada cuando Hasta es
// el último día admitido: después no hay fechas y no se conserva nada por ese lado (el día siguiente
// caería en el año 10000, que el servidor no guarda y SQLite ordena antes que 9999 como texto).
std::optional<Fecha> DiaTrasHasta(const Rango& r);

// Rechazo, antes de preguntar nada, de un rango al revés o con una fecha que el servidor no guarda.
std::optional<std::string> RevisaRango(const Rango& r);

} // namespace ov
