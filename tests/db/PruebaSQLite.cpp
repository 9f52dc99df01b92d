#include "apoyo/CarpetaTemporal.h"
#include "db/CadenaConexion.h"

#include <gtest/gtest.h>

#include <chrono>

namespace ov::db {
namespace {

// Cada prueba con su base SQLite en su carpeta, por el driver ODBC real.
class SQLite : public testing::Test {
protected:
    void SetUp() override { cn.Open(Cadena()); }
    std::string Cadena(const std::string& extra = {}) const {
        return "Driver=SQLite3;Database=" + (carpeta / "Orvalo_Planta.db").string() + extra;
    }
    long long Cuenta(Conexion& c, const std::string& tabla) {
        return std::stoll(*c.Execute("select count(*) as n from " + tabla).Registros->Primero("n"));
    }
    prueba::CarpetaTemporal carpeta;
    Conexion cn;
};

TEST_F(SQLite, ErrorEnLaSegundaSentenciaEsErrorDelLote) {
    cn.Execute("create table t(x int)");
    // Con DML el driver rechaza el lote entero y no ejecuta nada.
    try {
        cn.Execute("insert into t values(1); insert into t values(2)");
        FAIL() << "el lote de dos sentencias se dio por bueno";
    } catch (const ErrorBD& e) {
        EXPECT_EQ(e.Descripcion, "only one SQL statement allowed");
        EXPECT_EQ(e.Fuente, "[SQLite]");
    }
    EXPECT_EQ(Cuenta(cn, "t"), 0);
    // Un lote que empieza con DDL sí corre sentencia a sentencia: la primera queda hecha y el
    // error de la segunda es error del lote.
    try {
        cn.Execute("create table checadas(x int); select * from nada");
        FAIL() << "el error de la segunda sentencia se perdió";
    } catch (const ErrorBD& e) {
        EXPECT_EQ(e.Descripcion, "no such table: nada (1)");
    }
    EXPECT_EQ(cn.Tablas(), (std::vector<std::string>{"t", "checadas"}));
}

TEST_F(SQLite, CamposTamanoDeclaradoNulosYTextoLargo) {
    cn.Execute("create table bitacora(id integer, texto varchar(18), largo text)");
    const std::string largo(10000, 'x');
    EXPECT_EQ(cn.Execute("insert into bitacora values(1, 'abc', '" + largo + "')").FilasAfectadas,
              std::vector<long long>{1});
    cn.Execute("insert into bitacora values(2, null, null)");
    const Resultado r = cn.Execute("select texto, largo, id from bitacora order by id");
    ASSERT_TRUE(r.Registros);
    const Recordset& rs = *r.Registros;
    EXPECT_FALSE(rs.Bof());
    EXPECT_EQ(rs.CampoLlamado("TEXTO").DefinedSize, 18);
    EXPECT_EQ(rs.Campos[2].Name, "id");
    ASSERT_EQ(rs.Filas.size(), 2u);
    EXPECT_EQ(rs.Filas[0][0], Valor("abc"));
    EXPECT_EQ(rs.Filas[0][1], Valor(largo)); // leído por trozos
    EXPECT_EQ(rs.Filas[1][0], std::nullopt);
    EXPECT_EQ(rs.Filas[1][1], std::nullopt);
    // Un resultado sin filas tiene campos y queda en BOF y EOF.
    const Resultado vacio = cn.Execute("select min(id) as menor from bitacora where id > 5");
    EXPECT_EQ(vacio.Registros->Primero("menor"), std::nullopt);
    EXPECT_TRUE(cn.Execute("select * from bitacora where id > 5").Registros->Eof());
}

TEST_F(SQLite, CatalogoBaseYErrores) {
    cn.Execute("create table Transacciones(id integer primary key)");
    cn.Execute("create table checadas(fechayhora varchar(19))");
    cn.Execute("create view vista as select * from checadas");
    EXPECT_EQ(cn.Tablas(), (std::vector<std::string>{"Transacciones", "checadas"}));
    EXPECT_EQ(cn.DefaultDatabase(), "Orvalo_Planta");
    EXPECT_EQ(cn.NombreDBMS(), "SQLite");
    EXPECT_EQ(cn.dialecto(), Dialecto::SQLite);
    try {
        cn.Execute("select min(fecha) as menor from kardex");
        FAIL();
    } catch (const ErrorBD& e) {
        EXPECT_EQ(e.Numero, 1); // SQLITE_ERROR
        EXPECT_EQ(e.Fuente, "[SQLite]");
        EXPECT_EQ(e.Descripcion, "no such table: kardex (1)");
        EXPECT_EQ(e.Estado, "HY000");
    }
    // Como en ADO: abrir lo abierto y cerrar lo cerrado son errores.
    EXPECT_THROW(cn.Open(Cadena()), ErrorBD);
    cn.Close();
    EXPECT_FALSE(cn.Abierta());
    EXPECT_THROW(cn.Close(), ErrorBD);
    EXPECT_THROW(cn.Execute("select 1"), ErrorBD);
    cn.Open(Cadena());
    EXPECT_TRUE(cn.Abierta());
}

TEST_F(SQLite, BaseTemporalAdjuntaYCopiaConCreateTableAs) {
    cn.Execute("create table kardex(id integer, fecha varchar(10))");
    cn.Execute("insert into kardex values(1, '2023-12-31')");
    cn.Execute("insert into kardex values(2, '2024-02-01')");
    cn.Execute("ATTACH DATABASE '" + (carpeta / "orvalo_temp.db").string() + "' AS orvalo_temp");
    cn.Execute("CREATE TABLE orvalo_temp.kardex AS SELECT * FROM kardex WHERE fecha < '2024-01-01'");
    EXPECT_EQ(Cuenta(cn, "orvalo_temp.kardex"), 1);
    EXPECT_TRUE(std::filesystem::exists(carpeta / "orvalo_temp.db"));
    // La copia no conserva el tipo declarado: el texto queda con el tamaño genérico.
    EXPECT_NE(cn.Execute("select fecha from orvalo_temp.kardex").Registros->Campos[0].DefinedSize, 10);
}

TEST_F(SQLite, InsertSelectDaLasFilasInsertadas) {
    cn.Execute("create table checadas(id integer, fechayhora varchar(19))");
    cn.Execute("ATTACH DATABASE '" + (carpeta / "orvalo_temp.db").string() + "' AS orvalo_temp");
    cn.Execute("create table orvalo_temp.checadas(id integer, fechayhora varchar(19))");
    for (int i = 0; i < 3; ++i) {
        cn.Execute("insert into orvalo_temp.checadas values(" + std::to_string(i) +
                   ", '2024-01-01 08:00:00')");
    }
    const Resultado r = cn.Execute("INSERT INTO checadas SELECT * FROM orvalo_temp.checadas");
    EXPECT_EQ(r.FilasAfectadas, std::vector<long long>{3});
    EXPECT_EQ(r.UltimaCuenta(), 3);
    EXPECT_EQ(cn.Execute("delete from checadas where id = 99").UltimaCuenta(), 0);
}

TEST_F(SQLite, BeginExclusiveComoSentenciaBloqueaAOtraConexion) {
    cn.Execute("create table kardex(id integer)");
    cn.Execute("BEGIN EXCLUSIVE");
    cn.Execute("insert into kardex values(1)");
    Conexion otra;
    otra.Open(Cadena(";Timeout=200")); // espera de bloqueo en milisegundos
    try {
        otra.Execute("insert into kardex values(2)");
        FAIL() << "otra conexión escribió durante BEGIN EXCLUSIVE";
    } catch (const ErrorBD& e) {
        EXPECT_NE(e.Descripcion.find("locked"), std::string::npos) << e.Descripcion;
    }
    cn.Execute("COMMIT");
    otra.Execute("insert into kardex values(3)");
    EXPECT_EQ(Cuenta(cn, "kardex"), 2);
}

TEST_F(SQLite, ComienzaConfirmaYDeshace) {
    cn.Execute("create table bitacora(id integer)");
    cn.Comienza();
    cn.Execute("insert into bitacora values(1)");
    cn.Deshace();
    EXPECT_EQ(Cuenta(cn, "bitacora"), 0);
    cn.Comienza();
    cn.Execute("insert into bitacora values(2)");
    cn.Confirma();
    Conexion otra;
    otra.Open(Cadena());
    EXPECT_EQ(Cuenta(otra, "bitacora"), 1);
    // De vuelta en autocommit: lo siguiente se ve sin confirmar.
    cn.Execute("insert into bitacora values(3)");
    EXPECT_EQ(Cuenta(otra, "bitacora"), 2);
}

TEST_F(SQLite, EscapesDeFechaConYSinBlanco) {
    cn.Execute("create table kardex(id integer, fecha varchar(19))");
    const char* filas[] = {"'2023-12-31'", "'2024-01-01'", "'2024-03-31'",
                           "'2024-04-01'", "'2024-04-02'", "null"};
    for (int i = 0; i < 6; ++i) {
        cn.Execute("insert into kardex values(" + std::to_string(i) + ", " + filas[i] + ")");
    }
    // El texto exacto que se guarda para kardex, del 2024-01-01 al 2024-03-31.
    const Resultado r = cn.Execute(
        "select id from kardex where fecha < { d '2024-01-01'} or fecha > { d'2024-04-01'} order by id");
    ASSERT_EQ(r.Registros->Filas.size(), 2u);
    EXPECT_EQ(r.Registros->Filas[0][0], Valor("0"));
    EXPECT_EQ(r.Registros->Filas[1][0], Valor("4"));
    // Con fecha y hora en texto, la medianoche del día siguiente es mayor que la fecha sola.
    cn.Execute("insert into kardex values(9, '2024-04-01 00:00:00')");
    EXPECT_EQ(Cuenta(cn, "kardex where fecha > { d'2024-04-01'}"), 2);
}

} // namespace
} // namespace ov::db
