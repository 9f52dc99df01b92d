// La vuelta de una orvalo_temp que quedó: --temporal, --reponer y --descartar-temporal, y lo que la
// ventana usa para que el operador elija la base de unas filas sin origen.
#include "ApoyoLineaComandos.h"
#include "connections/ArchivoReg.h"
#include "purge/CandadoCorrida.h"
#include "purge/Temporal.h"

using namespace ov;
using namespace ov::prueba;
namespace fs = std::filesystem;

namespace {

constexpr const char* kConservar =
    "fechayhora < '2025-03-01' OR fechayhora >= '2025-04-01' OR fechayhora IS NULL";

// Lo que dejaba un proceso muerto tras vaciar: las filas conservadas en orvalo_temp y la tabla vacía.
class TemporalPrueba : public LineaComandosPrueba {
protected:
    fs::path Sur() const { return demo / "orvalo_sur.db"; }
    fs::path Temporal() const { return demo / "orvalo_temp.db"; }
    std::string conservadas; // huella de las filas que deben volver
    long long secuencia = 0;

    void DejaSobrante(bool conOrigen, bool vaciaLaTabla) {
        prueba::DejaSobrante(Sur(), kConservar, conOrigen,
                             vaciaLaTabla ? "1" : "NOT (" + std::string(kConservar) + ")");
        conservadas = BaseSqlite(Temporal()).Huella("checadas");
        secuencia = BaseSqlite(Sur()).Cuenta("SELECT seq FROM sqlite_sequence WHERE name = 'checadas'");
    }
    std::vector<std::string> Con(const std::string& orden, std::vector<std::string> extra = {},
                                 const std::string& conexion = "Planta Sur") {
        std::vector<std::string> a{orden, "--conexion", conexion};
        a.insert(a.end(), extra.begin(), extra.end());
        return a;
    }
};

} // namespace

TEST_F(TemporalPrueba, UnSobranteConOrigenSeVeSeReponeConSusIdYLaSiguienteCorridaSigue) {
    DejaSobrante(true, true);
    const long long filas = std::stoll(conservadas.substr(0, conservadas.find(':')));
    ASSERT_GT(filas, 0);

    // La corrida se rechaza nombrando el origen, no la conexión que se revisa.
    const auto rechazo = Corre(Depurar({"--si"}));
    EXPECT_EQ(rechazo.codigo, 2);
    EXPECT_CONTIENE(rechazo.errores, "de la conexión Planta Sur (base orvalo_sur.db");
    EXPECT_CONTIENE(rechazo.errores, "equipo otra");

    const auto ver = Corre(Con("--temporal"));
    EXPECT_EQ(ver.codigo, 0) << ver.errores;
    EXPECT_EQ(
        ver.salida,
        "Tabla\tFilas\tFilas de la tabla viva\tDesde\tHasta\nchecadas\t" + std::to_string(filas) +
            "\t0\t2023-12-01\t2026-11-30\n\nOrigen\tConexión\tServidor\tBase\tEquipo\tInicio\tDesde\tHas"
            "ta\norigen\tPlanta Sur\t" +
            demo.string() + "\torvalo_sur.db\totra\t2026-12-01 03:00\t2025-03-01\t2025-03-31\n");

    // En otra base de la misma carpeta no se repone: el origen dice cuál es.
    const auto otra = Corre(Con("--reponer", {"--si"}, "Planta Norte"));
    EXPECT_EQ(otra.codigo, 1);
    EXPECT_CONTIENE(otra.salida, "Use --conexion \"Planta Sur\"");

    const auto repone = Corre(Con("--reponer", {"--si"}));
    EXPECT_EQ(repone.codigo, 0) << repone.salida << repone.errores;
    EXPECT_CONTIENE(repone.salida, "checadas: " + std::to_string(filas) + " filas repuestas");
    EXPECT_TRUE(BaseSqlite(Sur()).Huella("checadas") == conservadas) << "las mismas filas con los mismos id";
    EXPECT_EQ(BaseSqlite(Sur()).Cuenta("SELECT seq FROM sqlite_sequence WHERE name = 'checadas'"), secuencia);
    EXPECT_FALSE(fs::exists(Temporal()));
    EXPECT_CONTIENE(LeeArchivo(tmp / "Log" / "ovNalvora_dic2026.log"), "filas repuestas");
    EXPECT_EQ(Corre(Depurar({"--si", "--pasos", "1"})).codigo, 0);
}

