#include "cli/Comandos.h"
#include "connections/Estadisticas.h"

#include <ostream>

namespace ov {

namespace {

struct FilaSalida {
    EstadisticasFila cifras;
    std::string estado = "ok";
};

class ObservadorTabla final : public ObservadorSondeo {
public:
    explicit ObservadorTabla(std::vector<FilaSalida>& filas) : filas_(filas) {}
    void FilaSondeada(int fila, const EstadisticasFila& cifras, bool) override { Fila(fila).cifras = cifras; }
    void FilaSinConexion(int fila) override { Fila(fila).estado = "sin conexión"; }
    // El estado ya dice "error: "; el texto del error no lo repite.
    void FilaConError(int fila, const std::string& error) override {
        constexpr std::string_view kPrefijo = "Error: ";
        Fila(fila).estado = "error: " + (error.starts_with(kPrefijo) ? error.substr(kPrefijo.size()) : error);
    }

private:
    FilaSalida& Fila(int fila) { return filas_.at(static_cast<size_t>(fila - 1)); }
    std::vector<FilaSalida>& filas_;
};

std::string SinRelleno(const std::string& s) {
    const auto ini = s.find_first_not_of(' ');
    return ini == std::string::npos ? std::string() : s.substr(ini);
}

} // namespace

int ComandoConexiones(const Registro& registro, EntornoConsola& entorno) {
    const auto entradas = Conexiones(registro);
    std::vector<std::string> nombres;
    for (const auto& e : entradas) {
        nombres.push_back(e.Name);
    }
    std::vector<FilaSalida> filas(entradas.size());
    ModNalvora modulo(registro);
    ObservadorTabla observador(filas);
    ActualizaEstadisticas(modulo, nombres, observador);

    auto& s = entorno.salida;
    s << "Conexión\tTamaño\tMenor checada\tMayor checada\tMenor kardex\tMayor kardex\tEstado\n";
    for (size_t i = 0; i < filas.size(); ++i) {
        const auto& c = filas[i].cifras;
        s << nombres[i] << '\t' << SinRelleno(c.Tamano) << '\t' << c.MenorChecada << '\t' << c.MayorChecada
          << '\t' << c.MenorKardex << '\t' << c.MayorKardex << '\t' << filas[i].estado << '\n';
    }
    return 0;
}

} // namespace ov
