// Los textos que van a SQL Server, letra por letra, y la transacción de una tabla contra una sesión que
// responde como SQL Server: lo que el servidor T-SQL de aquí no hace igual no se puede probar en él.
#include "apoyo/ErrorDe.h"
#include "purge/DialectoSQLite.h"
#include "purge/DialectoSqlServer.h"

#include <algorithm>
#include <map>
#include <tuple>

#include <gtest/gtest.h>

using namespace ov;
using namespace std::chrono;

namespace {
const Rango kPrimerTrimestre{local_days{2024y / January / 1}, local_days{2024y / March / 31}};
} // namespace

TEST(SentenciasSqlServer, CopiaReinsercionesYMantenimientoExactos) {
    EXPECT_EQ(sqlserver::Copia({"kardex", "fecha"}, kPrimerTrimestre),
              "select * into orvalo_temp.dbo.kardex from kardex where fecha < { d '2024-01-01'} or fecha >= "
              "{ d'2024-04-01'} or fecha is null");
    // Hasta el último día del calendario: no hay día siguiente, se conserva solo lo anterior y lo sin fecha.
    EXPECT_EQ(
        sqlserver::Copia({"kardex", "fecha"},
                         {local_days{2024y / January / 1}, local_days{9999y / December / 31}}),
        "select * into orvalo_temp.dbo.kardex from kardex where fecha < { d '2024-01-01'} or fecha is null");
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
    EXPECT_EQ(sqlserver::SentenciaDeClave("DBREINDEX_CHECADAS", "", ""), "DBCC DBREINDEX(checadas)");
    // Los nombres van entre corchetes, duplicando el cierre.
    EXPECT_EQ(sqlserver::SentenciaDeClave("SHRINK", "", "a]b"),
              "DBCC SHRINKDATABASE ([a]]b],0,TRUNCATEONLY)");
    EXPECT_EQ(sqlserver::SentenciaDeClave("UPDATEUSAGE", "", "Planta 2"), "DBCC UPDATEUSAGE ([Planta 2])");
    EXPECT_THROW(sqlserver::SentenciaDeClave("shrink", "", "x"), db::ErrorBD)
        << "las claves distinguen mayúsculas";
    EXPECT_EQ(sqlserver::CambiaDisparador("kardex", "a]b", false),
              "alter table dbo.kardex disable trigger [a]]b]");
}

