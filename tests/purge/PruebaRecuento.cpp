// Las cuentas de la segunda pregunta: lo que cada paso de datos marcado quitaría, contado con la
// misma condición con que la prueba de la corrida completa revisa lo que queda.
#include "ApoyoDepuracion.h"
#include "purge/Recuento.h"

using namespace ov;
using namespace ov::prueba;

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
                                 {Sur(), "bitacora", "fechahora"}};
    {
        // Los bordes del rango y las filas sin fecha cuentan como en la corrida. El kardex de Sur no
        // está: su cuenta dice por qué y las demás se hacen igual.
        BaseSqlite n(Norte()), s(Sur());
        SiembraBordes(n, "Transacciones", "fechayhora");
        SiembraBordes(s, "bitacora", "fechahora");
        s.Ejecuta("DROP TABLE kardex");
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
    ASSERT_FALSE(cuentas[1].Error.empty());
    EXPECT_EQ(cuentas[1].Error.find("PWD"), std::string::npos);
    ASSERT_EQ(cuentas[2].Tablas.size(), 3u);
    EXPECT_NE(cuentas[2].Tablas[1].Error.find("kardex"), std::string::npos);

    // Cada cifra como la escribe el párrafo, a partir de la cuenta hecha aquí.
    auto c = [&tablas](size_t i) {
        return ConMiles(tablas[i].eliminar) + " de " + ConMiles(tablas[i].total);
    };
    const std::string parrafo = ParrafoRecuento(cuentas);
    EXPECT_EQ(parrafo,
              "Filas que se eliminarán, de las que hay en cada tabla:\r\nPlanta Norte: transacciones " +
                  c(0) + ", kardex " + c(1) + ", bitácora " + c(2) +
                  ".\r\nCorporativo SQL: no se pudo abrir la conexión, " + cuentas[1].Error +
                  (cuentas[1].Error.back() == '.' ? "" : ".") + "\r\nPlanta Sur: checadas " + c(3) +
                  ", kardex sin contar (" + cuentas[2].Tablas[1].Error + "), bitácora " + c(4) + ".");
    const std::string pregunta = TextoSegundaPregunta(marzo, kCaptionLabel1);
    EXPECT_EQ(SegundaPreguntaConRecuento(pregunta, cuentas), pregunta + "\r\n\r\n" + parrafo);
}
