// El archivo de lo eliminado, sobre las bases de demostración por el driver SQLite3 de ODBC.
#include "ApoyoDepuracion.h"
#include "apoyo/Contiene.h"
#include "purge/Archivo.h"

#include <fstream>

using namespace ov;
using namespace ov::prueba;
namespace fs = std::filesystem;

namespace {

std::string Estado(const fs::path& archivo, const std::string& tabla) {
    if (!fs::exists(archivo)) {
        return "sin archivo";
    }
    return BaseSqlite(archivo).Valor("SELECT estado || ' ' || filas FROM ovnalvora_tablas WHERE tabla = '" +
                                     tabla + "'");
}

// Cuenta una fila de más: la depuración tiene que notarlo.
class ArchivoQueCuentaMal final : public GuardaEliminadas {
public:
    explicit ArchivoQueCuentaMal(GuardaEliminadas& real) : real_(real) {}
    long long Guarda(db::Sesion& cn, const TablaDatos& t, const Rango& r) override {
        return real_.Guarda(cn, t, r) + 1;
    }
    void Depurada(const std::string& t) noexcept override { real_.Depurada(t); }
    void NoDepurada(const std::string& t) noexcept override { real_.NoDepurada(t); }

private:
    GuardaEliminadas& real_;
};

class ArchivoPrueba : public DepuracionPrueba {};

} // namespace

TEST(NombreArchivo, SoloCaracteresSegurosYLaHoraDeInicio) {
    const auto inicio = ConHora(std::chrono::local_days{std::chrono::year{2026} / 1 / 2}, 3, 4, 5);
    for (const auto& [conexion, nombre] :
         std::vector<std::pair<std::string, std::string>>{{"Planta Sur", "Planta_Sur-20260102-030405.db"},
                                                          {"../a\\b:c*?", "_.._a_b_c__-20260102-030405.db"},
                                                          {"Łódź", "Łódź-20260102-030405.db"},
                                                          {"", "_-20260102-030405.db"}}) {
        EXPECT_EQ(NombreArchivo(conexion, inicio), nombre) << conexion;
    }
}

// Si el archivo no se puede crear, ninguna tabla se toca; si las cuentas del archivo no cuadran, la tabla
// queda como estaba y el archivo dice que no se depuró.
TEST_F(ArchivoPrueba, SinArchivoNoHayDepuracionYUnaCuentaQueNoCuadraLaDeshace) {
    const TablaDatos kardex{"kardex", "fecha"};
    {
        std::ofstream(tmp / "ocupada") << "no es una carpeta";
        carpetaArchivo = tmp / "ocupada" / "archivo";
        const std::string huella = BaseSqlite(Norte()).Huella("kardex");
        Plan plan = ArmaPlan({"Planta Norte"}, {3});
        Corre(plan);
        EXPECT_EQ(plan.NodoEn(3).Image, Imagen::Cruz);
        EXPECT_CONTIENE(plan.NodoEn(3).Texto, "No se pudo crear el archivo de las filas eliminadas");
        EXPECT_TRUE(BaseSqlite(Norte()).Huella("kardex") == huella);
    }
    // Una fila archivada de más o de menos deshace la tabla.
    ModNalvora modulo(*registro);
    ASSERT_EQ(modulo.AbreConexion("Planta Norte"), 0);
    auto dialecto = DialectoPara(modulo.cnBD());
    const std::string huella = BaseSqlite(Norte()).Huella("kardex");
    ArchivoDepuracion real(tmp / "archivo", OrigenArchivo{"Planta Norte", "", "", "", "", "", "", ""},
                           reloj.Ahora(), db::Dialecto::SQLite);
    ArchivoQueCuentaMal archivo(real);
    dialecto->UneTemporal(modulo.cnBD());
    EXPECT_THROW(dialecto->DepuraTabla(modulo.cnBD(), kardex, marzo,
                                       dialecto->Sentencia(modulo.cnBD(), "KARDEX", "", ""), Estrategia::Auto,
                                       &archivo),
                 db::ErrorBD);
    EXPECT_TRUE(BaseSqlite(Norte()).Huella("kardex") == huella);
    EXPECT_EQ(Estado(real.Ruta(), "kardex").substr(0, 11), "no depurada");
}