// Documentación de SQL Server, "Table Hints (Transact-SQL)", Remarks
// (learn.microsoft.com/sql/t-sql/queries/hints-transact-sql-table): una sugerencia de tabla se ignora si
// el plan de la consulta no accede a la tabla, y un select top 0 no necesita leerla. El candado lo toma,
// pues, la cuenta de la tabla. El servidor T-SQL de aquí ignora estas sugerencias del todo: esto se prueba
// por el texto y por ese razonamiento.
TEST(SentenciasSqlServer, ElCandadoExclusivoLoTomaUnaSentenciaQueLeeLaTabla_TableHintsIgnoradasSinAcceso) {
    EXPECT_EQ(sqlserver::Bloquea("kardex"),
              "select count_big(*) as filas from dbo.kardex with (tablockx, holdlock)");
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
        auto fila = [&r](std::vector<std::string> campos, std::vector<std::vector<db::Valor>> filas) {
            db::Recordset rs;
            for (auto& c : campos) {
                rs.Campos.push_back({c, 0});
            }
            rs.Filas = std::move(filas);
            r.Registros = std::move(rs);
        };
        auto empieza = [&sql](const char* p) { return sql.rfind(p, 0) == 0; };
        // Las cuentas: la tabla al tomar el candado, la copia y lo que sale por el índice, la tabla repuesta,
        // y lo que la transacción pregunta al servidor.
        const std::tuple<const char*, const char*, std::string> cuentas[] = {
            {"with (tablockx, holdlock)", "filas", "100"},
            {"as filas from orvalo_temp", "filas", "40"},
            {"as filas from transacciones where", "filas", "60"},
            {"as filas from kardex where", "filas", "60"},
            {"as filas from (select top", "filas", "40"},
            {"select count_big(*) as filas from dbo.", "filas", repuestas},
            {sqlserver::kTransaccionesAbiertas, "abiertas", abiertas},
            {"select count(*) as indices", "indices", conIndice ? "1" : "0"},
            {"select count(*) as llaves", "llaves", referenciada ? "1" : "0"}};
        const auto cuenta = std::find_if(std::begin(cuentas), std::end(cuentas), [&sql](const auto& c) {
            return sql.find(std::get<0>(c)) != std::string::npos;
        });
        if (empieza("select ident_current")) {
            fila({"actual", "incremento"}, {{identidad ? db::Valor(std::to_string(*identidad)) : db::Valor(),
                                             std::to_string(incremento)}});
        } else if (cuenta != std::end(cuentas)) {
            fila({std::get<1>(*cuenta)}, {{std::get<2>(*cuenta)}});
        } else if (empieza("delete from")) {
            r.FilasAfectadas = {borradas};
        } else if (empieza("select name, is_disabled from sys.triggers")) {
            std::vector<std::vector<db::Valor>> filas;
            for (const auto& [nombre, apagado] : disparadores) {
                filas.push_back({nombre, apagado ? "1" : "0"});
            }
            fila({"name", "is_disabled"}, filas);
        } else if (empieza("alter table dbo.")) {
            disparadores[sql.substr(sql.find('[') + 1, sql.size() - sql.find('[') - 2)] =
                sql.find(" disable ") != std::string::npos;
        } else if (sql == sqlserver::kComienza) {
            alComenzar = disparadores;
        } else if (sql == "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION" && deshaceDisparadores) {
            disparadores = alComenzar;
        } else if (empieza("insert into") || empieza(" SET IDENTITY_INSERT") ||
                   empieza("alter table kardex")) {
            for (auto& d : disparadores) {
                d.second = d.second && !empieza("alter table kardex"); // el lote acaba con enable trigger all
            }
            identidad =
                tras ? tras : identidad; // tras reponer, el contador queda donde lo dejó la reposición
            r.FilasAfectadas = {-1, 40, -1};
        }
        return r;
    }
    std::string DefaultDatabase() override { return "Planta"; }

    std::vector<std::string> lotes;
    int fallaEn = 0;
    std::optional<long long> identidad = 5000, tras;
    long long incremento = 1;
    std::string abiertas = "1", repuestas = "40";
    long long borradas = 60;
    bool conIndice = true, referenciada = false, deshaceDisparadores = true;
    std::map<std::string, bool> disparadores, alComenzar; // nombre → deshabilitado

    bool Grabo(const std::string& lote) const { return Posicion(lote) < lotes.size(); }
    size_t Posicion(const std::string& lote) const {
        return static_cast<size_t>(std::find(lotes.begin(), lotes.end(), lote) - lotes.begin());
    }
};

class DialectoSqlServerPrueba : public ::testing::Test {
protected:
    DialectoSqlServer dialecto;
    SesionGrabada cn;
    const TablaDatos transacciones{"transacciones", "fechayhora"};
    const TablaDatos kardex{"kardex", "fecha"};
    CuentaDepuracion Depura(SesionGrabada& s, Estrategia e, const TablaDatos* t = nullptr) {
        const TablaDatos& tabla = t ? *t : transacciones;
        return dialecto.DepuraTabla(s, tabla, kPrimerTrimestre,
                                    dialecto.Sentencia(s,
                                                       tabla.Tabla == "kardex" ? "KARDEX" : "TRANSACCIONES",
                                                       "[id],[fechayhora]", ""),
                                    e);
    }
};

