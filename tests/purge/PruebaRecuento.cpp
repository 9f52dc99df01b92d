// Las cuentas de la segunda pregunta: lo que cada paso de datos marcado quitaría, contado con la
// misma condición con que la prueba de la corrida completa revisa lo que queda.
#include "ApoyoDepuracion.h"
#include "purge/Recuento.h"

using namespace ov;
using namespace ov::prueba;

namespace {

// La cifra tal como la escribe el párrafo, a partir de una cuenta hecha con sqlite3.
std::string Cifras(long long eliminar, long long total) {
    return ConMiles(eliminar) + " de " + ConMiles(total);
}

} // namespace

TEST(ConMiles, SeparaLosMilesConUnBlancoQueNoSeParte) {
    const std::string b = "\u00A0";
    EXPECT_EQ(ConMiles(999) + " " + ConMiles(1000) + " " + ConMiles(100031) + " " + ConMiles(1234567),
              "999 1" + b + "000 100" + b + "031 1" + b + "234" + b + "567");
}

TEST_F(DepuracionPrueba, LasCuentasSonLasQueLaCorridaQuitaDeVerdad) {
    struct Tabla {
        std::filesystem::path base;
        std::string tabla, columna;
        long long total = 0, eliminar = 0;
    };
    std::vector<Tabla> tablas = {{Norte(), "transacciones", "fechayhora"},
                                 {Norte(), "kardex", "fecha"},
                                 {Norte(), "bitacora", "fechahora"},
                                 {Sur(), "checadas", "fechayhora"},
                                 {Sur(), "kardex", "fecha"},
                                 {Sur(), "bitacora", "fechahora"}};
    {
        // Los bordes del rango y las filas sin fecha cuentan como en la corrida.
        BaseSqlite n(Norte()), s(Sur());
        SiembraBordes(n, "Transacciones", "fechayhora");
        SiembraBordes(s, "kardex", "fecha");
        SiembraBordes(s, "bitacora", "fechahora");
    }
    for (auto& t : tablas) {
        BaseSqlite b(t.base);
        t.total = b.Cuenta("SELECT count(*) FROM " + t.tabla);
        t.eliminar = t.total - Conservables(b, t.tabla, t.columna);
        ASSERT_GT(t.eliminar, 0) << t.tabla;
    }

    // Corporativo SQL nunca abre: se dice por qué, y las otras dos se cuentan igual.
    Plan plan = ArmaPlan({"Planta Norte", "Corporativo SQL", "Planta Sur"});
    const auto antes = LeeArchivo(Sur());
    ModNalvora modulo(*registro);
    const auto cuentas = CuentaLoQueSeElimina(modulo, plan, marzo);
    EXPECT_EQ(LeeArchivo(Sur()), antes) << "contar no cambia nada";
    ASSERT_EQ(cuentas.size(), 3u);
    EXPECT_TRUE(cuentas[1].Tablas.empty());
    EXPECT_FALSE(cuentas[1].Error.empty());
    EXPECT_EQ(cuentas[1].Error.find("PWD"), std::string::npos);

    const std::string parrafo = ParrafoRecuento(cuentas);
    EXPECT_EQ(parrafo, "Filas que se eliminarán, de las que hay en cada tabla:\r\n"
                       "Planta Norte: transacciones " +
                           Cifras(tablas[0].eliminar, tablas[0].total) + ", kardex " +
                           Cifras(tablas[1].eliminar, tablas[1].total) + ", bitácora " +
                           Cifras(tablas[2].eliminar, tablas[2].total) +
                           ".\r\nCorporativo SQL: no se pudo abrir la conexión, " + cuentas[1].Error +
                           (cuentas[1].Error.back() == '.' ? "" : ".") + "\r\nPlanta Sur: checadas " +
                           Cifras(tablas[3].eliminar, tablas[3].total) + ", kardex " +
                           Cifras(tablas[4].eliminar, tablas[4].total) + ", bitácora " +
                           Cifras(tablas[5].eliminar, tablas[5].total) + ".");
    const std::string pregunta = TextoSegundaPregunta(marzo, kCaptionLabel1);
    EXPECT_EQ(SegundaPreguntaConRecuento(pregunta, cuentas), pregunta + "\r\n\r\n" + parrafo);
}

TEST_F(DepuracionPrueba, SinPasosDeDatosMarcadosNoSeEliminaNingunaFila) {
    ModNalvora modulo(*registro);
    const std::string ninguna = "No hay marcado ningún paso que elimine datos: no se eliminará ninguna fila.";
    // Solo índices, espacio y cifras de uso: nada que contar, ni una conexión que abrir.
    Plan mantenimiento = ArmaPlan({"Planta Sur", "Corporativo SQL"}, {2, 4, 6, 7, 8});
    EXPECT_EQ(ParrafoRecuento(CuentaLoQueSeElimina(modulo, mantenimiento, marzo)), ninguna);

    // Solo la bitácora de Sur, con su kardex desaparecido: lo marcado se cuenta y nada más.
    BaseSqlite(Sur()).Ejecuta("DROP TABLE kardex");
    Plan bitacora = ArmaPlan({"Planta Sur"}, {3, 5});
    const auto cuentas = CuentaLoQueSeElimina(modulo, bitacora, marzo);
    ASSERT_EQ(cuentas.size(), 1u);
    ASSERT_EQ(cuentas[0].Tablas.size(), 2u);
    EXPECT_NE(cuentas[0].Tablas[0].Error.find("kardex"), std::string::npos) << cuentas[0].Tablas[0].Error;
    BaseSqlite s(Sur());
    const long long total = s.Cuenta("SELECT count(*) FROM bitacora");
    EXPECT_EQ(ParrafoRecuento(cuentas),
              "Filas que se eliminarán, de las que hay en cada tabla:\r\nPlanta Sur: "
              "kardex sin contar (" +
                  cuentas[0].Tablas[0].Error + "), bitácora " +
                  Cifras(total - Conservables(s, "bitacora", "fechahora"), total) + ".");
}
