// Los textos que van a SQL Server, letra por letra: allí no se pueden correr en estas pruebas.
#include "purge/DialectoSqlServer.h"

#include <algorithm>

#include <gtest/gtest.h>

using namespace ov;
using namespace std::chrono;

namespace {
constexpr Estrategia kCopia = Estrategia::Copia;
const Rango kPrimerTrimestre{local_days{2024y / January / 1}, local_days{2024y / March / 31}};
} // namespace

// Los textos que la transacción grabada no cubre letra por letra; lo demás lo fija el orden de lotes.
TEST(SentenciasSqlServer, CopiaReinsercionesYMantenimientoExactos) {
    EXPECT_EQ(sqlserver::Copia({"kardex", "fecha"}, kPrimerTrimestre),
              "select * into orvalo_temp.dbo.kardex from kardex where fecha < { d '2024-01-01'} or fecha >= "
              "{ d'2024-04-01'} or fecha is null");
    EXPECT_EQ(sqlserver::Copia({"bitacora", "fechahora"},
                               {local_days{2024y / February / 29}, local_days{2024y / December / 31}}),
              "select * into orvalo_temp.dbo.bitacora from bitacora where fechahora < { d '2024-02-29'} or "
              "fechahora >= { d'2025-01-01'} or fechahora is null");
    // Hasta el último día del calendario: no hay día siguiente, se conserva solo lo anterior y lo sin fecha.
    EXPECT_EQ(
        sqlserver::Copia({"kardex", "fecha"},
                         {local_days{2024y / January / 1}, local_days{9999y / December / 31}}),
        "select * into orvalo_temp.dbo.kardex from kardex where fecha < { d '2024-01-01'} or fecha is null");
    EXPECT_STREQ(sqlserver::kCreaTemporal, "CREATE DATABASE orvalo_temp ");
    EXPECT_STREQ(sqlserver::kBorraTemporal, "Drop Database orvalo_temp ");
    EXPECT_EQ(
        sqlserver::LeeIdentidad("transacciones"),
        "select ident_current('dbo.transacciones') as actual, ident_incr('dbo.transacciones') as incremento");

    EXPECT_EQ(
        sqlserver::SentenciaDeClave("TRANSACCIONES", "[id],[fechayhora]", ""),
        " SET IDENTITY_INSERT dbo.transacciones on\r\ninsert into dbo.transacciones ( [id],[fechayhora] ) "
        "select * from orvalo_temp.dbo.transacciones t \r\n SET IDENTITY_INSERT dbo.transacciones off");
    EXPECT_EQ(sqlserver::SentenciaDeClave("CHECADAS", "[a],[b]", ""),
              "insert into checadas  ([a],[b] )select * from orvalo_temp.dbo.checadas c ");
    EXPECT_EQ(sqlserver::SentenciaDeClave("KARDEX", "", ""),
              "alter table kardex disable trigger  all \r\ninsert into  kardex select * from "
              "orvalo_temp.dbo.kardex k \r\n  alter table kardex enable trigger all");
    EXPECT_EQ(sqlserver::SentenciaDeClave("BITACORA", "", ""),
              "insert into  bitacora select * from orvalo_temp.dbo.bitacora b ");

    for (const std::string tabla : {"transacciones", "checadas", "kardex", "bitacora"}) {
        std::string clave = "DBREINDEX_" + tabla;
        std::transform(clave.begin(), clave.end(), clave.begin(), ::toupper);
        EXPECT_EQ(sqlserver::SentenciaDeClave(clave, "", ""), "DBCC DBREINDEX(" + tabla + ")");
    }
    // Los nombres van entre corchetes, duplicando el cierre.
    EXPECT_EQ(sqlserver::SentenciaDeClave("SHRINK", "", "a]b"),
              "DBCC SHRINKDATABASE ([a]]b],0,TRUNCATEONLY)");
    EXPECT_EQ(sqlserver::SentenciaDeClave("UPDATEUSAGE", "", "Planta 2"), "DBCC UPDATEUSAGE ([Planta 2])");
    EXPECT_THROW(sqlserver::SentenciaDeClave("shrink", "", "x"), db::ErrorBD)
        << "las claves distinguen mayúsculas";
}