// Lo que la transacción tiene que cumplir, no su lista entera: el candado antes de todo, la copia contada
// antes de vaciar, el contador resembrado tras vaciar y revisado tras reponer, y COMMIT al final.
TEST_F(DialectoSqlServerPrueba, UnaTablaEsUnaTransaccionConElCandadoPrimeroYConfirmaAlFinal) {
    const auto c = Depura(cn, Estrategia::Copia);
    EXPECT_EQ(c.Antes, 100);
    EXPECT_EQ(c.Conservadas, 40);
    EXPECT_EQ(cn.lotes[2], sqlserver::Bloquea("transacciones")) << "el candado, justo tras BEGIN";
    const std::vector<std::string> enOrden{
        sqlserver::Copia(transacciones, kPrimerTrimestre),
        "select count_big(*) as filas from orvalo_temp.dbo.transacciones", "truncate table transacciones",
        "DBCC CHECKIDENT ('dbo.transacciones', RESEED, 5001)",
        dialecto.Sentencia(cn, "TRANSACCIONES", "[id],[fechayhora]", "").Partes[0]};
    for (size_t i = 1; i < enOrden.size(); ++i) {
        EXPECT_LT(cn.Posicion(enOrden[i - 1]), cn.Posicion(enOrden[i])) << enOrden[i];
    }
    EXPECT_EQ(cn.lotes.back(), "COMMIT TRANSACTION");
    // checadas con identidad se repone con IDENTITY_INSERT alrededor del lote, que queda como está.
    EXPECT_EQ(dialecto.Sentencia(cn, "CHECADAS", "[id]", "").Partes,
              (std::vector<std::string>{"SET IDENTITY_INSERT dbo.checadas on",
                                        sqlserver::SentenciaDeClave("CHECADAS", "[id]", ""),
                                        "SET IDENTITY_INSERT dbo.checadas off"}));
}

TEST_F(DialectoSqlServerPrueba, UnaFallaEnCualquierPuntoDeshaceYNuncaConfirma) {
    for (const Estrategia e : {Estrategia::Copia, Estrategia::Borrado}) {
        SesionGrabada completa;
        Depura(completa, e);
        const int lotes = static_cast<int>(completa.lotes.size());
        for (int falla = 1; falla <= lotes; ++falla) {
            SesionGrabada otra;
            otra.fallaEn = falla;
            EXPECT_THROW(Depura(otra, e), db::ErrorBD) << falla;
            EXPECT_EQ(otra.lotes.at(static_cast<size_t>(falla)), "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION")
                << falla;
            EXPECT_EQ(std::count(otra.lotes.begin(), otra.lotes.end(), "COMMIT TRANSACTION"),
                      falla == lotes ? 1 : 0)
                << "solo el COMMIT que falló";
        }
    }
    struct Caso {
        const char* nombre;
        Estrategia e;
        std::string abiertas, repuestas;
        long long borradas;
        bool referenciada = false; // con llaves que apuntan a la tabla, un borrado en cascada
    };
    // Los disparadores quedan como estaban, lo devuelva el servidor al deshacer o no: el deshabilitado
    // sigue así.
    const std::map<std::string, bool> iguales{{"alta", false}, {"baja", true}};
    bool deshace = false;
    for (const Caso& c :
         std::vector<Caso>{{"el servidor ya terminó la transacción", Estrategia::Copia, "0", "40", 60},
                           {"la tabla no vuelve a tener las 40", Estrategia::Copia, "1", "39", 60},
                           {"el DELETE dice otra cuenta", Estrategia::Borrado, "1", "40", 59},
                           {"la cascada se llevó una de más", Estrategia::Borrado, "1", "39", 60, true}}) {
        SesionGrabada s;
        s.abiertas = c.abiertas;
        s.repuestas = c.repuestas;
        s.borradas = c.borradas;
        s.referenciada = c.referenciada;
        s.disparadores = iguales;
        s.deshaceDisparadores = deshace = !deshace;
        EXPECT_THROW(Depura(s, c.e), db::ErrorBD) << c.nombre;
        EXPECT_FALSE(s.Grabo("COMMIT TRANSACTION")) << c.nombre;
        EXPECT_EQ(s.disparadores, iguales) << c.nombre;
    }
}

// Una identidad que cuenta hacia abajo: la siembra y la revisión siguen su sentido.
TEST_F(DialectoSqlServerPrueba, IdentidadConIncrementoNegativo) {
    cn.identidad = -500;
    cn.incremento = -1;
    cn.tras = -300; // tras reponer el contador quedó en valores ya usados
    Depura(cn, Estrategia::Copia);
    EXPECT_TRUE(cn.Grabo("DBCC CHECKIDENT ('dbo.transacciones', RESEED, -501)"));
    EXPECT_TRUE(cn.Grabo("DBCC CHECKIDENT ('dbo.transacciones', RESEED, -500)"));
}

