#include "cli/Comandos.h"
#include "connections/Estadisticas.h"
#include "connections/Registry1.h"

#include <cstdio>
#include <optional>
#include <ostream>

namespace ov {

namespace {

struct FilaSalida {
    EstadisticasFila cifras;
    std::string estado = "ok";
};

// Las filas llegan según termina cada base; se imprimen en el orden de las entradas, cada una en
// cuanto las anteriores ya salieron.
class ObservadorTabla final : public ObservadorSondeo {
public:
    ObservadorTabla(const std::vector<std::string>& nombres, std::ostream& salida)
        : nombres_(nombres), filas_(nombres.size()), salida_(salida) {}

    void FilaSondeada(int fila, const EstadisticasFila& cifras, bool) override {
        Llega(fila, {cifras, "ok"});
    }
    // Lo mismo que dice la ayuda emergente de la fila en la ventana.
    void ErrorDeApertura(int fila, const std::string& error) override { porQue_ = {fila, error}; }
    void FilaSinConexion(int fila) override {
        const bool conRazon = porQue_ && porQue_->first == fila && !porQue_->second.empty();
        Llega(fila, {{}, conRazon ? "sin conexión: " + porQue_->second : "sin conexión"});
        porQue_.reset();
    }
    // El estado ya dice "error: "; el texto del error no lo repite.
    void FilaConError(int fila, const std::string& error) override {
        constexpr std::string_view kPrefijo = "Error: ";
        Llega(fila, {{}, "error: " + (error.starts_with(kPrefijo) ? error.substr(kPrefijo.size()) : error)});
    }

private:
    void Llega(int fila, FilaSalida salida) {
        filas_.at(static_cast<size_t>(fila - 1)) = std::move(salida);
        for (; siguiente_ < filas_.size() && filas_[siguiente_]; ++siguiente_) {
            const auto& f = *filas_[siguiente_];
            const auto& c = f.cifras;
            salida_ << CampoDeUnaLinea(nombres_[siguiente_]) << '\t' << SinRelleno(c.Tamano) << '\t'
                    << c.MenorChecada << '\t' << c.MayorChecada << '\t' << c.MenorKardex << '\t'
                    << c.MayorKardex << '\t' << CampoDeUnaLinea(f.estado) << '\n'
                    << std::flush;
        }
    }
    static std::string SinRelleno(const std::string& s) {
        const auto ini = s.find_first_not_of(' ');
        return ini == std::string::npos ? std::string() : s.substr(ini);
    }

    const std::vector<std::string>& nombres_;
    std::vector<std::optional<FilaSalida>> filas_;
    std::size_t siguiente_ = 0;
    std::optional<std::pair<int, std::string>> porQue_;
    std::ostream& salida_;
};

} // namespace

std::string CampoDeUnaLinea(const std::string& texto) {
    std::string s;
    s.reserve(texto.size());
    for (const char c : texto) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\t') {
            s += "\\t";
        } else if (c == '\n') {
            s += "\\n";
        } else if (c == '\r') {
            s += "\\r";
        } else if (c == '\0') {
            s += "\\0";
        } else if (u < 0x20 || u == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            s += hex;
        } else {
            s += c;
        }
    }
    return s;
}

int ComandoConexiones(const Registro& registro, EntornoConsola& entorno) {
    std::vector<std::string> nombres;
    for (auto& e : Conexiones(registro)) {
        nombres.push_back(std::move(e.Name));
    }
    if (nombres.empty()) {
        entorno.errores << "No hay conexiones de Orvalo en " << registro.Ubicacion() << ": la clave "
                        << "HKEY_LOCAL_MACHINE\\" << kClaveConexiones << "0 no tiene un valor Name.\n";
        return 1;
    }
    entorno.salida << "Conexión\tTamaño\tMenor checada\tMayor checada\tMenor kardex\tMayor kardex\tEstado\n";
    ModNalvora modulo(registro);
    ObservadorTabla observador(nombres, entorno.salida);
    ActualizaEstadisticas(modulo, nombres, observador);
    return 0;
}

} // namespace ov
