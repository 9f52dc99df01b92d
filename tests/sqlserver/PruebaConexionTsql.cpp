// El acceso a datos contra un servidor T-SQL de verdad, por FreeTDS (o el driver de la cadena dada).
#include "apoyo/CarpetaTemporal.h"
#include "apoyo/ErrorDe.h"
#include "apoyo/ServidorTsql.h"
#include "connections/ArchivoReg.h"
#include "connections/modNalvora.h"
#include "db/CadenaConexion.h"
#include "db/Espera.h"
#include "db/SqlServer.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace ov;
using namespace ov::prueba;

namespace {

using db::ErrorDe;

// La cadena del producto (OLE DB) que apunta al mismo servidor, si la de pruebas dice servidor y puerto.
std::string CadenaOleDb(const std::string& base) {
    const std::string odbc = ServidorDePruebas().Cadena;
    const std::string servidor = db::ValorDeClave(odbc, "Server"), puerto = db::ValorDeClave(odbc, "Port");
    if (servidor.empty() || puerto.empty()) {
        return {};
    }
    return "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=" + db::ValorDeClave(odbc, "UID") +
           ";Password=" + db::ValorDeClave(odbc, "PWD") + ";Initial Catalog=" + base +
           ";Data Source=" + servidor + "," + puerto;
}

} // namespace

// Se abre en la base que nombra la cadena, ODBC o la OLE DB del producto traducida a FreeTDS; una base que
// no existe nunca deja la conexión abierta en otra (la del inicio de sesión).
TEST(ServidorTsql, ConexionLotesYSesionDelPrograma) {
    OV_EXIGE_SERVIDOR_TSQL();
    BaseTsql b;
    for (const std::string& cadena : {b.Cadena(), CadenaOleDb(b.Nombre())}) {
        if (cadena.empty()) {
            continue;
        }
        db::Conexion cn;
        cn.Open(cadena);
        EXPECT_EQ(cn.NombreDBMS(), "Microsoft SQL Server");
        EXPECT_EQ(cn.dialecto(), db::Dialecto::SqlServer);
        EXPECT_EQ(cn.DefaultDatabase(), b.Nombre());
    }
    db::Conexion cn;
    EXPECT_FALSE(ErrorDe([&] {
                     cn.Open(ServidorDePruebas().Cadena + ";Database=ovp_no_existe_nunca");
                 }).Descripcion.empty());
    EXPECT_FALSE(cn.Abierta());

    // Cada resultado del lote se agota: un error en la segunda o tercera sentencia es error del lote,
    // y los avisos (PRINT, DBCC) de todos los resultados llegan, sin contar como error.
    b.Ejecuta("CREATE TABLE t (id int PRIMARY KEY)");
    const auto avisos =
        b.cn().Execute("PRINT 'uno'\r\nSELECT 1 AS x\r\nPRINT 'dos'\r\nINSERT INTO t VALUES (1)");
    EXPECT_EQ(avisos.Mensajes, (std::vector<std::string>{"uno", "dos"}));
    EXPECT_EQ(avisos.UltimaCuenta(), 1);

    const auto segunda = ErrorDe([&] { b.Ejecuta("INSERT INTO t VALUES (2)\r\nINSERT INTO t VALUES (2)"); });
    EXPECT_EQ(segunda.Numero, 2627) << segunda.Descripcion; // violación de la clave primaria
    EXPECT_EQ(segunda.Fuente.find("[ovNalvora]"), std::string::npos);
    const auto tercera =
        ErrorDe([&] { b.Ejecuta("SELECT 1\r\nPRINT 'antes'\r\nSELECT * FROM no_existe_esta_tabla"); });
    // Invalid object name es el 208; Babelfish da su número genérico 33557097 con el texto de PostgreSQL.
    EXPECT_EQ(tercera.Numero, ServidorDePruebas().Babelfish ? 33557097 : 208) << tercera.Descripcion;
    EXPECT_NE(tercera.Descripcion.find("no_existe_esta_tabla"), std::string::npos);
    EXPECT_EQ(b.Cuenta("SELECT COUNT(*) FROM t"), 2) << "lo que corrió antes del error queda hecho";

    // La sesión que abre el programa lee 'aaaa-mm-dd' año-mes-día aunque el inicio de sesión esté en
    // día-mes-año (uno en español): FreeTDS manda { d '…'} como texto. Y cuenta las filas de cada lote aunque
    // las opciones de usuario del servidor enciendan NOCOUNT: sin cuenta, cada reposición fallaría.
    b.Ejecuta("CREATE TABLE kardex (fecha datetime)\r\nCREATE TABLE origen (id int, x varchar(5))\r\n"
              "CREATE TABLE destino (id int IDENTITY(1,1) PRIMARY KEY, x varchar(5))\r\n"
              "INSERT INTO origen VALUES (1, 'a'), (2, 'b'), (3, 'c')");
    const std::string lote =
        " SET IDENTITY_INSERT dbo.destino on\r\ninsert into dbo.destino ( [id],[x] ) select * "
        "from origen t \r\n SET IDENTITY_INSERT dbo.destino off";
    b.Ejecuta("SET DATEFORMAT dmy\r\nSET NOCOUNT ON");
    // Sin cuenta que leer: -1, o 0 como da Babelfish.
    EXPECT_LE(b.cn().Execute(lote).UltimaCuenta(), 0) << "con NOCOUNT no hay cuenta que leer";
    b.Ejecuta("DELETE FROM destino");
    db::PreparaSqlServer([&](const std::string& sql) { return b.cn().Execute(sql); }, b.Nombre());
    EXPECT_EQ(b.cn().Execute(lote).UltimaCuenta(), 3);
    b.Ejecuta("INSERT INTO kardex VALUES ({ d '2025-04-03'}), ({ts '2025-12-01 23:59:59'})");
    EXPECT_EQ(b.Filas("SELECT MONTH(fecha), DAY(fecha) FROM kardex ORDER BY fecha"),
              (std::vector<std::string>{"4|3", "12|1"}));
    EXPECT_EQ(
        b.Cuenta("SELECT COUNT(*) FROM kardex WHERE fecha < { d '2025-04-04'} or fecha > { d'2025-12-01'}"),
        2);
    // Una conexión nueva del programa cuenta aunque el servidor la haya abierto con NOCOUNT.
    db::Conexion nueva;
    nueva.Open(b.Cadena());
    EXPECT_EQ(nueva.Execute("UPDATE destino SET x = x").UltimaCuenta(), 3);
}