// Sin origen, las filas de Planta Sur no van a Planta Norte por un --si: solo a la base que el operador
// nombra con --origen, o a la que elige en la ventana entre las de esa carpeta (o a ninguna).
TEST_F(TemporalPrueba, SinOrigenSoloVaALaBaseElegidaASabiendasYNadaSeDuplica) {
    DejaSobrante(false, false); // la tabla ya tiene todas las filas de la copia
    const std::string norte = BaseSqlite(demo / "orvalo_norte.db").Huella("checadas");
    EXPECT_CONTIENE(Corre(Con("--temporal")).salida, "\ndesconocido\n");
    const auto rechazo = Corre(Depurar({"--si"}));
    EXPECT_EQ(rechazo.codigo, 2);
    EXPECT_CONTIENE(rechazo.errores, "checadas). Repóngalas");
    EXPECT_CONTIENE(rechazo.errores, "de origen desconocido");
    for (const auto& [orden, terminal] :
         {std::pair{Con("--reponer", {"--si"}, "Planta Norte"), false}, {Con("--reponer"), true}}) {
        const auto r = Corre(orden, "s\n", terminal);
        EXPECT_EQ(r.codigo, 2) << orden[2];
        EXPECT_CONTIENE(r.salida, "--origen \"" + orden[2] + "\"");
    }
    EXPECT_EQ(Corre(Con("--reponer", {"--origen", "Planta Norte", "--si"})).codigo, 2)
        << "otra que --conexion";
    EXPECT_EQ(BaseSqlite(demo / "orvalo_norte.db").Huella("checadas"), norte);
    ASSERT_TRUE(fs::exists(Temporal()));

    // La ventana: filas y fechas de la copia y las conexiones de esa carpeta; ninguna no cambia nada.
    ArchivoReg registro(demo / "orvalo.reg");
    ModNalvora modulo(registro);
    const auto descrito = DescribeSobrante(modulo, "Planta Norte");
    ASSERT_TRUE(std::holds_alternative<SobranteParaElegir>(descrito));
    const auto& sobrante = std::get<SobranteParaElegir>(descrito);
    EXPECT_EQ(sobrante.DeOrigen, std::nullopt);
    EXPECT_EQ(sobrante.Desde + " " + sobrante.Hasta, "2023-12-01 2026-11-30");
    std::vector<std::string> lineas;
    auto registra = [&lineas](const std::string& l) { lineas.push_back(l); };
    // Ni una conexión de otra carpeta ni, con origen, otra que la de su origen.
    auto deSur = sobrante;
    deSur.DeOrigen = "Planta Sur";
    for (const auto& [s, elegida] : {std::pair{sobrante, "Corporativo SQL"}, {deSur, "Planta Norte"}}) {
        EXPECT_FALSE(ReponeEnLaElegida(modulo, s, elegida, registra).Bien);
        EXPECT_CONTIENE(lineas.back(), "no es una a la que puedan pertenecer esas filas");
    }
    EXPECT_TRUE(fs::exists(Temporal()));

    const auto si = ReponeEnLaElegida(modulo, sobrante, "Planta Sur", registra);
    EXPECT_TRUE(si.Bien) << lineas.back();
    EXPECT_CONTIENE(lineas.back(), "ya no guardaba filas y se borró");
    EXPECT_TRUE(BaseSqlite(Sur()).Huella("checadas") == conservadas) << "nada duplicado";
    EXPECT_EQ(BaseSqlite(demo / "orvalo_norte.db").Huella("checadas"), norte);
    EXPECT_FALSE(fs::exists(Temporal()));
}

TEST_F(TemporalPrueba, SoloLoQueFaltaContandoRepeticionesYLaCopiaSeQuedaSiNoVolvioEntera) {
    // kardex no tiene llave: dos filas iguales son dos filas. La tabla viva tiene una de tres repetidas.
    {
        BaseSqlite s(Sur(), true);
        s.Ejecuta("DELETE FROM kardex");
        s.Ejecuta("ATTACH DATABASE '" + Temporal().string() + "' AS orvalo_temp");
        s.Ejecuta("CREATE TABLE orvalo_temp.kardex AS SELECT * FROM main.kardex WHERE 0");
        s.Ejecuta(
            "INSERT INTO orvalo_temp.kardex (empleado, fecha) VALUES (7, '2024-01-01'), (7, '2024-01-01'), "
            "(7, '2024-01-01'), (8, NULL)");
        s.Ejecuta("INSERT INTO main.kardex (empleado, fecha) VALUES (7, '2024-01-01')");
        // Una bitácora cuyas filas no vuelven tal cual (un id guardado como texto entra como número): no
        // se da por repuesta y su copia se queda. El disparador de checadas no corre al reponer.
        s.Ejecuta("CREATE TABLE orvalo_temp.bitacora (id TEXT, fechahora, usuario, accion)");
        s.Ejecuta("INSERT INTO orvalo_temp.bitacora SELECT '0' || id, fechahora, usuario, accion FROM "
                  "bitacora LIMIT 2");
        s.Ejecuta("DELETE FROM bitacora WHERE '0' || id IN (SELECT id FROM orvalo_temp.bitacora)");
        s.Ejecuta("CREATE TABLE orvalo_temp.checadas AS SELECT * FROM checadas LIMIT 3");
        s.Ejecuta("DELETE FROM checadas WHERE id IN (SELECT id FROM orvalo_temp.checadas)");
        s.Ejecuta("CREATE TRIGGER cambia AFTER INSERT ON checadas BEGIN UPDATE checadas SET empleado = -1 "
                  "WHERE id = new.id; END");
    }
    const auto r = Corre(Con("--reponer", {"--si", "--origen", "planta sur"}));
    EXPECT_EQ(r.codigo, 1) << r.salida;
    EXPECT_CONTIENE(r.salida, "kardex: 3 filas repuestas de 4");
    EXPECT_CONTIENE(r.salida, "bitacora: no se pudo reponer");
    EXPECT_CONTIENE(r.salida, "checadas: 3 filas repuestas de 3");
    BaseSqlite s(Sur());
    EXPECT_EQ(s.Cuenta("SELECT count(*) FROM kardex WHERE empleado = 7"), 3);
    EXPECT_EQ(s.Cuenta("SELECT count(*) FROM kardex WHERE empleado = 8 AND fecha IS NULL"), 1);
    EXPECT_EQ(s.Cuenta("SELECT count(*) FROM checadas WHERE empleado = -1"), 0);
    ASSERT_TRUE(fs::exists(Temporal()));
    BaseSqlite t(Temporal());
    EXPECT_EQ(t.Cuenta("SELECT count(*) FROM bitacora"), 2);
    EXPECT_EQ(t.Cuenta("SELECT count(*) FROM sqlite_master WHERE name IN ('kardex', 'checadas')"), 0);
}

