#include "apoyo/CarpetaTemporal.h"
#include "apoyo/ErrorDe.h"
#include "db/SqlServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <unistd.h>

namespace ov::db {
namespace {

using namespace std::chrono_literals;

// Cadena ODBC directa y la OLE DB del producto traducida al mejor driver instalado; el `}` de
// la contraseña va doblado dentro de las llaves y no debe salir de ninguna de las dos formas.
TEST(FreeTds, PuertoCerradoFallaEnseguidaCon08S01SinMostrarLaContrasena) {
    const std::pair<std::string, std::string> casos[] = {
        {"Driver=FreeTDS;Server=127.0.0.1;Port=1;UID=sa;PWD=Secreta9;TDS_Version=7.4;Connect Timeout=5",
         "Secreta9"},
        {"Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Password=Secr}eta9;"
         "Initial Catalog=Orvalo;Data Source=127.0.0.1,1;Connect Timeout=5",
         "Secr}eta9"},
    };
    for (const auto& [cadena, contrasena] : casos) {
        Conexion cn;
        const auto inicio = std::chrono::steady_clock::now();
        const ErrorBD e = ErrorDe([&] { cn.Open(cadena); });
        EXPECT_LT(std::chrono::steady_clock::now() - inicio, 5s);
        EXPECT_EQ(e.Estado, "08S01");
        EXPECT_FALSE(cn.Abierta());
        for (const std::string& texto : {e.Fuente, e.Descripcion, std::string(e.what())}) {
            EXPECT_EQ(texto.find("eta9"), std::string::npos) << texto;
        }
    }
    const ErrorBD e = ErrorDe([&] { Conexion().Open(casos[0].first); });
    EXPECT_EQ(e.Numero, 20009);
    EXPECT_EQ(e.Fuente, "[FreeTDS][SQL Server]");
    EXPECT_EQ(e.Descripcion, "Unable to connect: Adaptive Server is unavailable or does not exist");
}

// Para SQL Server sólo cuentan los textos: se fingen las respuestas del servidor.
TEST(SqlServer, FechasAnoMesDiaCuentasDeFilasYComprobacionDeLaBase) {
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
    PreparaSqlServer(ejecuta, "");
    EXPECT_EQ(enviadas, (std::vector<std::string>{"SET DATEFORMAT ymd\r\nSET NOCOUNT OFF", "SELECT DB_NAME()",
                                                  "SET DATEFORMAT ymd\r\nSET NOCOUNT OFF"}));
    // FreeTDS ignora en silencio una clave que no conoce y deja la base por omisión.
    base = "master";
    EXPECT_EQ(ErrorDe([&] { PreparaSqlServer(ejecuta, "Orvalo"); }).Descripcion,
              "La conexión quedó en la base de datos \"master\" y no en \"Orvalo\", que es la "
              "que pide la conexión.");
}

// Un servidor PostgreSQL de usar y tirar, en su carpeta y con un socket local.
TEST(Postgres, LoteConVariosResultadosYErrorEnUnaSentenciaPosterior) {
    const std::string bin = "/usr/lib/postgresql/15/bin/";
    if (!std::filesystem::exists(bin + "pg_ctl")) {
        GTEST_SKIP() << "no está PostgreSQL 15";
    }
    prueba::CarpetaTemporal carpeta;
    const std::string d = carpeta.Ruta().string(), datos = " -D " + d + "/datos",
                      log = " >>" + d + "/log 2>&1";
    const std::string como = geteuid() == 0 ? "runuser -u postgres -- " : ""; // initdb no corre como root
    struct Detiene {
        std::string orden;
        ~Detiene() { std::system(orden.c_str()); }
    } detiene{como + bin + "pg_ctl" + datos + " -m immediate stop" + log};
    const std::string arranca = (como.empty() ? "" : "chown postgres " + d + " && ") + como + bin + "initdb" +
                                datos + " -A trust -U postgres --no-sync -E UTF8 --locale=C" + log + " && " +
                                como + bin + "pg_ctl" + datos + " -w -t 60 -o \"-p 5432 -k " + d +
                                " -c listen_addresses=''\" start" + log;
    ASSERT_EQ(std::system(arranca.c_str()), 0) << prueba::LeeArchivo(carpeta / "log");

    Conexion cn;
    cn.Open("Driver={PostgreSQL Unicode};Servername=" + d + ";Port=5432;Database=postgres;UID=postgres");
    cn.Execute("create table t(x int, s varchar(18))");
    const Resultado r = cn.Execute("insert into t values(1,'a'); insert into t values(2,null); "
                                   "select s from t order by x; update t set x = x + 10; select 5 as cinco");
    EXPECT_EQ(r.FilasAfectadas, (std::vector<long long>{1, 1, 2, 2, 1}));
    ASSERT_TRUE(r.Registros); // el primero con columnas, no el último
    EXPECT_EQ(r.Registros->Campos[0].DefinedSize, 18);
    EXPECT_EQ(r.Registros->Filas, (std::vector<std::vector<Valor>>{{Valor("a")}, {std::nullopt}}));
    EXPECT_EQ(*cn.Execute("select sum(x) as suma from t").Registros->Primero("suma"), "23");

    const ErrorBD e = ErrorDe(
        [&] { cn.Execute("insert into t values(3,'c'); select * from nada; insert into t values(4,'d')"); });
    EXPECT_EQ(e.Estado, "42P01");
    EXPECT_NE(e.Descripcion.find("\"nada\" does not exist"), std::string::npos) << e.Descripcion;
    EXPECT_NO_THROW(cn.Execute("drop table if exists nada")); // un aviso (NOTICE) no es un error
    EXPECT_EQ(cn.Tablas(), std::vector<std::string>{"t"});
}

} // namespace
} // namespace ov::db
