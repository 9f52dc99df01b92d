// La vuelta de una orvalo_temp que quedó: --temporal, --reponer y --descartar-temporal.
#include "ApoyoLineaComandos.h"
#include "apoyo/Contiene.h"

using namespace ov;
using namespace ov::prueba;
namespace fs = std::filesystem;

namespace {

constexpr const char* kConservar =
    " WHERE fechayhora < '2025-03-01' OR fechayhora >= '2025-04-01' OR fechayhora IS NULL";

// Lo que dejaba un proceso muerto tras vaciar: las filas conservadas en orvalo_temp y la tabla vacía.
class TemporalPrueba : public LineaComandosPrueba {
protected:
    fs::path Sur() const { return demo / "orvalo_sur.db"; }
    fs::path Temporal() const { return demo / "orvalo_temp.db"; }
    std::string conservadas; // huella de las filas que deben volver
    long long secuencia = 0;

    void DejaSobrante(bool conOrigen, bool vaciaLaTabla) {
        {
            BaseSqlite s(Sur(), true);
            s.Ejecuta("ATTACH DATABASE '" + Temporal().string() + "' AS orvalo_temp");
            s.Ejecuta(std::string("CREATE TABLE orvalo_temp.checadas AS SELECT * FROM checadas") +
                      kConservar);
            if (conOrigen) {
                s.Ejecuta(
                    "CREATE TABLE orvalo_temp.ovnalvora_origen (conexion, servidor, base, maquina, inicio, "
                    "desde, hasta)");
                s.Ejecuta("INSERT INTO orvalo_temp.ovnalvora_origen VALUES ('Planta Sur', '" + demo.string() +
                          "', 'orvalo_sur.db', 'otra', '2026-12-01 03:00', '2025-03-01', '2025-03-31')");
            }
            if (vaciaLaTabla) {
                s.Ejecuta("DELETE FROM checadas");
            } else {
                s.Ejecuta(std::string("DELETE FROM checadas WHERE NOT (") + (kConservar + 7) + ")");
            }
            conservadas = s.Huella("orvalo_temp.checadas");
            secuencia = s.Cuenta("SELECT seq FROM sqlite_sequence WHERE name = 'checadas'");
        }
    }
    std::vector<std::string> Con(const std::string& orden, std::vector<std::string> extra = {}) {
        std::vector<std::string> a{orden, "--conexion", "Planta Sur"};
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
    EXPECT_EQ(ver.salida,
              "Tabla\tFilas\tFilas de la tabla viva\nchecadas\t" + std::to_string(filas) +
                  "\t0\n\nOrigen\tConexión\tServidor\tBase\tEquipo\tInicio\tDesde\tHasta\norigen\tPlanta "
                  "Sur\t" +
                  demo.string() + "\torvalo_sur.db\totra\t2026-12-01 03:00\t2025-03-01\t2025-03-31\n");

    const auto repone = Corre(Con("--reponer", {"--si"}));
    EXPECT_EQ(repone.codigo, 0) << repone.salida << repone.errores;
    EXPECT_CONTIENE(repone.salida, "checadas: " + std::to_string(filas) + " filas repuestas");
    {
        BaseSqlite s(Sur());
        EXPECT_TRUE(s.Huella("checadas") == conservadas) << "las mismas filas con los mismos id";
        EXPECT_EQ(s.Cuenta("SELECT seq FROM sqlite_sequence WHERE name = 'checadas'"), secuencia);
    }
    EXPECT_FALSE(fs::exists(Temporal()));
    EXPECT_CONTIENE(LeeArchivo(tmp / "Log" / "ovNalvora_dic2026.log"), "filas repuestas");
    EXPECT_EQ(Corre(Depurar({"--si", "--pasos", "1"})).codigo, 0);
}

TEST_F(TemporalPrueba, SinOrigenSeConfirmaLaBaseYConLaTablaYaCompletaNoSeDuplicaNada) {
    DejaSobrante(false, false); // la tabla ya tiene todas las filas de la copia
    const auto ver = Corre(Con("--temporal"));
    EXPECT_CONTIENE(ver.salida, "\ndesconocido\n");

    EXPECT_EQ(Corre(Con("--reponer")).codigo, 2) << "sin terminal y sin --si no se pregunta";
    const auto no = Corre(Con("--reponer"), "n\n", true);
    EXPECT_EQ(no.codigo, 1);
    EXPECT_CONTIENE(no.salida, "No se sabe de qué base salió");
    EXPECT_TRUE(fs::exists(Temporal()));

    const auto si = Corre(Con("--reponer"), "s\n", true);
    EXPECT_EQ(si.codigo, 0) << si.salida;
    EXPECT_CONTIENE(si.salida, "la copia sobraba y se borró");
    BaseSqlite s(Sur());
    EXPECT_TRUE(s.Huella("checadas") == conservadas) << "nada duplicado";
    EXPECT_FALSE(fs::exists(Temporal()));
}

TEST_F(TemporalPrueba, SoloLoQueFaltaContandoRepeticionesYUnaFallaSeQuedaEnOrvaloTemp) {
    // kardex no tiene llave: dos filas iguales son dos filas. La tabla viva tiene una de tres repetidas.
    {
        BaseSqlite s(Sur(), true);
        s.Ejecuta("DELETE FROM kardex");
        s.Ejecuta("ATTACH DATABASE '" + Temporal().string() + "' AS orvalo_temp");
        s.Ejecuta("CREATE TABLE orvalo_temp.kardex AS SELECT * FROM main.kardex WHERE 0");
        for (int i = 0; i < 3; ++i) {
            s.Ejecuta("INSERT INTO orvalo_temp.kardex (empleado, fecha) VALUES (7, '2024-01-01')");
        }
        s.Ejecuta("INSERT INTO orvalo_temp.kardex (empleado, fecha) VALUES (8, NULL)");
        s.Ejecuta("INSERT INTO main.kardex (empleado, fecha) VALUES (7, '2024-01-01')");
        // Y una bitácora cuya copia choca con la llave de la viva: no se repone y se queda.
        s.Ejecuta("CREATE TABLE orvalo_temp.bitacora AS SELECT * FROM bitacora LIMIT 2");
        s.Ejecuta("UPDATE orvalo_temp.bitacora SET usuario = 'otro'");
    }
    const auto r = Corre(Con("--reponer", {"--si"}));
    EXPECT_EQ(r.codigo, 1) << r.salida;
    EXPECT_CONTIENE(r.salida, "kardex: 3 filas repuestas de 4");
    EXPECT_CONTIENE(r.salida, "bitacora: no se pudo reponer");
    BaseSqlite s(Sur());
    EXPECT_EQ(s.Cuenta("SELECT count(*) FROM kardex WHERE empleado = 7"), 3);
    EXPECT_EQ(s.Cuenta("SELECT count(*) FROM kardex WHERE empleado = 8 AND fecha IS NULL"), 1);
    EXPECT_EQ(s.Cuenta("SELECT count(*) FROM sqlite_master WHERE type = 'trigger'"), 1);
    ASSERT_TRUE(fs::exists(Temporal()));
    BaseSqlite t(Temporal());
    EXPECT_EQ(t.Cuenta("SELECT count(*) FROM bitacora"), 2);
    EXPECT_EQ(t.Cuenta("SELECT count(*) FROM sqlite_master WHERE name = 'kardex'"), 0);
}

TEST_F(TemporalPrueba, DescartarYUnOrigenDeOtraBaseNoSeRepone) {
    DejaSobrante(true, true);
    {
        BaseSqlite t(Temporal());
        t.Ejecuta("UPDATE ovnalvora_origen SET base = 'otra.db', conexion = 'Otra Planta'");
    }
    const auto r = Corre(Con("--reponer", {"--si"}));
    EXPECT_EQ(r.codigo, 1);
    EXPECT_CONTIENE(r.salida, "Use --conexion Otra Planta");
    EXPECT_TRUE(fs::exists(Temporal()));

    const auto d = Corre(Con("--descartar-temporal", {"--si"}));
    EXPECT_EQ(d.codigo, 0) << d.salida;
    EXPECT_CONTIENE(d.salida, "Se descartó la base temporal");
    EXPECT_FALSE(fs::exists(Temporal()));
    EXPECT_EQ(Corre(Con("--temporal")).salida,
              "No hay base temporal orvalo_temp en " + demo.string() + ".\n");
}