// La conexión se pierde en cada sentencia, con archivo y sin él: SQLite deshace todo, en la base (filas y
// disparador), en orvalo_temp y en el archivo, que no guarda nada de kardex o dice que no se depuró. Y el
// archivo está en disco antes de que la depuración confirme.
TEST_F(ArchivoPrueba, UnaConexionPerdidaEnCualquierSentenciaNoCambiaLaTablaYElArchivoLoDice) {
    const TablaDatos kardex{"kardex", "fecha"};
    struct Caso {
        const char* diario;
        Estrategia forma;
        bool conArchivo;
    };
    for (const auto& [diario, forma, conArchivo] :
         {Caso{"DELETE", Estrategia::Copia, false}, Caso{"DELETE", Estrategia::Copia, true},
          Caso{"WAL", Estrategia::Copia, false}, Caso{"WAL", Estrategia::Borrado, false},
          Caso{"WAL", Estrategia::Borrado, true}}) {
        SCOPED_TRACE(std::string(diario) + " " + NombreEstrategia(forma) +
                     (conArchivo ? " con archivo" : ""));
        GeneraDemo(demo, 3000);
        fs::remove(Temporal());
        BaseSqlite(Norte()).Ejecuta(std::string("PRAGMA journal_mode=") + diario);
        const std::string huella = BaseSqlite(Norte()).Huella("kardex");
        for (int caeEn = 1;; ++caeEn) {
            ModNalvora modulo(*registro);
            ASSERT_EQ(modulo.AbreConexion("Planta Norte"), 0);
            auto dialecto = DialectoPara(modulo.cnBD());
            const auto reposicion = dialecto->Sentencia(modulo.cnBD(), "KARDEX", "", "");
            std::vector<std::string> sucesos;
            SesionIntrusa sesion(modulo.cnBD(), caeEn,
                                 [&](const std::string& sql) { sucesos.push_back(sql); });
            std::optional<ArchivoDepuracion> archivo;
            if (conArchivo) {
                archivo.emplace(tmp / (diario + std::to_string(caeEn)),
                                OrigenArchivo{"Planta Norte", "", "", "", "", "", "", ""}, reloj.Ahora(),
                                db::Dialecto::SQLite, [&](const fs::path& ruta) {
                                    SincronizaEnDisco(ruta);
                                    sucesos.push_back("sincroniza");
                                });
            }
            dialecto->UneTemporal(modulo.cnBD());
            try {
                dialecto->DepuraTabla(sesion, kardex, marzo, reposicion, forma,
                                      archivo ? &*archivo : nullptr);
            } catch (const db::ErrorBD& e) {
                EXPECT_CONTIENE(e.Descripcion, "conexión perdida en");
                BaseSqlite n(Norte());
                EXPECT_TRUE(n.Huella("kardex") == huella) << "cae en " << caeEn;
                EXPECT_EQ(n.Cuenta("SELECT count(*) FROM sqlite_master WHERE type = 'trigger'"), 1) << caeEn;
                EXPECT_EQ(
                    BaseSqlite(Temporal()).Cuenta("SELECT count(*) FROM sqlite_master WHERE name = 'kardex'"),
                    0)
                    << caeEn;
                const std::string estado = archivo ? Estado(archivo->Ruta(), "kardex") : "";
                EXPECT_TRUE(estado == "sin archivo" || estado.empty() || estado.rfind("no depurada", 0) == 0)
                    << caeEn << ": " << estado;
                continue;
            }
            // Pasó entera. Con diario de reversión el archivo va en la misma transacción, que SQLite lleva
            // a disco al confirmar (synchronous=FULL); en WAL, ya con la tabla bloqueada, se dejó en disco
            // antes de confirmar.
            EXPECT_GT(caeEn, 6) << "la prueba recorrió la transacción";
            if (archivo) {
                const bool unido = std::string(diario) == "DELETE";
                const auto leidas =
                    std::find_if(sucesos.begin(), sucesos.end(), [unido](const std::string& sql) {
                        return sql.find(unido ? "ovnalvora_archivo.synchronous=FULL" : "BEGIN EXCLUSIVE") !=
                               std::string::npos;
                    });
                const auto sincroniza = unido ? leidas : std::find(leidas, sucesos.end(), "sincroniza");
                EXPECT_LT(sincroniza - sucesos.begin(),
                          std::find(leidas, sucesos.end(), "COMMIT") - sucesos.begin());
                EXPECT_EQ(Estado(archivo->Ruta(), "kardex").substr(0, 9), "depurada ");
            }
            break;
        }
    }
}