// Ningún disparador de la tabla se dispara mientras se depura, y cada uno termina como empezó: el
// deshabilitado por el DBA sigue así aunque el lote de kardex los habilite todos.
TEST_F(DialectoSqlServerPrueba, LosDisparadoresNoSeDisparanYQuedanComoEstaban) {
    const std::map<std::string, bool> iguales{{"kardex_alta", false}, {"kardex_baja", true}};
    for (const Estrategia e : {Estrategia::Copia, Estrategia::Borrado}) {
        SCOPED_TRACE(NombreEstrategia(e));
        SesionGrabada s;
        s.identidad.reset();
        s.disparadores = iguales;
        Depura(s, e, &kardex);
        const auto toca =
            std::min(s.Posicion("truncate table kardex"),
                     s.Posicion("delete from kardex where fecha >= { d '2024-01-01'} and fecha < { "
                                "d'2024-04-01'}"));
        EXPECT_LT(s.Posicion("alter table dbo.kardex disable trigger [kardex_alta]"), toca)
            << "se apaga antes de tocar la tabla";
        // Al borrar se vuelve a prender; copiando lo prende el lote de kardex y el del DBA se vuelve a
        // apagar.
        EXPECT_LT(s.Posicion(e == Estrategia::Borrado
                                 ? "alter table dbo.kardex enable trigger [kardex_alta]"
                                 : "alter table dbo.kardex disable trigger [kardex_baja]"),
                  s.Posicion("COMMIT TRANSACTION"));
        EXPECT_EQ(s.disparadores, iguales);
    }
}

// La regla de la estrategia: el umbral incluido, con índice de fecha y sin él, y lo que obliga a borrar.
TEST(ReglaDeEstrategia, UmbralIncluidoIndiceLlavesEIdentidad) {
    const DialectoSQLite sqlite;
    const DialectoSqlServer sqlserver;
    struct Caso {
        const DialectoDepuracion& d;
        Estrategia pedida;
        CostoTabla costo;
        std::optional<Estrategia> esperada; // nada: se rechaza
    };
    constexpr auto B = Estrategia::Borrado, C = Estrategia::Copia, A = Estrategia::Auto;
    const std::vector<Caso> casos{
        {sqlite, A, {100, 85, true}, B},
        {sqlite, A, {100, 86, true}, C},
        {sqlite, A, {100, 70, false}, B},
        {sqlite, A, {100, 71, false}, C},
        {sqlserver, A, {100, 50, true}, B},
        {sqlserver, A, {100, 51, false}, C},
        {sqlite, A, {0, 0, true}, B},
        {sqlite, C, {100, 1, true}, C},
        {sqlite, B, {100, 99, true}, B},
        {sqlite, A, {100, 99, true, true}, B},
        {sqlite, C, {100, 99, true, true}, std::nullopt},
        {sqlserver, A, {100, 99, true, false, false}, B},
        {sqlserver, C, {100, 99, true, false, false}, std::nullopt},
    };
    for (size_t i = 0; i < casos.size(); ++i) {
        const auto& c = casos[i];
        if (c.esperada) {
            EXPECT_EQ(c.d.Elige(c.pedida, c.costo, "kardex"), *c.esperada) << i;
        } else {
            EXPECT_THROW(c.d.Elige(c.pedida, c.costo, "kardex"), db::ErrorBD) << i;
        }
    }
    EXPECT_FALSE(sqlserver.CopiaAdmiteIdentidad("bitacora", true));
    EXPECT_FALSE(sqlserver.CopiaAdmiteIdentidad("transacciones", false));
    EXPECT_TRUE(sqlserver.CopiaAdmiteIdentidad("checadas", true));
}

// Un servidor que no es SQL Server ni SQLite no recibe las sentencias de SQL Server.
TEST(DialectoDeLaConexion, UnServidorDesconocidoSeRechazaNombrandoloComoSeNombra) {
    EXPECT_NE(dynamic_cast<DialectoSqlServer*>(DialectoPara(db::Dialecto::SqlServer, "").get()), nullptr);
    EXPECT_EQ(db::ErrorDe([] { DialectoPara(db::Dialecto::Otro, "PostgreSQL"); }).Descripcion,
              "El servidor se identifica como \"PostgreSQL\"; solo se depuran bases de SQL Server y SQLite.");
}