// Una conexión que graba cada lote y responde lo que un SQL Server respondería.
class SesionGrabada final : public db::Sesion {
public:
    db::Resultado Execute(const std::string& sql) override {
        lotes.push_back(sql);
        if (static_cast<int>(lotes.size()) == fallaEn) {
            throw db::ErrorBD(208, "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]", "falla");
        }
        db::Resultado r;
        auto fila = [&r](std::vector<std::string> campos, std::vector<db::Valor> valores) {
            db::Recordset rs;
            for (auto& c : campos) {
                rs.Campos.push_back({c, 0});
            }
            rs.Filas.push_back(std::move(valores));
            r.Registros = std::move(rs);
        };
        if (sql.rfind("select ident_current", 0) == 0) {
            fila({"actual", "incremento"}, {std::to_string(identidad), std::to_string(incremento)});
            identidad = tras; // la siguiente lectura es la de después de reponer
        } else if (sql.rfind("select count_big(*) as filas from orvalo_temp", 0) == 0) {
            fila({"filas"}, {"40"});
        } else if (sql.rfind("select count_big(*) as filas from transacciones where", 0) == 0) {
            fila({"filas"}, {"60"}); // las que salen
        } else if (sql.rfind("delete from", 0) == 0) {
            r.FilasAfectadas = {borradas};
        } else if (sql.rfind("select count_big(*) as filas from dbo.", 0) == 0) {
            fila({"filas"}, {++cuentas == 1 ? "100" : repuestas});
        } else if (sql == sqlserver::kTransaccionesAbiertas) {
            fila({"abiertas"}, {abiertas});
        } else if (sql.rfind("insert into", 0) == 0 || sql.rfind(" SET IDENTITY_INSERT", 0) == 0) {
            r.FilasAfectadas = {-1, 40, -1};
        }
        return r;
    }
    std::string DefaultDatabase() override { return "Planta"; }

    std::vector<std::string> lotes;
    int fallaEn = 0;
    long long identidad = 5000, incremento = 1, tras = 5000;
    int cuentas = 0;
    std::string abiertas = "1";
    std::string repuestas = "40";
    long long borradas = 60;

    bool Grabo(const std::string& lote) const {
        return std::find(lotes.begin(), lotes.end(), lote) != lotes.end();
    }
};

class DialectoSqlServerPrueba : public ::testing::Test {
protected:
    DialectoSqlServer dialecto;
    SesionGrabada cn;
    const TablaDatos transacciones{"transacciones", "fechayhora"};
    SentenciaTarea Reposicion() { return dialecto.Sentencia(cn, "TRANSACCIONES", "[id],[fechayhora]", ""); }
};

TEST_F(DialectoSqlServerPrueba, UnaTablaEsUnaTransaccionEnOrdenYConfirmaAlFinal) {
    const auto reposicion = Reposicion();
    const auto c = dialecto.DepuraTabla(cn, transacciones, kPrimerTrimestre, reposicion, kCopia);
    EXPECT_EQ(c.Antes, 100);
    EXPECT_EQ(c.Conservadas, 40);
    const std::vector<std::string> esperados{
        "SET XACT_ABORT ON",
        "BEGIN TRANSACTION",
        "select top 0 * from dbo.transacciones with (tablockx, holdlock)",
        sqlserver::LeeIdentidad("transacciones"),
        "select count_big(*) as filas from dbo.transacciones",
        sqlserver::Copia(transacciones, kPrimerTrimestre),
        "select count_big(*) as filas from orvalo_temp.dbo.transacciones",
        "truncate table transacciones",
        "DBCC CHECKIDENT ('dbo.transacciones', RESEED, 5001)",
        reposicion.Partes[0],
        "select count_big(*) as filas from dbo.transacciones",
        sqlserver::LeeIdentidad("transacciones"),
        "drop table orvalo_temp.dbo.transacciones",
        "select @@trancount as abiertas",
        "COMMIT TRANSACTION"};
    EXPECT_EQ(cn.lotes, esperados);
}

TEST_F(DialectoSqlServerPrueba, UnaFallaEnCualquierPuntoDeshaceYNuncaConfirma) {
    const auto reposicion = Reposicion();
    for (int falla = 1; falla <= 15; ++falla) {
        SesionGrabada otra;
        otra.fallaEn = falla;
        EXPECT_THROW(dialecto.DepuraTabla(otra, transacciones, kPrimerTrimestre, reposicion, kCopia),
                     db::ErrorBD)
            << falla;
        EXPECT_EQ(otra.lotes.back(), "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION") << falla;
        EXPECT_EQ(std::count(otra.lotes.begin(), otra.lotes.end(), "COMMIT TRANSACTION"), falla == 15 ? 1 : 0)
            << "solo el COMMIT que falló";
    }
    // El servidor ya terminó la transacción por su cuenta: no se manda COMMIT.
    cn.abiertas = "0";
    EXPECT_THROW(dialecto.DepuraTabla(cn, transacciones, kPrimerTrimestre, reposicion, kCopia), db::ErrorBD);
    EXPECT_FALSE(cn.Grabo("COMMIT TRANSACTION"));
    // La tabla no vuelve a tener las 40 copiadas.
    SesionGrabada corta;
    corta.repuestas = "39";
    EXPECT_THROW(dialecto.DepuraTabla(corta, transacciones, kPrimerTrimestre, reposicion, kCopia),
                 db::ErrorBD);
    EXPECT_EQ(corta.lotes.back(), "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION");
}

