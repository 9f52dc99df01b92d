#include "purge/AvisoFinal.h"

namespace ov {

namespace {
constexpr const char* kSalto = "\r\n";

std::string Lista(const std::vector<std::string>& nombres) {
    std::string s;
    for (size_t i = 0; i < nombres.size(); ++i) {
        s += (i == 0 ? "" : ", ") + nombres[i];
    }
    return s;
}
} // namespace

std::string LoQueSeIntento(const std::string& textoEnProceso) {
    std::string s = textoEnProceso;
    while (!s.empty() && s.back() == '.') {
        s.pop_back();
    }
    return s + ".";
}

std::string AvisoFinal(const ResultadoCorrida& res, DestinoAviso destino) {
    const bool ventana = destino == DestinoAviso::Ventana;
    // Una corrida detenida no se anuncia como terminada.
    std::string m = res.fin == ResultadoCorrida::Fin::Detenida
                        ? "La depuración se detuvo por un error: " + res.Error
                        : std::string(kMensajeTerminado);
    // Lo que no terminó bien y no es una conexión que no abrió se dice aquí, aunque no tenga nombre.
    if (res.fin != ResultadoCorrida::Fin::Detenida && !res.TodasTerminadas &&
        !(res.Fallidas.empty() && !res.NoAbrieron.empty())) {
        m += std::string(kSalto) + kSalto + "Una o más tareas no terminaron bien; " +
             (ventana ? "revise la lista de tareas y la bitácora."
                      : "la bitácora y las líneas de arriba dicen por qué.");
        for (const auto& f : res.Fallidas) {
            m += std::string(kSalto) + "Falló: " + LoQueSeIntento(f);
        }
    }
    if (!res.NoAbrieron.empty()) {
        m += std::string(kSalto) + kSalto + kMensajeSinConexion + kSalto +
             "No abrió: " + Lista(res.NoAbrieron) + ".";
    }
    if (res.NadaCorrio) {
        m += std::string(kSalto) + kMensajeNadaCorrio;
    }
    if (!res.Pendientes.empty()) {
        m += std::string(kSalto) + kSalto +
             "Quedaron en la base temporal orvalo_temp, que no se borró: " + Lista(res.Pendientes) +
             (ventana ? ". La siguiente depuración de esa conexión ofrecerá reponerlas."
                      : ". Revíselas con --temporal antes de volver a depurar.");
    }
    return m;
}

} // namespace ov
