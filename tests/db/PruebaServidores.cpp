#include "apoyo/CarpetaTemporal.h"
#include "db/SqlServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace ov::db {
namespace {

using namespace std::chrono_literals;

void SinContrasena(const ErrorBD& e, const std::string& contrasena) {
    for (const std::string& texto : {e.Fuente, e.Descripcion, std::string(e.what())}) {
        EXPECT_EQ(texto.find(contrasena), std::string::npos) << texto;
    }
}

TEST(FreeTds, PuertoCerradoFallaEnseguidaSinMostrarLaContrasena) {
    {
        Conexion cn;
        CadenaOdbc cadena{
            "Driver=FreeTDS;Server=127.0.0.1;Port=1;UID=sa;PWD=Secreta9;TDS_Version=7.4", 5s, {}};
        const auto inicio = std::chrono::steady_clock::now();
        try {
            cn.OpenOdbc(cadena);
            FAIL() << "se abrió una conexión a un puerto cerrado";
        } catch (const ErrorBD& e) {
            EXPECT_EQ(e.Estado, "08S01");
            EXPECT_EQ(e.Numero, 20009);
            EXPECT_EQ(e.Fuente, "[FreeTDS][SQL Server]");
            EXPECT_EQ(e.Descripcion, "Unable to connect: Adaptive Server is unavailable or does not exist");
            SinContrasena(e, "Secreta9");
        }
        EXPECT_LT(std::chrono::steady_clock::now() - inicio, cadena.TiempoLogin);
        EXPECT_FALSE(cn.Abierta());
    }
    // La cadena OLE DB del producto, traducida al mejor driver instalado.
    Conexion cn;
    const auto inicio = std::chrono::steady_clock::now();
    try {
        cn.Open("Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Password=Secr}eta9;"
                "Initial Catalog=Orvalo;Data Source=127.0.0.1,1;Connect Timeout=5");
        FAIL();
    } catch (const ErrorBD& e) {
        EXPECT_EQ(e.Estado.substr(0, 2), "08");
        SinContrasena(e, "Secr}eta9");
        SinContrasena(e, "Secr}}eta9");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - inicio, 5s);
}

// Para SQL Server sólo cuentan los textos: se fingen las respuestas del servidor.
TEST(SqlServer, FechasAnoMesDiaYComprobacionDeLaBase) {
    std::vector<std::string> enviadas;
    std::string base = "ORVALO";
    const Ejecutor ejecuta = [&](const std::string& sql) {
        enviadas.push_back(sql);
        Resultado r;
        if (sql == "SELECT DB_NAME()") {
            r.Registros = Recordset{{{"", 128}}, {{Valor(base)}}};
        }
        return r;
    };
    PreparaSqlServer(ejecuta, "Orvalo");
    EXPECT_EQ(enviadas, (std::vector<std::string>{"SET DATEFORMAT ymd", "SELECT DB_NAME()"}));
    enviadas.clear();
    PreparaSqlServer(ejecuta, "");
    EXPECT_EQ(enviadas, std::vector<std::string>{"SET DATEFORMAT ymd"});
    // FreeTDS ignora en silencio una clave que no conoce y deja la base por omisión.
    base = "master";
    try {
        PreparaSqlServer(ejecuta, "Orvalo");
        FAIL() << "se aceptó la base por omisión del inicio de sesión";
    } catch (const ErrorBD& e) {
        EXPECT_EQ(e.Descripcion,
                  "La conexión quedó en la base de datos \"master\" y no en \"Orvalo\", que es la "
                  "que pide la conexión.");
    }
}

// Un servidor PostgreSQL de usar y tirar, en su carpeta y con un socket local.
class Postgres : public testing::Test {
protected:
    static void SetUpTestSuite() {
        carpeta_ = std::make_unique<prueba::CarpetaTemporal>();
        const std::string bin = "/usr/lib/postgresql/15/bin/";
        if (!std::filesystem::exists(bin + "pg_ctl")) {
            razon_ = "no está PostgreSQL 15";
            return;
        }
        // initdb no corre como root: se usa la cuenta postgres.
        std::string como;
        if (geteuid() == 0) {
            como = "runuser -u postgres -- ";
            if (std::system(("chown postgres " + carpeta_->Ruta().string()).c_str()) != 0) {
                razon_ = "no se pudo ceder la carpeta a postgres";
                return;
            }
        }
        const std::string d = carpeta_->Ruta().string();
        const std::string log = " >>" + d + "/salida.log 2>&1";
        if (std::system((como + bin + "initdb -D " + d +
                         "/datos -A trust -U postgres --no-sync -E UTF8 --locale=C" + log)
                            .c_str()) != 0) {
            razon_ = "initdb falló: " + prueba::LeeArchivo(carpeta_->Ruta() / "salida.log");
            return;
        }
        detener_ = como + bin + "pg_ctl -D " + d + "/datos -m immediate stop" + log;
        if (std::system((como + bin + "pg_ctl -D " + d + "/datos -l " + d +
                         "/servidor.log -w -t 60 -o \"-p 5432 -k " + d + " -c listen_addresses=''\" start" +
                         log)
                            .c_str()) != 0) {
            razon_ = "el servidor no arrancó: " + prueba::LeeArchivo(carpeta_->Ruta() / "servidor.log");
            detener_.clear();
        }
    }
    static void TearDownTestSuite() {
        if (!detener_.empty()) {
            std::system(detener_.c_str());
        }
        carpeta_.reset();
    }
    void SetUp() override {
        if (!razon_.empty()) {
            GTEST_SKIP() << razon_;
        }
        cn.Open("Driver={PostgreSQL Unicode};Servername=" + carpeta_->Ruta().string() +
                ";Port=5432;Database=postgres;UID=postgres");
        cn.Execute("drop table if exists t");
        cn.Execute("create table t(x int, s varchar(18))");
    }
    Conexion cn;
    static inline std::unique_ptr<prueba::CarpetaTemporal> carpeta_;
    static inline std::string razon_, detener_;
};

TEST_F(Postgres, UnLoteDaVariosResultadosYSeAgotanTodos) {
    EXPECT_EQ(cn.NombreDBMS(), "PostgreSQL");
    const Resultado r = cn.Execute("insert into t values(1,'a'); insert into t values(2,null); "
                                   "select s from t order by x; update t set x = x + 10; select 5 as cinco");
    EXPECT_EQ(r.FilasAfectadas, (std::vector<long long>{1, 1, 2, 2, 1}));
    ASSERT_TRUE(r.Registros); // el primero con columnas, no el último
    EXPECT_EQ(r.Registros->Campos[0].Name, "s");
    EXPECT_EQ(r.Registros->Campos[0].DefinedSize, 18);
    EXPECT_EQ(r.Registros->Filas, (std::vector<std::vector<Valor>>{{Valor("a")}, {std::nullopt}}));
    EXPECT_EQ(r.UltimaCuenta(), 1);
    EXPECT_EQ(*cn.Execute("select sum(x) as suma from t").Registros->Primero("suma"), "23");
}

TEST_F(Postgres, ErrorEnUnaSentenciaPosteriorEsErrorDelLote) {
    try {
        cn.Execute("insert into t values(3,'c'); select * from nada; insert into t values(4,'d')");
        FAIL() << "el error de la segunda sentencia se perdió";
    } catch (const ErrorBD& e) {
        EXPECT_EQ(e.Estado, "42P01");
        EXPECT_NE(e.Descripcion.find("\"nada\" does not exist"), std::string::npos) << e.Descripcion;
    }
    // Un aviso (NOTICE) no es un error.
    EXPECT_NO_THROW(cn.Execute("drop table if exists nada"));
    EXPECT_EQ(cn.Tablas(), std::vector<std::string>{"t"});
}

} // namespace
} // namespace ov::db
