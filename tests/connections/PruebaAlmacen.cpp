// El almacén .reg leído una vez por búsqueda.
#include "ApoyoConexiones.h"
#include "apoyo/CarpetaTemporal.h"
#include "connections/ArchivoReg.h"
#include "connections/Estadisticas.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace ov;
using namespace ov::prueba;
namespace fs = std::filesystem;

namespace {

// Cuenta cuántas veces se lee el almacén entero y cuántas se abre una clave suelta.
class Contador final : public Registro {
public:
    explicit Contador(const Registro& r) : r_(r) {}
    std::unique_ptr<ClaveRegistro> Abre(const std::string& ruta) const override {
        ++aperturas;
        return r_.Abre(ruta);
    }
    std::unique_ptr<Registro> Instantanea() const override {
        ++lecturas;
        return r_.Instantanea();
    }
    mutable int aperturas = 0, lecturas = 0;

private:
    const Registro& r_;
};

} // namespace

// Una búsqueda lee el almacén una vez, nunca una vez por entrada; la siguiente lo vuelve a leer y ve
// los cambios. El sondeo de 500 filas lo lee una sola vez: crece en línea con las entradas.
TEST(Almacen, UnaLecturaPorBusquedaNoUnaPorEntrada) {
    CarpetaTemporal tmp;
    std::vector<std::pair<std::string, std::string>> entradas;
    std::vector<std::string> nombres;
    for (int n = 0; n < 500; ++n) {
        nombres.push_back("Planta " + std::to_string(n));
        entradas.emplace_back(nombres.back(), Sqlite(tmp / ("no_existe_" + std::to_string(n) + ".db")));
    }
    EscribeArchivo(tmp / "o.reg", Reg(entradas));
    ArchivoReg archivo(tmp / "o.reg");
    Contador contador(archivo);

    const auto lecturas = [&] {
        return std::to_string(contador.lecturas) + "/" + std::to_string(contador.aperturas);
    };
    EXPECT_EQ(Conexiones(contador).size(), 500u);
    EXPECT_EQ(lecturas(), "1/0") << "lecturas del almacén/claves abiertas";
    ModNalvora modulo(contador);
    EXPECT_EQ(modulo.AbreConexion("Planta 499"), 2);
    EXPECT_EQ(lecturas(), "2/0");

    Recolector observador(nombres.size());
    ActualizaEstadisticas(modulo, nombres, observador);
    EXPECT_EQ(std::ranges::count_if(observador.filas,
                                    [](const auto& f) { return f.estado.starts_with("sin conexión"); }),
              500);
    EXPECT_EQ(lecturas(), "3/0");

    const auto vista = archivo.Instantanea();
    EscribeArchivo(tmp / "o.reg", Reg({{"Otra", Sqlite(tmp / "otra.db")}}));
    EXPECT_EQ(Conexiones(*vista).size(), 500u) << "la instantánea es el archivo leído una sola vez";
    EXPECT_EQ(modulo.AbreConexion("Planta 1"), 1) << "cada búsqueda lee el archivo como está";
}