// Una identidad que cuenta hacia abajo: la siembra y la revisión siguen su sentido.
TEST_F(DialectoSqlServerPrueba, IdentidadConIncrementoNegativo) {
    EXPECT_EQ(sqlserver::SiembraTrasVaciar({-500, -1}), -501);
    EXPECT_EQ(sqlserver::SiembraTrasVaciar({5000, 10}), 5010);
    EXPECT_TRUE(sqlserver::Retrocedio(-400, {-500, -1})) << "volvió a valores ya emitidos";
    EXPECT_FALSE(sqlserver::Retrocedio(-600, {-500, -1}));
    EXPECT_TRUE(sqlserver::Retrocedio(4000, {5000, 1}));
    EXPECT_FALSE(sqlserver::Retrocedio(5000, {5000, 1}));

    cn.identidad = -500;
    cn.incremento = -1;
    cn.tras = -300; // tras reponer el contador quedó en valores ya usados
    dialecto.DepuraTabla(cn, transacciones, kPrimerTrimestre, Reposicion(), kCopia);
    EXPECT_TRUE(cn.Grabo("DBCC CHECKIDENT ('dbo.transacciones', RESEED, -501)"));
    EXPECT_TRUE(cn.Grabo("DBCC CHECKIDENT ('dbo.transacciones', RESEED, -500)"));
}

// Con pocas filas que salen se borra en su lugar: sin copia, sin vaciar ni resembrar.
TEST_F(DialectoSqlServerPrueba, BorrarEnSuLugarConElComplementoExactoYLaCuentaVerificada) {
    EXPECT_EQ(dialecto.Elige(Estrategia::Auto, 100, 60), Estrategia::Borrado);
    EXPECT_EQ(dialecto.Elige(Estrategia::Auto, 100, 40), Estrategia::Copia) << "salen más de la mitad";
    EXPECT_EQ(dialecto.Elige(Estrategia::Copia, 100, 99), Estrategia::Copia);
    const auto c =
        dialecto.DepuraTabla(cn, transacciones, kPrimerTrimestre, Reposicion(), Estrategia::Borrado);
    EXPECT_EQ(c.Usada, Estrategia::Borrado);
    EXPECT_EQ(c.Eliminadas(), 60);
    EXPECT_TRUE(cn.Grabo("delete from transacciones where fechayhora >= { d '2024-01-01'} and fechayhora < { "
                         "d'2024-04-01'}"));
    EXPECT_EQ(std::count_if(cn.lotes.begin(), cn.lotes.end(),
                            [](const std::string& l) {
                                return l.find("orvalo_temp") != std::string::npos ||
                                       l.find("CHECKIDENT") != std::string::npos;
                            }),
              0);
    EXPECT_EQ(cn.lotes.back(), "COMMIT TRANSACTION");

    SesionGrabada otra; // el servidor dice que borró otra cantidad: se deshace
    otra.borradas = 59;
    EXPECT_THROW(
        dialecto.DepuraTabla(otra, transacciones, kPrimerTrimestre, Reposicion(), Estrategia::Borrado),
        db::ErrorBD);
    EXPECT_EQ(otra.lotes.back(), "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION");
}

// Un servidor que no es SQL Server ni SQLite no recibe las sentencias de SQL Server.
TEST(DialectoDeLaConexion, UnServidorDesconocidoSeRechazaNombrandoloComoSeNombra) {
    EXPECT_NE(dynamic_cast<DialectoSqlServer*>(DialectoPara(db::Dialecto::SqlServer, "").get()), nullptr);
    try {
        DialectoPara(db::Dialecto::Otro, "PostgreSQL");
        ADD_FAILURE() << "se aceptó PostgreSQL";
    } catch (const db::ErrorBD& e) {
        EXPECT_EQ(e.Descripcion,
                  "El servidor se identifica como \"PostgreSQL\"; solo se depuran bases de SQL "
                  "Server y SQLite.");
    }
}
