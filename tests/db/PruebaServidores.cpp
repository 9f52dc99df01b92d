#include "apoyo/ErrorDe.h"
#include "db/Diagnostico.h"
#include "db/SqlServer.h"

#include <gtest/gtest.h>

#include <chrono>

namespace ov::db {
namespace {

using namespace std::chrono_literals;

// Cadena ODBC directa y la OLE DB del producto traducida al mejor driver instalado; el `}` de
// la contraseña va doblado dentro de las llaves. El texto exacto del error no lleva la contraseña.
TEST(FreeTds, PuertoCerradoFallaEnseguidaCon08S01SinMostrarLaContrasena) {
    for (const std::string cadena :
         {"Driver=FreeTDS;Server=127.0.0.1;Port=1;UID=sa;PWD=Secreta9;TDS_Version=7.4;Connect Timeout=5",
          "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Password=Secr}eta9;"
          "Initial Catalog=Orvalo;Data Source=127.0.0.1,1;Connect Timeout=5"}) {
        Conexion cn;
        const auto inicio = std::chrono::steady_clock::now();
        const ErrorBD e = ErrorDe([&] { cn.Open(cadena); });
        EXPECT_LT(std::chrono::steady_clock::now() - inicio, 5s);
        EXPECT_EQ(
            e.Estado + " " + std::to_string(e.Numero) + " " + e.Fuente + " " + e.Descripcion,
            "08S01 20009 [FreeTDS][SQL Server] Unable to connect: Adaptive Server is unavailable or does "
            "not exist");
        EXPECT_FALSE(cn.Abierta());
    }
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

// La fuente es el driver que habla (unixODBC antepone su nombre) y el número que SQLite repite al final
// del mensaje se quita: ya va aparte. El vaciado del lote se prueba contra el servidor T-SQL.
TEST(Diagnostico, FuenteYDescripcionDeCadaDriver) {
    const std::tuple<Diagnostico, std::string, std::string> casos[] = {
        {{"S1000", 19, "[SQLite]UNIQUE constraint failed: t.id (19)"},
         "[SQLite]",
         "UNIQUE constraint failed: t.id"},
        {{"S1000", 1, "[SQLite]near \"(19)\": syntax error (1)"}, "[SQLite]", "near \"(19)\": syntax error"},
        {{"08S01", 20009, "[unixODBC][FreeTDS][SQL Server]Sin red"}, "[FreeTDS][SQL Server]", "Sin red"},
        {{"IM002", 0, "[unixODBC][Driver Manager]Data source name not found"},
         "[unixODBC][Driver Manager]",
         "Data source name not found"}};
    for (const auto& [d, fuente, descripcion] : casos) {
        const ErrorBD e = ErrorDeDiagnostico(d);
        EXPECT_EQ(e.Fuente + "|" + e.Descripcion, fuente + "|" + descripcion);
    }
}

} // namespace
} // namespace ov::db
