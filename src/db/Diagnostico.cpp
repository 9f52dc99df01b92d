#include "db/Diagnostico.h"

#include "db/TextoOdbc.h"

#include <algorithm>

namespace ov::db {

std::vector<Diagnostico> LeeDiagnosticos(SQLSMALLINT tipo, SQLHANDLE manejador) {
    std::vector<Diagnostico> registros;
    if (manejador == SQL_NULL_HANDLE) {
        return registros;
    }
    for (SQLSMALLINT i = 1;; ++i) {
        std::string estado, mensaje;
        SQLINTEGER nativo = 0;
        if (!SQL_SUCCEEDED(odbc::DiagRec(tipo, manejador, i, estado, nativo, mensaje))) {
            break;
        }
        while (!mensaje.empty() &&
               (mensaje.back() == '\0' || mensaje.back() == '\n' || mensaje.back() == '\r')) {
            mensaje.pop_back();
        }
        registros.push_back({std::move(estado), nativo, std::move(mensaje)});
    }
    return registros;
}

bool EsError(const Diagnostico& d) {
    const std::string clase = d.Estado.substr(0, 2);
    return clase != "00" && clase != "01" && clase != "02";
}

ErrorBD ErrorDeDiagnostico(const Diagnostico& d) {
    // Los prefijos son grupos "[...]" seguidos al principio del mensaje.
    size_t fin = 0;
    while (fin < d.Mensaje.size() && d.Mensaje[fin] == '[') {
        const size_t cierre = d.Mensaje.find(']', fin);
        if (cierre == std::string::npos) {
            break;
        }
        fin = cierre + 1;
    }
    std::string fuente = d.Mensaje.substr(0, fin);
    // unixODBC antepone "[unixODBC]" a los mensajes de cada driver; la fuente es el driver.
    const std::string gestor = "[unixODBC]";
    if (fuente.size() > gestor.size() && fuente.compare(0, gestor.size(), gestor) == 0 &&
        fuente.compare(gestor.size(), 16, "[Driver Manager]") != 0) {
        fuente.erase(0, gestor.size());
    }
    size_t inicio = fin;
    while (inicio < d.Mensaje.size() && d.Mensaje[inicio] == ' ') {
        ++inicio;
    }
    std::string descripcion = d.Mensaje.substr(inicio);
    // El driver de SQLite cierra el mensaje con el número entre paréntesis; el número ya va aparte.
    if (const std::string numero = " (" + std::to_string(d.Nativo) + ")";
        d.Nativo != 0 && descripcion.size() > numero.size() && descripcion.ends_with(numero)) {
        descripcion.resize(descripcion.size() - numero.size());
    }
    return ErrorBD(d.Nativo, std::move(fuente), std::move(descripcion), d.Estado);
}

std::optional<ErrorBD> ErrorDe(const Llamada& llamada) {
    for (const Diagnostico& d : llamada.Diagnosticos) {
        if (EsError(d)) {
            return ErrorDeDiagnostico(d);
        }
    }
    switch (llamada.rc) {
    case SQL_SUCCESS:
    case SQL_SUCCESS_WITH_INFO:
    case SQL_NO_DATA:
        return std::nullopt;
    case SQL_ERROR:
        if (!llamada.Diagnosticos.empty()) {
            return ErrorDeDiagnostico(llamada.Diagnosticos.front());
        }
        return ErrorBD(0, "[ovNalvora]", "El driver ODBC informó un error sin diagnóstico.", "HY000");
    case SQL_INVALID_HANDLE:
        return ErrorBD(0, "[ovNalvora]", "Manejador ODBC no válido.", "HY000");
    default:
        // SQL_NEED_DATA o SQL_STILL_EXECUTING: nada de esto se pide nunca.
        return ErrorBD(0, "[ovNalvora]",
                       "El driver ODBC devolvió un código inesperado (" + std::to_string(llamada.rc) + ").",
                       "HY000");
    }
}

} // namespace ov::db
