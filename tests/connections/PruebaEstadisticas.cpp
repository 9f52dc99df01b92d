// El sondeo de estadísticas sobre bases SQLite reales por ODBC, varias a la vez.
#include "ApoyoConexiones.h"
#include "apoyo/BaseSqlite.h"
#include "apoyo/CarpetaTemporal.h"
#include "connections/ArchivoReg.h"
#include "connections/Estadisticas.h"

#include <gtest/gtest.h>

using namespace ov;
using namespace ov::prueba;
namespace fs = std::filesystem;

namespace {

// Una base mínima con las tablas del producto; el nombre de la tabla de checadas es a elección.
void CreaBase(const fs::path& archivo, const std::string& checadas, bool conKardex = true) {
    BaseSqlite b(archivo, true);
    b.Ejecuta("CREATE TABLE " + checadas + " (id INTEGER PRIMARY KEY, fechayhora DATETIME)");
    b.Ejecuta("CREATE TABLE bitacora (fechahora DATETIME)");
    if (conKardex) {
        b.Ejecuta("CREATE TABLE kardex (empleado INTEGER, fecha DATE)");
        b.Ejecuta("INSERT INTO kardex VALUES (1, '2024-05-02'), (1, NULL), (2, '2023-01-31')");
    }
    if (checadas != "checadas") {
        b.Ejecuta("CREATE TABLE checadas (id INTEGER PRIMARY KEY, fechayhora DATETIME)");
        b.Ejecuta("INSERT INTO checadas (fechayhora) VALUES ('1999-01-01 00:00:00')");
    }
    b.Ejecuta("INSERT INTO " + checadas +
              " (fechayhora) VALUES ('2024-03-05 07:08:09'), ('2024-03-04 23:59:59'), (NULL)");
}

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
    std::string Cuenta() const { return std::to_string(lecturas) + "/" + std::to_string(aperturas); }
    mutable int aperturas = 0, lecturas = 0;

private:
    const Registro& r_;
};

} // namespace

// Cada fila recibe lo suyo aunque las bases se sondeen a la vez y terminen en otro orden; todos los
// avisos llegan en el hilo de quien llamó, y el porqué de una fila sin conexión justo antes. El sondeo
// lee el almacén una sola vez, y cada búsqueda una vez, nunca una vez por entrada: crece en línea con
// las entradas; la siguiente búsqueda lo vuelve a leer y ve los cambios.
TEST(Estadisticas, CadaFilaConSusCifrasOSuEstadoAunqueSeSondeenALaVez) {
    CarpetaTemporal tmp;
    CreaBase(tmp / "mayus.db", "Transacciones");
    CreaBase(tmp / "minus.db", "transacciones");
    CreaBase(tmp / "sinkardex.db", "checadas", false);
    CreaBase(tmp / "vacia.db", "checadas");
    BaseSqlite(tmp / "vacia.db").Ejecuta("DELETE FROM checadas");
    EscribeArchivo(tmp / "o.reg", Reg({{"Mayus", Sqlite(tmp / "mayus.db")},
                                       {"Minus", Sqlite(tmp / "minus.db")},
                                       {"Sin kardex", Sqlite(tmp / "sinkardex.db")},
                                       {"Vacia", Sqlite(tmp / "vacia.db")},
                                       {"Mal escrita", Sqlite(tmp / "orvalo_nrote.db")},
                                       {"Vacía", ""}}));
    // nombre, estado (o su principio), menor checada, si hay "Transacciones"
    const std::tuple<std::string, std::string, std::string, bool> casos[] = {
        {"Mayus", "ok", "2024-03-04 23:59", true},
        {"No existe", "sin conexión: No hay una conexión llamada No existe.", "", false},
        {"Sin kardex", "error: Error: ", "", false},
        // "transacciones" en minúsculas no cuenta: las fechas salen de checadas.
        {" minus ", "ok", "1999-01-01 00:00", false},
        // Una tabla vacía da una fila de Null: celdas vacías.
        {"Vacia", "ok", "", false},
        // Una ruta mal escrita nunca crea una base vacía.
        {"Mal escrita", "sin conexión: [ovNalvora] No existe la base de datos SQLite", "", false},
        {"Vacía", "sin conexión: ", "", false},
    };
    std::vector<std::string> nombres;
    for (int vuelta = 0; vuelta < 3; ++vuelta) {
        for (const auto& c : casos) {
            nombres.push_back(std::get<0>(c));
        }
    }
    ArchivoReg registro(tmp / "o.reg");
    Contador contador(registro);
    ModNalvora modulo(contador);
    Recolector r(nombres.size());
    ActualizaEstadisticas(modulo, nombres, r);
    EXPECT_EQ(contador.Cuenta(), "1/0") << "lecturas del almacén/claves abiertas";

    EXPECT_EQ(r.fueraDeHilo, 0);
    for (size_t i = 0; i < nombres.size(); ++i) {
        const auto& [nombre, estado, menor, hay] = casos[i % std::size(casos)];
        const Fila& f = r.filas[i];
        EXPECT_EQ(f.estado.substr(0, estado.size()), estado) << i << " " << nombre;
        EXPECT_EQ(f.cifras.MenorChecada, menor) << i << " " << nombre;
        EXPECT_EQ(f.hayTransacciones, hay) << i << " " << nombre;
    }
    EXPECT_NE(r.filas[2].estado.find("kardex"), std::string::npos) << r.filas[2].estado;
    EXPECT_EQ(r.filas[0].cifras.MayorChecada, "2024-03-05 07:08");
    EXPECT_EQ(r.filas[0].cifras.MenorKardex, "2023-01-31");
    EXPECT_EQ(r.filas[0].cifras.MayorKardex, "2024-05-02");
    EXPECT_EQ(modulo.AbreConexion("Mal escrita"), 2); // lo mismo para depurar, simular o reponer
    EXPECT_FALSE(fs::exists(tmp / "orvalo_nrote.db"));
    EXPECT_FALSE(modulo.cnBD().Abierta());
    EXPECT_EQ(Conexiones(contador).size(), 6u);
    EXPECT_EQ(contador.Cuenta(), "3/0");
    const auto vista = registro.Instantanea();
    EscribeArchivo(tmp / "o.reg", Reg({{"Otra", Sqlite(tmp / "otra.db")}}));
    EXPECT_EQ(Conexiones(*vista).size(), 6u) << "la instantánea es el archivo leído una sola vez";
    EXPECT_EQ(modulo.AbreConexion("Mayus"), 1) << "cada búsqueda lee el archivo como está";
    // El tamaño exacto de la base lo compara prueba_ventana_demo; aquí, el relleno a 18.
    EXPECT_EQ(RellenaTamano("  12.50 MB ", 18), "          12.50 MB");
}
