// El almacén .reg leído una vez por búsqueda, lo que no es un almacén y la espera por una base que
// otro proceso tiene bloqueada.
#include "ApoyoConexiones.h"
#include "apoyo/BaseSqlite.h"
#include "apoyo/CarpetaTemporal.h"
#include "connections/ArchivoReg.h"
#include "connections/Estadisticas.h"
#include "db/Espera.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace ov;
using namespace ov::prueba;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

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
    std::string reg = "REGEDIT4\r\n\r\n";
    std::vector<std::string> nombres;
    for (int n = 0; n < 500; ++n) {
        nombres.push_back("Planta " + std::to_string(n));
        reg += EntradaReg(n, nombres.back(), Sqlite(tmp / ("no_existe_" + std::to_string(n) + ".db")));
    }
    EscribeArchivo(tmp / "o.reg", reg);
    ArchivoReg archivo(tmp / "o.reg");
    Contador contador(archivo);

    EXPECT_EQ(Conexiones(contador).size(), 500u);
    EXPECT_EQ(contador.lecturas, 1);
    EXPECT_EQ(contador.aperturas, 0);
    ModNalvora modulo(contador);
    EXPECT_EQ(modulo.AbreConexion("Planta 499"), 2);
    EXPECT_EQ(contador.lecturas, 2);
    EXPECT_EQ(contador.aperturas, 0);

    struct Nada final : ObservadorSondeo {
        void FilaSondeada(int, const EstadisticasFila&, bool) override {}
        void FilaSinConexion(int) override { ++sinConexion; }
        void FilaConError(int, const std::string&) override {}
        int sinConexion = 0;
    } observador;
    ActualizaEstadisticas(modulo, nombres, observador);
    EXPECT_EQ(observador.sinConexion, 500);
    EXPECT_EQ(contador.lecturas, 3);
    EXPECT_EQ(contador.aperturas, 0);

    const auto vista = archivo.Instantanea();
    EscribeArchivo(tmp / "o.reg", "REGEDIT4\r\n\r\n" + EntradaReg(0, "Otra", Sqlite(tmp / "otra.db")));
    EXPECT_EQ(Conexiones(*vista).size(), 500u) << "la instantánea es el archivo leído una sola vez";
    EXPECT_EQ(modulo.AbreConexion("Planta 1"), 1) << "cada búsqueda lee el archivo como está";
}

// Lo que no es un archivo común, o pasa de 16 MB, no es un almacén: se dice por qué y no se lee.
TEST(Almacen, SoloUnArchivoComunDeTamanoRazonable) {
    CarpetaTemporal tmp;
    EscribeArchivo(tmp / "bien.reg", "REGEDIT4\r\n");
    EXPECT_EQ(RevisaArchivoReg(tmp / "bien.reg"), std::nullopt);
    EXPECT_NE(RevisaArchivoReg(tmp / "no_esta.reg").value_or("").find("No existe"), std::string::npos);
    EXPECT_NE(RevisaArchivoReg(tmp.Ruta()).value_or("").find("no es un archivo común"), std::string::npos);
    EXPECT_NE(RevisaArchivoReg("/dev/zero").value_or("").find("no es un archivo común"), std::string::npos);
    fs::resize_file(tmp / "bien.reg", kTopeArchivoReg + 1);
    EXPECT_NE(RevisaArchivoReg(tmp / "bien.reg").value_or("").find("16 MB"), std::string::npos);

    // Tampoco se lee por otro camino (la ventana): /dev/zero no cuelga y no tiene claves.
    const auto inicio = std::chrono::steady_clock::now();
    EXPECT_TRUE(Conexiones(ArchivoReg("/dev/zero")).empty());
    EXPECT_TRUE(Conexiones(ArchivoReg(tmp / "bien.reg")).empty());
    EXPECT_LT(std::chrono::steady_clock::now() - inicio, 5s);
}

// Con otra conexión reteniendo la base, una escritura espera lo que dice --espera y falla con un error
// que se reconoce como base ocupada; sin límite (0) la espera es la mayor que admite SQLite.
TEST(Espera, UnaBaseBloqueadaPorOtroProcesoFallaAlAgotarLaEspera) {
    CarpetaTemporal tmp;
    EscribeArchivo(tmp / "uno.db", "");
    {
        BaseSqlite b(tmp / "uno.db");
        b.Ejecuta("CREATE TABLE kardex (empleado INTEGER)");
    }
    EscribeArchivo(tmp / "o.reg", "REGEDIT4\r\n\r\n" + EntradaReg(0, "Uno", Sqlite(tmp / "uno.db")));
    ArchivoReg registro(tmp / "o.reg");
    ModNalvora modulo(registro);
    EXPECT_EQ(modulo.Espera(), 60s);

    BaseSqlite otra(tmp / "uno.db");
    otra.Ejecuta("BEGIN EXCLUSIVE");
    otra.Ejecuta("INSERT INTO kardex VALUES (1)");
    modulo.FijaEspera(1s);
    ASSERT_EQ(modulo.AbreConexion("Uno"), 0) << modulo.UltimoError();
    const auto inicio = std::chrono::steady_clock::now();
    try {
        modulo.cnBD().Execute("DELETE FROM kardex");
        ADD_FAILURE() << "la base estaba bloqueada";
    } catch (const db::ErrorBD& e) {
        EXPECT_TRUE(db::EsEsperaAgotada(e)) << e.Numero << e.Fuente << " " << e.Descripcion;
    }
    const auto espera = std::chrono::steady_clock::now() - inicio;
    EXPECT_GE(espera, 900ms);
    EXPECT_LT(espera, 10s);
    otra.Ejecuta("COMMIT");
    EXPECT_EQ(otra.Cuenta("SELECT count(*) FROM kardex"), 1) << "la tabla no se tocó";

    // Sin límite es el mayor Timeout que admite el driver; el que ya diga la cadena se respeta.
    db::CadenaOdbc sinLimite, propia;
    sinLimite.Texto = "Driver=SQLite3;Database=x.db";
    propia.Texto = "Driver=SQLite3;Timeout=5;Database=x.db";
    db::PonEsperaSQLite(sinLimite, 0s);
    db::PonEsperaSQLite(propia, 0s);
    EXPECT_EQ(sinLimite.Texto, "Driver=SQLite3;Database=x.db;Timeout=2147483647");
    EXPECT_EQ(propia.Texto, "Driver=SQLite3;Timeout=5;Database=x.db");
    EXPECT_FALSE(db::EsEsperaAgotada(db::ErrorBD(19, "[SQLite]", "UNIQUE constraint failed: kardex.id")));
    EXPECT_FALSE(db::EsEsperaAgotada(db::ErrorBD(5, "[FreeTDS][SQL Server]", "otra cosa")));
}
