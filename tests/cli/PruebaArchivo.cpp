// --archivo y --restaurar-archivo por la línea de comandos: --simular y la base de origen (lo que se
// rechaza, en PruebaLineaComandos).
#include "ApoyoLineaComandos.h"

using namespace ov;
using namespace ov::prueba;
namespace fs = std::filesystem;

TEST_F(LineaComandosPrueba, ArchivoYRestauracionPorLaLineaDeComandos) {
    const fs::path carpeta = tmp / "archivo", archivo = carpeta / "Planta_Norte-20261206-100000.db";
    const auto simulada = Corre(Depurar({"--simular", "--archivo", carpeta.string()}));
    EXPECT_EQ(simulada.codigo, 0) << simulada.errores;
    EXPECT_CONTIENE(simulada.salida, "-- Las filas que se eliminen de Planta Norte irían a " +
                                         archivo.string() + "; no se escribió nada.\n");
    EXPECT_FALSE(fs::exists(carpeta)) << "simular no escribe nada";
    const std::string kardex = BaseSqlite(demo / "orvalo_norte.db").Huella("kardex");
    ASSERT_EQ(Corre(Depurar({"--pasos", "3", "--si", "--archivo", carpeta.string()})).codigo, 0);
    // El archivo dice que salió de otra base: sin --conexion no se repone en ésta.
    BaseSqlite(archivo).Ejecuta("UPDATE ovnalvora_origen SET base = 'otra'");
    const auto rechazo = Corre({"--restaurar-archivo", archivo.string(), "--si"});
    EXPECT_EQ(rechazo.codigo, 2);
    EXPECT_CONTIENE(rechazo.errores, "Nombre con --conexion la base donde reponerlas; no se cambió nada.");
    EXPECT_FALSE(BaseSqlite(demo / "orvalo_norte.db").Huella("kardex") == kardex);
    const auto r = Corre({"--restaurar-archivo", archivo.string(), "--conexion", "Planta Norte", "--si"});
    EXPECT_EQ(r.codigo, 0) << r.errores;
    EXPECT_CONTIENE(r.salida, "kardex: ");
    EXPECT_TRUE(BaseSqlite(demo / "orvalo_norte.db").Huella("kardex") == kardex);
}
