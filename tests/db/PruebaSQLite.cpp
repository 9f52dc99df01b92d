#include "apoyo/CarpetaTemporal.h"
#include "apoyo/ErrorDe.h"
#include "db/CadenaConexion.h"
#include "db/Conexion.h"
#include "db/TextoOdbc.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace ov::db {
namespace {

// Cada prueba con su base SQLite en su carpeta, por el driver ODBC real.
class SQLite : public testing::Test {
protected:
    void SetUp() override {
        prueba::EscribeArchivo(carpeta / "Orvalo_Planta.db", ""); // abrir nunca crea la base
        cn.Open(Cadena());
    }
    std::string Cadena(const std::string& extra = {}) const {
        return "Driver=SQLite3;Database=" + (carpeta / "Orvalo_Planta.db").string() + extra;
    }
    static std::string Cuenta(Conexion& c, const std::string& tabla) {
        return *c.Execute("select count(*) as n from " + tabla).Registros->Primero("n");
    }
    prueba::CarpetaTemporal carpeta;
    Conexion cn;
};

// Nombres con acentos (en Windows van por las funciones W) y un texto más largo que un trozo de lectura
// (2047 caracteres) con una "ñ" justo en el borde. Que un error en la segunda sentencia de un lote sea
// error del lote lo prueba ServidorTsql.ConexionBaseActualYErroresYAvisosDelLote.
TEST_F(SQLite, CatalogoCamposNulosTextoLargoConAcentosYErrores) {
    const auto drivers = DriversInstalados();
    EXPECT_NE(std::find(drivers.begin(), drivers.end(), "SQLite3"), drivers.end());
    cn.Execute("create table bitácora(id integer, año varchar(18), descripción text)");
    cn.Execute("create table Transacciones(id integer primary key)");
    cn.Execute("create view vista as select * from bitácora");
    const std::string largo = std::string(2046, 'x') + "ñ" + std::string(3000, 'y') + "Ñ";
    cn.Execute("insert into bitácora values(1, 'Ñuñoa', '" + largo + "'), (2, null, null)");
    const Recordset rs = *cn.Execute("select año, descripción, id from bitácora order by id").Registros;
    EXPECT_EQ(rs.CampoLlamado("AñO").DefinedSize, 18);
    EXPECT_EQ(rs.Campos[1].Name, "descripción");
    EXPECT_EQ(rs.Filas, (std::vector<std::vector<Valor>>{{Valor("Ñuñoa"), Valor(largo), Valor("1")},
                                                         {std::nullopt, std::nullopt, Valor("2")}}));
    EXPECT_EQ(cn.Tablas(), (std::vector<std::string>{"bitácora", "Transacciones"}));
    EXPECT_EQ(cn.DefaultDatabase(), "Orvalo_Planta");
    EXPECT_EQ(cn.dialecto(), Dialecto::SQLite);
    // Un resultado sin filas tiene campos y queda en EOF; MIN de nada es Null.
    EXPECT_TRUE(cn.Execute("select * from bitácora where id > 5").Registros->Eof());
    EXPECT_EQ(cn.Execute("select min(id) as m from bitácora where id > 5").Registros->Primero("m"),
              std::nullopt);
    const ErrorBD e = ErrorDe([&] { cn.Execute("select min(fecha) as menor from kardex_no_está"); });
    EXPECT_EQ(e.Numero, 1); // SQLITE_ERROR
    EXPECT_EQ(e.Fuente, "[SQLite]");
    EXPECT_EQ(e.Descripcion,
              "no such table: kardex_no_está"); // sin el " (1)" del driver: el número va aparte
    // Como en ADO: abrir lo abierto y usar lo cerrado son errores.
    EXPECT_THROW(cn.Open(Cadena()), ErrorBD);
#ifdef _WIN32
    // Fuera del plano básico: en UTF-16, un par sustituto.
    const std::wstring ancho = Utf16DeUtf8("Ñ € 𝄞");
    EXPECT_EQ(ancho, L"Ñ € \xD834\xDD1E");
    EXPECT_EQ(Utf8DeUtf16(ancho.data(), ancho.size()), "Ñ € 𝄞");
#endif
    cn.Close();
    EXPECT_THROW(cn.Execute("select 1"), ErrorBD);
}

// Lo que la depuración da por hecho: base adjunta, copia con CREATE TABLE AS, cuenta de
// INSERT…SELECT, escapes de fecha contra fechas guardadas como texto y transacciones.
TEST_F(SQLite, AdjuntaCopiaCuentaEscapesDeFechaYTransacciones) {
    cn.Execute("create table kardex(id integer, fecha varchar(19))");
    cn.Execute("insert into kardex values(0, '2023-12-31'), (1, '2024-01-01'), (2, '2024-03-31'), "
               "(3, '2024-04-01'), (4, '2024-04-02'), (5, null), (6, '2024-04-01 00:00:00')");
    // El texto exacto que se guarda para kardex; la medianoche con hora es mayor que la fecha sola.
    const auto fuera = cn.Execute("select id from kardex where fecha < { d '2024-01-01'} or "
                                  "fecha > { d'2024-04-01'} order by id");
    EXPECT_EQ(fuera.Registros->Filas,
              (std::vector<std::vector<Valor>>{{Valor("0")}, {Valor("4")}, {Valor("6")}}));

    cn.Execute("ATTACH DATABASE '" + (carpeta / "orvalo_temp.db").string() + "' AS orvalo_temp");
    cn.Execute("CREATE TABLE orvalo_temp.kardex AS SELECT * FROM kardex WHERE fecha < '2024-04-01'");
    EXPECT_TRUE(std::filesystem::exists(carpeta / "orvalo_temp.db"));
    EXPECT_EQ(cn.Execute("INSERT INTO kardex SELECT * FROM orvalo_temp.kardex").FilasAfectadas,
              std::vector<long long>{3});
    EXPECT_EQ(cn.Execute("delete from kardex where id = 99").UltimaCuenta(), 0);

    // Lo deshecho no queda; lo confirmado sí. BEGIN EXCLUSIVE deja fuera a otro escritor hasta confirmar.
    Conexion otra;
    otra.Open(Cadena(";Timeout=200")); // espera de bloqueo en milisegundos
    cn.Comienza();
    cn.Execute("delete from kardex");
    cn.Deshace();
    cn.Comienza();
    cn.Execute("delete from kardex where id < 3");
    cn.Confirma();
    EXPECT_EQ(Cuenta(otra, "kardex"), "4");
    cn.Execute("BEGIN EXCLUSIVE");
    cn.Execute("delete from kardex where id = 3");
    const ErrorBD e = ErrorDe([&] { otra.Execute("delete from kardex where id = 4"); });
    EXPECT_NE(e.Descripcion.find("locked"), std::string::npos) << e.Descripcion;
    cn.Execute("COMMIT");
    otra.Execute("delete from kardex where id = 5");
    EXPECT_EQ(Cuenta(cn, "kardex"), "2");
}

} // namespace
} // namespace ov::db