// --espera: SET LOCK_TIMEOUT en cada conexión, con lo que queda de la espera de su base; el error de la
// espera agotada es el 1222.
TEST(ServidorTsql, UnaTablaBloqueadaFallaAlAgotarLaEsperaConEl1222) {
    OV_EXIGE_SERVIDOR_TSQL();
    BaseTsql b;
    b.Ejecuta("CREATE TABLE kardex (empleado int)");
    b.Ejecuta("INSERT INTO kardex VALUES (1), (2)");
    db::Conexion otra;
    otra.Open(b.Cadena());
    db::FijaEspera(b.cn(), std::nullopt);
    EXPECT_EQ(b.Valor("SELECT @@LOCK_TIMEOUT"), "-1") << "sin límite";

    // Cada conexión que abre ModNalvora lleva el límite: 60 s si nadie dice otra cosa.
    prueba::CarpetaTemporal tmp;
    prueba::EscribeArchivo(tmp / "orvalo.reg", ArchivoRegCon({{"Planta", b.Cadena()}}));
    ArchivoReg registro(tmp / "orvalo.reg");
    ModNalvora modulo(registro);
    ASSERT_EQ(modulo.AbreConexion("Planta"), 0) << modulo.UltimoError();
    EXPECT_EQ(*modulo.cnBD().Execute("SELECT @@LOCK_TIMEOUT").Registros->Filas.at(0).at(0), "60000");
    modulo.FijaEspera(std::chrono::seconds(2));
    ASSERT_EQ(modulo.AbreConexion("Planta"), 0);
    EXPECT_EQ(*modulo.cnBD().Execute("SELECT @@LOCK_TIMEOUT").Registros->Filas.at(0).at(0), "2000");
    // Lo esperado se descuenta: agotada la espera de la base, la conexión siguiente ya no espera.
    otra.Comienza();
    otra.Execute("UPDATE kardex SET empleado = empleado + 10");
    const auto e = ErrorDe([&] { modulo.cnBD().Execute("TRUNCATE TABLE kardex"); });
    EXPECT_TRUE(db::EsEsperaAgotada(e)) << e.Numero << " " << e.Estado << " " << e.Descripcion;
    EXPECT_EQ(e.Numero, ServidorDePruebas().Babelfish ? 33557097 : 1222);
    ASSERT_EQ(modulo.AbreConexion("Planta"), 0);
    EXPECT_EQ(*modulo.cnBD().Execute("SELECT @@LOCK_TIMEOUT").Registros->Filas.at(0).at(0), "1");
    otra.Deshace();
    EXPECT_EQ(b.Cuenta("SELECT COUNT(*) FROM kardex"), 2) << "la tabla quedó como estaba";
}
