// El acceso a datos de Windows por las funciones W de ODBC, bajo wine: su odbc32 pasa las W al
// unixODBC del anfitrión y a su driver SQLite3 (las A abortarían el proceso). Textos largos, nulos y
// nombres con acentos: en las pruebas de la capa de datos, que también corren aquí.
#include "apoyo/CarpetaTemporal.h"
#include "apoyo/ErrorDe.h"
#include "db/CadenaConexion.h"
#include "db/Conexion.h"
#include "db/TextoOdbc.h"
#include "windows/ApoyoWine.h"

#include <gtest/gtest.h>

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

// La ruta de Windows llega al driver del anfitrión como ruta Unix; los diagnósticos, por SQLGetDiagRecW.
TEST_F(OdbcWine, AbreLaBasePorSuRutaUnixYLeeLosDiagnosticos) {
    Conexion cn;
    cn.Open(Cadena());
    EXPECT_EQ(cn.NombreDBMS(), "SQLite");
    EXPECT_EQ(cn.DefaultDatabase(), "Orvalo_Planta");
    const ErrorBD e = ErrorDe([&] { cn.Execute("select * from tabla_que_no_está"); });
    EXPECT_EQ(e.Fuente, "[SQLite]") << e.Descripcion;
    EXPECT_NE(e.Descripcion.find("tabla_que_no_está"), std::string::npos) << e.Descripcion;
}

TEST_F(OdbcWine, UnDriverQueNoExisteFallaConElDiagnosticoDelGestorYSinLaContrasena) {
    Conexion cn;
    const ErrorBD e = ErrorDe([&] { cn.Open("Driver=NoExisteEsteDriver;UID=sa;PWD=Secreta123"); });
    EXPECT_EQ(e.Fuente, "[unixODBC][Driver Manager]");
    EXPECT_NE(e.Descripcion.find("NoExisteEsteDriver"), std::string::npos) << e.Descripcion;
    EXPECT_EQ(e.Descripcion.find("Secreta123"), std::string::npos);
    EXPECT_FALSE(cn.Abierta());
}
