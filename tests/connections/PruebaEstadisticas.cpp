// El sondeo de estadísticas sobre bases SQLite reales por ODBC.
#include "apoyo/BaseSqlite.h"
#include "apoyo/CarpetaTemporal.h"
#include "connections/ArchivoReg.h"
#include "connections/Estadisticas.h"

#include <gtest/gtest.h>

using namespace ov;
using namespace ov::prueba;
namespace fs = std::filesystem;

namespace {

struct Fila {
    std::string estado = "sin sondear";
    EstadisticasFila cifras;
    bool hayTransacciones = false;
};

class Recolector final : public ObservadorSondeo {
public:
    explicit Recolector(size_t n) : filas(n) {}
    void FilaSondeada(int fila, const EstadisticasFila& c, bool hay) override {
        filas.at(static_cast<size_t>(fila - 1)) = {"ok", c, hay};
    }
    void FilaSinConexion(int fila) override {
        filas.at(static_cast<size_t>(fila - 1)).estado = "sin conexión";
    }
    void FilaConError(int fila, const std::string& e) override {
        filas.at(static_cast<size_t>(fila - 1)).estado = "error: " + e;
    }
    std::vector<Fila> filas;
};

// Una base mínima con las tablas del producto; el nombre de la tabla de checadas es a elección.
void CreaBase(const fs::path& archivo, const std::string& checadas, bool conKardex = true) {
    EscribeArchivo(archivo, "");
    BaseSqlite b(archivo);
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

std::string Entrada(int n, const std::string& nombre, const fs::path& base) {
    return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quintara\\Orvalo\\Conexiones\\" + std::to_string(n) +
           "]\r\n\"Name\"=\"" + nombre + "\"\r\n\"Conn\"=\"Driver=SQLite3;Database=" + base.string() +
           "\"\r\n";
}

} // namespace

TEST(Estadisticas, CadaFilaConSusCifrasOSuEstadoYElSondeoSigue) {
    CarpetaTemporal tmp;
    CreaBase(tmp / "mayus.db", "Transacciones");
    CreaBase(tmp / "minus.db", "transacciones");
    CreaBase(tmp / "sinkardex.db", "checadas", false);
    CreaBase(tmp / "vacia.db", "checadas");
    {
        BaseSqlite v(tmp / "vacia.db");
        v.Ejecuta("DELETE FROM checadas");
    }
    EscribeArchivo(tmp / "o.reg", "REGEDIT4\r\n\r\n" + Entrada(0, "Mayus", tmp / "mayus.db") +
                                      Entrada(1, "Minus", tmp / "minus.db") +
                                      Entrada(2, "Sin kardex", tmp / "sinkardex.db") +
                                      Entrada(3, "Vacia", tmp / "vacia.db"));
    ArchivoReg registro(tmp / "o.reg");
    ModNalvora modulo(registro);
    Recolector r(5);
    ActualizaEstadisticas(modulo, {"Mayus", "No existe", "Sin kardex", "Minus", "Vacia"}, r);

    const auto& mayus = r.filas[0];
    ASSERT_EQ(mayus.estado, "ok");
    EXPECT_TRUE(mayus.hayTransacciones);
    EXPECT_EQ(mayus.cifras.MenorChecada, "2024-03-04 23:59");
    EXPECT_EQ(mayus.cifras.MayorChecada, "2024-03-05 07:08");
    EXPECT_EQ(mayus.cifras.MenorKardex, "2023-01-31");
    EXPECT_EQ(mayus.cifras.MayorKardex, "2024-05-02");
    // El tamaño exacto de la base lo compara prueba_ventana_demo; aquí, el relleno a 18.
    EXPECT_EQ(RellenaTamano("  12.50 MB ", 18), "          12.50 MB");

    EXPECT_EQ(r.filas[1].estado, "sin conexión");
    EXPECT_EQ(r.filas[2].estado.rfind("error: ", 0), 0u);
    EXPECT_NE(r.filas[2].estado.find("kardex"), std::string::npos) << r.filas[2].estado;

    // "transacciones" en minúsculas no cuenta: las fechas salen de checadas.
    EXPECT_FALSE(r.filas[3].hayTransacciones);
    EXPECT_EQ(r.filas[3].cifras.MenorChecada, "1999-01-01 00:00");

    // Una tabla vacía da una fila de Null: celdas vacías.
    EXPECT_EQ(r.filas[4].estado, "ok");
    EXPECT_EQ(r.filas[4].cifras.MenorChecada, "");
    EXPECT_EQ(r.filas[4].cifras.MayorChecada, "");
    EXPECT_FALSE(modulo.cnBD().Abierta());
}
