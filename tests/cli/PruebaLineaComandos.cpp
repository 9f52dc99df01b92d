// La línea de comandos sobre la demostración, con sus códigos de salida.
#include "ApoyoLineaComandos.h"

using namespace ov;
using namespace ov::prueba;
namespace fs = std::filesystem;

TEST_F(LineaComandosPrueba, VersionAyudaYArgumentosMalos) {
    EXPECT_EQ(Corre({"--version"}).salida, "ovNalvora v2.2.0\n");
    const auto ayuda = Corre({"--ayuda"});
    EXPECT_EQ(ayuda.codigo, 0);
    // Los ocho pasos de --pasos y lo que el inicio de sesión de SQL Server debe poder hacer.
    for (const char* texto : {"  1  elimina las checadas del rango", "  8  actualiza las cifras de uso",
                              "crear y borrar una base", "TRUNCATE TABLE", "IDENTITY_INSERT", "disparadores",
                              "DBCC (DBREINDEX, SHRINKDATABASE", "sp_getapplock"}) {
        EXPECT_CONTIENE(ayuda.salida, texto);
    }
    EXPECT_EQ(Corre({"-h"}).salida, ayuda.salida);
    EXPECT_EQ(Corre({"/?"}).salida, ayuda.salida);
    // Lo que se rechaza antes de tocar nada: sale con 2 y dice por qué, solo en los errores.
    std::vector<std::pair<std::vector<std::string>, std::string>> malos = {
        {{"--borrar"}, "Opción no reconocida: --borrar."},
        {{"--conexiones", "--si"}, "--si van solo con --depurar."},
        {{"--conexiones", "--espera", "5"}, "--espera va solo con --depurar."},
        {{"--conexiones", "--archivo", "x"}, "--archivo va solo con --depurar."},
        {Depurar({"--si"}, "2025-02-30"), "Fecha no válida: 2025-02-30."},
        {Depurar({"--si"}, "2025-04-01"), "es posterior a la fecha Hasta"},
        {Depurar({"--si"}, "1752-12-31"), "del 1753-01-01 al 9999-12-31"}, // lo que guarda el servidor
        {Depurar({"--si", "--conexion", "No Existe"}), "No existe la conexión No Existe."},
        {Depurar({"--si", "--pasos", "9"}), "Pasos no válidos: 9."},
        {Depurar({}), "No hay una terminal para confirmar"}, // sin terminal y sin --si no se puede preguntar
        {{"--restaurar-archivo", (tmp / "no.db").string()}, "No existe el archivo"},
        {{"--restaurar-archivo", (demo / "orvalo_norte.db").string()},
         "No es un archivo de filas eliminadas"}};
    for (const std::string espera : {"-1", "x", "", "2147484", "1.5"}) {
        malos.push_back({Depurar({"--espera", espera, "--si"}), "Espera no válida: " + espera + "."});
    }
    const auto antes = LeeArchivo(demo / "orvalo_norte.db");
    for (const auto& [orden, motivo] : malos) {
        const auto r = Corre(orden);
        EXPECT_EQ(r.codigo, 2) << motivo;
        EXPECT_CONTIENE(r.errores, motivo);
        EXPECT_EQ(r.salida, "");
    }
    const auto limites = Corre(Depurar({"--espera", "0", "--simular"}, "1753-01-01", "9999-12-31"));
    EXPECT_EQ(limites.codigo, 0) << limites.errores;
    EXPECT_EQ(LeeArchivo(demo / "orvalo_norte.db"), antes);
}

TEST_F(LineaComandosPrueba, ConexionesMuestraLasCifrasDeCadaBase) {
    const auto r = Corre({"--conexiones"});
    ASSERT_EQ(r.codigo, 0) << r.errores;
    BaseSqlite n(demo / "orvalo_norte.db");
    EXPECT_EMPIEZA(r.salida,
                   "Conexión\tTamaño\tMenor checada\tMayor checada\tMenor kardex\tMayor kardex\tEstado\n"
                   "Planta Norte\t");
    EXPECT_CONTIENE(r.salida,
                    " MB\t" + n.Valor("SELECT substr(min(fechayhora), 1, 16) FROM transacciones") + "\t");
    EXPECT_CONTIENE(r.salida, "\t" + n.Valor("SELECT max(fecha) FROM kardex") + "\tok\n");
    // El porqué es el de la ayuda emergente de la ventana, nunca con la contraseña.
    EXPECT_CONTIENE(r.salida, "\nCorporativo SQL\t\t\t\t\t\tsin conexión: [FreeTDS]");
    EXPECT_NO_CONTIENE(r.salida, "Demo2024") << "la contraseña nunca se muestra";

    // Cada conexión en una línea, se llame como se llame, y con su porqué; un servidor sin driver
    // también lo dice.
    const std::string clave = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quintara\\Orvalo\\Conexiones\\";
    EscribeArchivo(tmp / "raros.reg",
                   "REGEDIT4\r\n\r\n" + clave + "0]\r\n\"Name\"=hex(1):4c,09,0a,0d,4e,00\r\n" + clave +
                       "1]\r\n\"Name\"=hex(1):41,00,42,00\r\n\"Conn\"=\"Driver=NoHayTal;PWD=Secreta\"\r\n");
    const auto raros = Corre({"--registro", (tmp / "raros.reg").string(), "--conexiones"});
    EXPECT_EQ(raros.codigo, 0) << raros.errores;
    EXPECT_CONTIENE(raros.salida, "\nL\\t\\n\\rN\t\t\t\t\t\tsin conexión: ");
    EXPECT_CONTIENE(raros.salida, "\nA\\0B\t\t\t\t\t\tsin conexión: [unixODBC]");
    EXPECT_NO_CONTIENE(raros.salida, "Secreta");

    // Sin ninguna entrada dice dónde buscó y sale con 1.
    EscribeArchivo(tmp / "vacio.reg", "REGEDIT4\r\n");
    const auto vacio = Corre({"--registro", (tmp / "vacio.reg").string(), "--conexiones"});
    EXPECT_EQ(vacio.codigo, 1);
    EXPECT_CONTIENE(vacio.errores,
                    "No hay conexiones de Orvalo en el archivo " + (tmp / "vacio.reg").string());
}

