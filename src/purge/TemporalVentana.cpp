// Lo que la ventana necesita para que el operador diga a qué base pertenecen las filas de un sobrante.
#include "db/CadenaConexion.h"
#include "purge/Temporal.h"

#include <algorithm>

namespace ov {

namespace {

// Si la conexión abre en el mismo servidor o carpeta que el sobrante y su base puede recibir filas;
// si es la base de su origen, lo dice en deOrigen.
bool EsCandidata(ModNalvora& modulo, const EntradaConexion& entrada, const EstadoTemporal& e,
                 bool& deOrigen) {
    deOrigen = false;
    if (modulo.AbreConexion(entrada.Name) != 0) {
        return false;
    }
    bool candidata = false;
    try {
        auto& cn = modulo.cnBD();
        auto dialecto = DialectoPara(cn);
        candidata = !RevisaQueNoSeaLaTemporal(cn, entrada.Name) &&
                    db::Minusculas(dialecto->Servidor(cn)) == db::Minusculas(e.Lugar);
        deOrigen = candidata && EsLaBaseDeOrigen(cn, *dialecto, e) == true;
    } catch (const db::ErrorBD&) {
        candidata = false; // una conexión que no se puede revisar no se ofrece
    }
    if (modulo.cnBD().Abierta()) {
        modulo.cnBD().Close();
    }
    return candidata;
}

bool MismoContenido(const EstadoTemporal& a, const EstadoTemporal& b) {
    return a.Tablas.size() == b.Tablas.size() &&
           std::equal(a.Tablas.begin(), a.Tablas.end(), b.Tablas.begin(),
                      [](const TablaEnTemporal& x, const TablaEnTemporal& y) {
                          return x.Nombre == y.Nombre && x.Filas == y.Filas;
                      });
}

} // namespace

std::variant<SobranteParaElegir, std::string> DescribeSobrante(ModNalvora& modulo,
                                                               const std::string& conexion) {
    auto leido = LeeSobrante(modulo, conexion);
    if (const auto* error = std::get_if<std::string>(&leido)) {
        return *error;
    }
    SobranteParaElegir s{conexion, std::get<EstadoTemporal>(leido), {}, {}, {}, std::nullopt};
    for (const auto& t : s.Estado.Tablas) {
        if (!t.Desde.empty() && (s.Desde.empty() || t.Desde < s.Desde)) {
            s.Desde = t.Desde;
        }
        if (t.Hasta > s.Hasta) {
            s.Hasta = t.Hasta;
        }
    }
    for (const auto& entrada : Conexiones(modulo.registro())) {
        bool deOrigen = false;
        if (EsCandidata(modulo, entrada, s.Estado, deOrigen)) {
            s.Candidatas.push_back(entrada.Name);
            if (deOrigen) {
                s.DeOrigen = entrada.Name;
            }
        }
    }
    return s;
}

ResultadoReposicion ReponeEnLaElegida(ModNalvora& modulo, const SobranteParaElegir& sobrante,
                                      const std::optional<std::string>& elegida,
                                      const std::function<void(const std::string&)>& registra) {
    ResultadoReposicion res;
    res.Bien = false;
    const bool candidata = elegida && std::find(sobrante.Candidatas.begin(), sobrante.Candidatas.end(),
                                                *elegida) != sobrante.Candidatas.end();
    if (!elegida) {
        res.Lineas.push_back("No se repuso nada: las filas siguen en la base temporal orvalo_temp de " +
                             sobrante.Estado.Lugar + ".");
    } else if (!candidata || (sobrante.DeOrigen && *elegida != *sobrante.DeOrigen)) {
        res.Lineas.push_back("La conexión " + *elegida +
                             " no es una a la que puedan pertenecer esas filas; no se cambió nada.");
    } else {
        // Lo que se repone es lo que el operador vio: si otra orden cambió orvalo_temp, no se toca.
        auto ahora = LeeSobrante(modulo, *elegida);
        const auto* e = std::get_if<EstadoTemporal>(&ahora);
        if (!e || e->Lugar != sobrante.Estado.Lugar || !MismoContenido(*e, sobrante.Estado)) {
            res.Lineas.push_back(
                "La base temporal orvalo_temp cambió desde que se mostró; no se cambió nada. "
                "Vuelva a revisarla.");
        } else {
            return ReponeTemporal(modulo, *elegida, registra, true);
        }
    }
    for (const auto& l : res.Lineas) {
        registra(l);
    }
    return res;
}

} // namespace ov
