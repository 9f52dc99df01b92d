#include "apoyo/ErrorDe.h"
#include "db/Lote.h"

#include <gtest/gtest.h>

#include <deque>

namespace ov::db {
namespace {

// Un lote fingido: cada paso es lo que devuelve una llamada, cuántas columnas y qué cuenta deja.
struct Paso {
    SQLRETURN rc;
    std::vector<Diagnostico> diag;
    SQLSMALLINT columnas = 0;
    long long cuenta = -1;
};

class LoteFingido final : public OrigenLote {
public:
    explicit LoteFingido(std::deque<Paso> pasos) : pasos_(std::move(pasos)) {}
    Llamada Ejecuta() override { return Siguiente(); }
    Llamada MasResultados() override {
        ++llamadasMas;
        return pasos_.empty() ? Llamada{SQL_NO_DATA, {}} : Siguiente();
    }
    SQLSMALLINT Columnas() override { return actual_.columnas; }
    long long Cuenta() override { return actual_.cuenta; }
    Llamada Lee(Recordset& destino, SQLSMALLINT columnas) override {
        ++lecturas;
        destino.Campos.assign(static_cast<size_t>(columnas), Campo{"c", 18});
        return {};
    }
    int llamadasMas = 0;
    int lecturas = 0;

private:
    Llamada Siguiente() {
        actual_ = pasos_.front();
        pasos_.pop_front();
        return {actual_.rc, actual_.diag};
    }
    std::deque<Paso> pasos_;
    Paso actual_{SQL_SUCCESS, {}};
};

const Diagnostico Info{"01000", 5701, "[FreeTDS][SQL Server]Changed database context to 'Orvalo'."};
const Diagnostico Dbcc{"01000", 2528, "[FreeTDS][SQL Server]DBCC execution completed."};
const Diagnostico NoExiste{
    "42S02", 208, "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]Invalid object name 'kardex'."};

// Los drivers de SQL Server devuelven SQL_SUCCESS de SQLExecDirect cuando falla la segunda
// sentencia: el error sólo aparece en SQLMoreResults, y tras él aún viene la tercera.
TEST(AgotaLote, ErrorQueSoloDaSQLMoreResultsEsErrorDelLoteYSeAgotaTodo) {
    LoteFingido lote(
        {{SQL_SUCCESS, {}, 0, 0}, {SQL_ERROR, {Info, NoExiste}}, {SQL_SUCCESS_WITH_INFO, {Dbcc}, 0, 3}});
    const ErrorBD e = ErrorDe([&] { AgotaLote(lote); });
    EXPECT_EQ(e.Numero, 208);
    EXPECT_EQ(e.Estado, "42S02");
    EXPECT_EQ(e.Fuente, "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]");
    EXPECT_EQ(e.Descripcion, "Invalid object name 'kardex'.");
    EXPECT_EQ(lote.llamadasMas, 3); // la tercera sentencia y el SQL_NO_DATA final
    // Un registro de error con SQL_SUCCESS_WITH_INFO también es error; gana el primero.
    LoteFingido conInfo({{SQL_SUCCESS, {}, 1, -1},
                         {SQL_SUCCESS_WITH_INFO, {Info, NoExiste}},
                         {SQL_ERROR, {{"23000", 2627, "[FreeTDS][SQL Server]PK"}}}});
    EXPECT_EQ(ErrorDe([&] { AgotaLote(conInfo); }).Numero, 208);
}

TEST(AgotaLote, AvisosDeDbccYSinDatosNoSonErroresYSoloSeLeeElPrimerResultado) {
    // SQL_NO_DATA de SQLExecDirect (DELETE sin filas) es éxito; los 01000 de DBCC no son errores.
    LoteFingido lote({{SQL_NO_DATA, {}},
                      {SQL_SUCCESS_WITH_INFO, {Dbcc}, 2, -1},
                      {SQL_SUCCESS, {}, 3, -1},
                      {SQL_SUCCESS_WITH_INFO, {Dbcc}, 0, 7}});
    const Resultado r = AgotaLote(lote);
    EXPECT_EQ(r.FilasAfectadas, (std::vector<long long>{0, -1, -1, 7}));
    ASSERT_TRUE(r.Registros);
    EXPECT_EQ(r.Registros->Campos.size(), 2u);
    EXPECT_EQ(lote.lecturas, 1);
    // Los avisos de cada resultado quedan, sin su fuente, en el orden en que llegaron.
    EXPECT_EQ(r.Mensajes,
              (std::vector<std::string>{"DBCC execution completed.", "DBCC execution completed."}));
    // El driver de SQLite repite el número al final del mensaje: se quita, el número ya va aparte.
    const ErrorBD sqlite = ErrorDeDiagnostico({"S1000", 19, "[SQLite]UNIQUE constraint failed: t.id (19)"});
    EXPECT_EQ(sqlite.Fuente, "[SQLite]");
    EXPECT_EQ(sqlite.Descripcion, "UNIQUE constraint failed: t.id");
    EXPECT_EQ(ErrorDeDiagnostico({"S1000", 1, "[SQLite]near \"(19)\": syntax error (1)"}).Descripcion,
              "near \"(19)\": syntax error");
    // unixODBC antepone su nombre al del driver; la fuente es quien habla.
    EXPECT_EQ(ErrorDeDiagnostico({"08S01", 20009, "[unixODBC][FreeTDS][SQL Server]Sin red"}).Fuente,
              "[FreeTDS][SQL Server]");
    const ErrorBD gestor =
        ErrorDeDiagnostico({"IM002", 0, "[unixODBC][Driver Manager]Data source name not found"});
    EXPECT_EQ(gestor.Fuente, "[unixODBC][Driver Manager]");
    EXPECT_EQ(gestor.Descripcion, "Data source name not found");
}

} // namespace
} // namespace ov::db