TEST_F(LineaComandosPrueba, SimularCuentaComoLaCorridaYNoCambiaNada) {
    const auto antes = LeeArchivo(demo / "orvalo_norte.db");
    const auto r = Corre(Depurar({"--simular", "--pasos", "1,3", "--estrategia", "copia"}));
    ASSERT_EQ(r.codigo, 0) << r.errores;
    BaseSqlite n(demo / "orvalo_norte.db");
    const long long total = n.Cuenta("SELECT count(*) FROM transacciones");
    const long long conservar =
        n.Cuenta("SELECT count(*) FROM transacciones WHERE fechayhora < '2025-03-01' OR "
                 "fechayhora >= '2025-04-01' OR fechayhora IS NULL");
    EXPECT_CONTIENE(r.salida, "Planta Norte\ttransacciones\t" + std::to_string(total - conservar) + "\t" +
                                  std::to_string(conservar) + "\tcopia\n");
    EXPECT_CONTIENE(r.salida, "\nDELETE FROM transacciones;\n");
    EXPECT_CONTIENE(r.salida, "\nCOMMIT;\nGO\n");
    EXPECT_NO_CONTIENE(r.salida, "VACUUM") << "solo los pasos marcados";
    // Sola, con un mes de tres años, elige borrar en su lugar, y lo dice.
    EXPECT_CONTIENE(Corre(Depurar({"--simular", "--pasos", "1"})).salida, "\tborrado\n");
    EXPECT_EQ(LeeArchivo(demo / "orvalo_norte.db"), antes);
}

TEST_F(LineaComandosPrueba, DepurarPreguntaEscribeLaBitacoraYSaleSegunElResultado) {
    // Un No a la primera pregunta no cambia nada.
    const auto no = Corre(Depurar({}), "n\n", true);
    EXPECT_EQ(no.codigo, 1);
    EXPECT_CONTIENE(no.salida, "¿Ya cuenta con el respaldo?");
    EXPECT_NO_CONTIENE(no.salida, "Está completamente seguro");

    const auto si = Corre(Depurar({}), "s\ns\n", true);
    EXPECT_EQ(si.codigo, 0) << si.errores;
    EXPECT_CONTIENE(si.salida, "sábado, 1 de marzo de 2025\nal\nlunes, 31 de marzo de 2025.");
    EXPECT_CONTIENE(si.salida, "2026-12-06 10:00\tInicia depuración del 2025-03-01 al 2025-03-31.\n");
    // La segunda pregunta trae lo que se eliminará por tabla, y cada tabla depurada su línea de cifras.
    EXPECT_CONTIENE(si.salida,
                    "Filas que se eliminarán, de las que hay en cada tabla:\nPlanta Norte: transacciones ");
    EXPECT_CONTIENE(si.salida, "\ttransacciones de Planta Norte: ");
    EXPECT_CONTIENE(si.salida, " conservadas, 0 s, por borrado.\n");
    EXPECT_TRUE(si.salida.ends_with("\nProceso de depuración terminado.\n")) << si.salida;
    const std::string log = LeeArchivo(tmp / "Log" / "ovNalvora_dic2026.log");
    EXPECT_CONTIENE(log, "\tCifras de uso actualizadas de Planta Norte.\r\n");
    EXPECT_NO_CONTIENE(log, "Demo2024");

    // Una bitácora que no se puede copiar: sale 1, la tabla queda como estaba y nada queda en orvalo_temp.
    BaseSqlite(demo / "orvalo_norte.db").Ejecuta("ALTER TABLE bitacora RENAME COLUMN fechahora TO dia");
    // El resumen va a la misma salida que si hubiera ido bien: nombra lo que se intentó y la conexión
    // que no abrió, sin remitir a la lista de tareas de la ventana.
    const auto falla =
        Corre(Depurar({"--conexion", "Corporativo SQL", "--si", "--pasos", "5", "--estrategia", "copia"}));
    EXPECT_EQ(falla.codigo, 1);
    EXPECT_EQ(falla.errores, "");
    EXPECT_TRUE(
        falla.salida.ends_with("\nFalló: Eliminando los registros de bitácora de Planta Norte.\n\n"
                               "Uno o más pasos no corrieron porque su conexión no abrió; la bitácora "
                               "dice por qué.\nNo abrió: Corporativo SQL.\n"))
        << falla.salida;
    EXPECT_NO_CONTIENE(falla.salida, "lista de tareas");
    EXPECT_FALSE(fs::exists(demo / "orvalo_temp.db"));
}

// --archivo y --restaurar-archivo: --simular no escribe nada y las filas vuelven a la base de origen, o a
// otra solo si se nombra.
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
