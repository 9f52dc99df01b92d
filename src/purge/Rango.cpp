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

std::optional<TablaDatos> TablaDeNombre(const std::string& nombre) {
    for (const char* clave : {"TRANSACCIONES", "CHECADAS", "KARDEX", "BITACORA"}) {
        if (auto t = TablaDeClave(clave); t && t->Tabla == nombre) {
            return t;
        }
    }
    return std::nullopt;
}

std::optional<Fecha> DiaTrasHasta(const Rango& r) {
    if (r.Hasta >= Fecha{kUltimoDiaAdmitido}) {
        return std::nullopt;
    }
    return DiaSiguiente(r.Hasta);
}

std::optional<std::string> RevisaRango(const Rango& r) {
    const Fecha primera{kPrimerDiaAdmitido}, ultima{kUltimoDiaAdmitido};
    for (const auto& [nombre, f] : {std::pair{"Desde", r.Desde}, std::pair{"Hasta", r.Hasta}}) {
        if (f < primera || f > ultima) {
            return std::string("La fecha ") + nombre + " (" + FormatoFecha(f) +
                   ") está fuera de lo que guarda la base de datos, del " + FormatoFecha(primera) + " al " +
                   FormatoFecha(ultima) + ". Corrija el rango; no se eliminó nada.";
        }
    }
    if (r.Desde > r.Hasta) {
        return "La fecha Desde (" + FormatoFecha(r.Desde) + ") es posterior a la fecha Hasta (" +
               FormatoFecha(r.Hasta) + "). Corrija el rango; no se eliminó nada.";
    }
    return std::nullopt;
}

} // namespace ov
