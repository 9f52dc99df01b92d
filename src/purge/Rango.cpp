#include "purge/Rango.h"

namespace ov {

std::optional<TablaDatos> TablaDeClave(const std::string& clave) {
    if (clave == "TRANSACCIONES") {
        return TablaDatos{"transacciones", "fechayhora"};
    }
    if (clave == "CHECADAS") {
        return TablaDatos{"checadas", "fechayhora"};
    }
    if (clave == "KARDEX") {
        return TablaDatos{"kardex", "fecha"};
    }
    if (clave == "BITACORA") {
        return TablaDatos{"bitacora", "fechahora"};
    }
    return std::nullopt;
}

std::optional<std::string> RevisaRango(const Rango& r) {
    if (r.Desde > r.Hasta) {
        return "La fecha Desde (" + FormatoFecha(r.Desde) + ") es posterior a la fecha Hasta (" +
               FormatoFecha(r.Hasta) + "). Corrija el rango; no se eliminó nada.";
    }
    return std::nullopt;
}

} // namespace ov