// orvalo_temp en cada estado: con otra corrida en curso no se lee (ni se crea), un orvalo_temp.db que no
// es una base se dice y se descarta, y una base de Orvalo que se llama orvalo_temp.db nunca se borra.
TEST_F(TemporalPrueba, LaBaseTemporalEnCualquierEstado) {
    {
        ArchivoReg registro(demo / "orvalo.reg");
        ModNalvora otra(registro);
        ASSERT_EQ(otra.AbreConexion("Planta Sur"), 0);
        CandadoCorrida candado;
        ASSERT_EQ(candado.Toma(otra, *DialectoPara(otra.cnBD()), "Planta Sur", "otra corrida"), std::nullopt);
        const auto r = Corre(Con("--temporal"));
        EXPECT_EQ(r.codigo, 2);
        EXPECT_CONTIENE(r.errores, "Otra depuración está en curso en la carpeta");
    }
    EXPECT_FALSE(fs::exists(Temporal()));

    EscribeArchivo(Temporal(), std::string(8192, '\x5a'));
    for (const auto& orden : {Depurar({"--si"}), Con("--temporal"), Con("--reponer", {"--si"})}) {
        const auto r = Corre(orden);
        EXPECT_NE(r.codigo, 0) << orden[0];
        EXPECT_CONTIENE(r.errores, "no es una base de datos");
        EXPECT_CONTIENE(r.errores, "--descartar-temporal");
    }
    EXPECT_EQ(Corre(Con("--descartar-temporal"), "n\n", true).codigo, 1);
    EXPECT_TRUE(fs::exists(Temporal()));
    const auto d = Corre(Con("--descartar-temporal", {"--si"}));
    EXPECT_EQ(d.codigo, 0) << d.salida << d.errores;
    EXPECT_CONTIENE(d.salida, "que no era una base de datos");
    EXPECT_FALSE(fs::exists(Temporal()));

    // Una conexión cuya base es un orvalo_temp.db, por su nombre o por un enlace: ninguna orden la toma
    // por la base temporal. Para otra conexión de esa carpeta, ese archivo es su orvalo_temp: descartarlo
    // borraría la base de Propia.
    const fs::path propia = tmp / "propia" / "orvalo_temp.db";
    fs::create_directory(tmp / "propia");
    fs::copy_file(Sur(), propia);
    fs::copy_file(Sur(), tmp / "propia" / "vecina.db");
    fs::create_hard_link(propia, tmp / "propia" / "enlazada.db");
    const auto tamano = fs::file_size(propia);
    EscribeArchivo(tmp / "propia.reg", Reg({{"Propia", Sqlite(propia)},
                                            {"Vecina", Sqlite(tmp / "propia" / "vecina.db")},
                                            {"Enlazada", Sqlite(tmp / "propia" / "enlazada.db")}}));
    const std::string reservado = "el nombre que ovNalvora reserva para su base temporal";
    const std::pair<std::vector<std::string>, std::string> casos[] = {
        {Con("--descartar-temporal", {"--si"}, "Propia"), reservado},
        {Con("--temporal", {}, "Propia"), reservado},
        {Con("--depurar", {"--desde", "2025-03-01", "--hasta", "2025-03-31", "--si"}, "Propia"), reservado},
        {Con("--depurar", {"--desde", "2025-03-01", "--hasta", "2025-03-31", "--si"}, "Enlazada"),
         "el mismo archivo que orvalo_temp.db"},
        {Con("--descartar-temporal", {"--si"}, "Vecina"),
         "La base de la conexión Propia es la que ovNalvora usaría como temporal"}};
    for (auto [orden, motivo] : casos) {
        orden.insert(orden.end(), {"--registro", (tmp / "propia.reg").string()});
        const auto r = Corre(orden);
        EXPECT_NE(r.codigo, 0) << orden[2];
        EXPECT_CONTIENE(r.salida + r.errores, motivo);
        ASSERT_TRUE(fs::exists(propia)) << orden[0];
        EXPECT_EQ(fs::file_size(propia), tamano);
    }
}
