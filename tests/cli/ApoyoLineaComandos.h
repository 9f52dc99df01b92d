#pragma once

#include "apoyo/BaseSqlite.h"
#include "apoyo/CarpetaTemporal.h"
#include "apoyo/Contiene.h"
#include "cli/LineaComandos.h"
#include "connections/ApoyoConexiones.h"
#include "log/Fechas.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>

namespace ov::prueba {

struct Salida {
    int codigo;
    std::string salida, errores;
};

class LineaComandosPrueba : public ::testing::Test {
protected:
    CarpetaTemporal tmp;
    std::filesystem::path demo = tmp / "demo";
    RelojFijo reloj{ConHora(std::chrono::local_days{std::chrono::year{2026} / 12 / 6}, 10, 0)};

    void SetUp() override { GeneraDemo(demo, 3000); }

    Salida Corre(std::vector<std::string> args, const std::string& respuestas = "", bool terminal = false) {
        std::istringstream entrada(respuestas);
        std::ostringstream salida, errores;
        EntornoConsola e{entrada, salida, errores, terminal, tmp.Ruta(), &reloj};
        // --registro solo si la orden no trae el suyo.
        if (!args.empty() && args[0] != "--version" && args[0] != "--ayuda" &&
            std::ranges::find(args, "--registro") == args.end()) {
            args.insert(args.begin(), {"--registro", (demo / "orvalo.reg").string()});
        }
        const int codigo = CorreLineaComandos(args, e);
        return {codigo, salida.str(), errores.str()};
    }
    std::vector<std::string> Depurar(std::vector<std::string> extra, const std::string& desde = "2025-03-01",
                                     const std::string& hasta = "2025-03-31") {
        std::vector<std::string> a{"--depurar", "--conexion", "planta norte ", "--desde", desde,
                                   "--hasta",   hasta};
        a.insert(a.end(), extra.begin(), extra.end());
        return a;
    }
};

} // namespace ov::prueba
