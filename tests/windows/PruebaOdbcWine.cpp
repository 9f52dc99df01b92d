// El acceso a datos de Windows por las funciones W de ODBC, bajo wine: su odbc32 pasa las W al
// unixODBC del anfitrión y a su driver SQLite3 (las A abortarían el proceso).
#include "apoyo/CarpetaTemporal.h"
#include "apoyo/ErrorDe.h"
#include "db/CadenaConexion.h"
#include "db/Conexion.h"
#include "db/TextoOdbc.h"
#include "windows/ApoyoWine.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace ov;
using namespace ov::db;

TEST(FronteraUtf16, IdaYVueltaConAcentosYParesSustitutos) {
    const std::string texto = "Depuración Ñuñoa € 𝄞";
    const std::wstring ancho = Utf16DeUtf8(texto);
    EXPECT_EQ(ancho, L"Depuración Ñuñoa € \xD834\xDD1E");
    EXPECT_EQ(Utf8DeUtf16(ancho.data(), ancho.size()), texto);
    EXPECT_EQ(Utf16DeUtf8(""), L"");
}

class OdbcWine : public testing::Test {
protected:
    void SetUp() override {
        prueba::EscribeArchivo(carpeta_ / "Orvalo_Planta.db", ""); // una base vacía: Open no crea bases
        unix_ = prueba::RutaUnix(carpeta_ / "Orvalo_Planta.db");
        ASSERT_FALSE(unix_.empty()) << "estas pruebas corren bajo wine";
    }
    std::string Cadena() const { return "Driver=SQLite3;Database=" + unix_; }

    prueba::CarpetaTemporal carpeta_;
    std::string unix_;
};

TEST_F(OdbcWine, DriversConectaEjecutaYLeeTextosConAcentos) {
    const auto drivers = DriversInstalados();
    EXPECT_NE(std::find(drivers.begin(), drivers.end(), "SQLite3"), drivers.end());

    Conexion cn;
    cn.Open(Cadena());
    EXPECT_EQ(cn.NombreDBMS(), "SQLite");
    EXPECT_EQ(cn.DefaultDatabase(), "Orvalo_Planta");
    cn.Execute("create table bitácora (año varchar(18), descripción text)");
    // Más largo que un trozo de lectura (2047 caracteres), con una "ñ" justo en el borde. (El driver
    // SQLite del anfitrión no convierte bien los pares sustitutos: eso lo prueba FronteraUtf16.)
    const std::string largo = std::string(2046, 'x') + "ñ" + std::string(3000, 'y') + "Ñ";
    cn.Execute("insert into bitácora values ('Depuración', '" + largo + "')");
    cn.Execute("insert into bitácora values (null, 'Ñuñoa')");

    const Resultado r = cn.Execute("select año, descripción from bitácora order by año desc");
    ASSERT_TRUE(r.Registros);
    const Recordset& rs = *r.Registros;
    ASSERT_EQ(rs.Campos.size(), 2u);
    EXPECT_EQ(rs.Campos[0].Name, "año");
    EXPECT_EQ(rs.Campos[0].DefinedSize, 18);
    EXPECT_EQ(rs.Campos[1].Name, "descripción");
    ASSERT_EQ(rs.Filas.size(), 2u);
    EXPECT_EQ(rs.Filas[0][0], "Depuración");
    EXPECT_EQ(rs.Filas[0][1], largo);
    EXPECT_EQ(rs.Filas[1][0], std::nullopt);
    EXPECT_EQ(rs.Filas[1][1], "Ñuñoa");

    const auto tablas = cn.Tablas();
    EXPECT_NE(std::find(tablas.begin(), tablas.end(), "bitácora"), tablas.end());

    // Los diagnósticos llegan por SQLGetDiagRecW, con el texto del driver en UTF-8.
    const ErrorBD e = ErrorDe([&] { cn.Execute("select * from tabla_que_no_está"); });
    EXPECT_EQ(e.Fuente, "[SQLite]") << e.Descripcion;
    EXPECT_NE(e.Descripcion.find("tabla_que_no_está"), std::string::npos) << e.Descripcion;
    cn.Close();
}

TEST_F(OdbcWine, UnDriverQueNoExisteFallaConElDiagnosticoDelGestorYSinLaContrasena) {
    Conexion cn;
    const ErrorBD e = ErrorDe([&] { cn.Open("Driver=NoExisteEsteDriver;UID=sa;PWD=Secreta123"); });
    EXPECT_EQ(e.Fuente, "[unixODBC][Driver Manager]");
    EXPECT_NE(e.Descripcion.find("NoExisteEsteDriver"), std::string::npos) << e.Descripcion;
    EXPECT_EQ(e.Descripcion.find("Secreta123"), std::string::npos);
    EXPECT_FALSE(cn.Abierta());
}
