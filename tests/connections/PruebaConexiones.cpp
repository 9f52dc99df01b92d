#include "connections/ArchivoReg.h"
#include "connections/Registry1.h"
#include "connections/TextoUtf8.h"
#include "connections/modNalvora.h"

#include <gtest/gtest.h>

using namespace ov;

namespace {

const std::filesystem::path kDatos = OV_DATOS_PRUEBA;

class ListaDeConexiones : public testing::TestWithParam<const char*> {};

// Un registro con infinitas entradas, para el tope de 16 bits.
struct RegistroSinFin final : Registro {
    mutable int Aperturas = 0;
    struct Clave final : ClaveRegistro {
        std::int32_t ConsultaTipo(const std::string&, std::uint32_t& tipo, std::uint32_t& bytes) override {
            tipo = kRegSz;
            bytes = 2;
            return 0;
        }
        std::int32_t ConsultaDatos(const std::string&, std::vector<unsigned char>& datos) override {
            datos = {'x', 0};
            return 0;
        }
    };
    std::unique_ptr<ClaveRegistro> Abre(const std::string&) const override {
        ++Aperturas;
        return std::make_unique<Clave>();
    }
};

} // namespace

TEST_P(ListaDeConexiones, RecorreHastaElPrimerNameIlegible) {
    const ArchivoReg r(kDatos / GetParam());
    const auto lista = Conexiones(r);
    ASSERT_EQ(lista.size(), 4u); // la 4 tiene Name hex(2): la 5 no se ve

    EXPECT_EQ(lista[0].Numero, 0);
    EXPECT_EQ(lista[0].Name, "  Nómina Central  "); // la vista de 32 bits, con sus blancos
    EXPECT_EQ(lista[0].Conn, "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Password=Secreta;"
                             "Initial Catalog=Orvalo;Data Source=SRV\\SQL2008");
    EXPECT_EQ(lista[0].CharDateIni, "2020-01-01");
    EXPECT_EQ(lista[0].CharDateFin, "7");
    EXPECT_EQ(lista[0].ConnNet, "");

    EXPECT_EQ(lista[1].Name, "nómina central");
    EXPECT_EQ(lista[1].Conn, "Driver=SQLite3;Database=/no/existe/1.db");

    // La 2 solo existe en la vista de 64 bits; su Name es el dword 7.
    EXPECT_EQ(lista[2].Name, "7");
    EXPECT_EQ(lista[2].Conn, "");

    // La 3 de 32 bits se borró: queda la de 64 bits, con Name en hex(1) en dos líneas.
    EXPECT_EQ(lista[3].Numero, 3);
    EXPECT_EQ(lista[3].Name, "Sucursal Ñuñoa");
    EXPECT_EQ(lista[3].Conn, "Driver=SQLite3;Database=C:\\Datos\\\"Ñuñoa\".db");
    EXPECT_FALSE(ExisteValor(r, std::string(kClaveConexiones) + "3", "Temporal"));
}

INSTANTIATE_TEST_SUITE_P(Formatos, ListaDeConexiones,
                         testing::Values("conexiones_v5.reg", "conexiones_v5_utf8.reg", "conexiones_v4.reg"));

TEST(Conexiones, UnHuecoCortaLaLista) {
    const auto lista = Conexiones(ArchivoReg(kDatos / "hueco_v4.reg"));
    ASSERT_EQ(lista.size(), 2u);
    EXPECT_EQ(lista[1].Name, "Almacén");
    EXPECT_TRUE(Conexiones(ArchivoReg(kDatos / "tipos_v5.reg")).empty());
}

TEST(Conexiones, ElNumeroDeEntradaNoPasaDe32767) {
    const RegistroSinFin r;
    const auto lista = Conexiones(r);
    ASSERT_EQ(lista.size(), 32768u);
    EXPECT_EQ(lista.back().Numero, 32767);
}

TEST(TextoUtf8, MayusculasYConversiones) {
    EXPECT_EQ(MayusculasUtf8("nómina ñuñoa, pingüino: áéíóú àèç ÿ"), "NÓMINA ÑUÑOA, PINGÜINO: ÁÉÍÓÚ ÀÈÇ Ÿ");
    EXPECT_EQ(MayusculasUtf8("łódź čeština ω я ё"), "ŁÓDŹ ČEŠTINA Ω Я Ё");
    EXPECT_EQ(MayusculasUtf8("ß ÷ 1ª"), "ß ÷ 1ª");
    EXPECT_EQ(MayusculasUtf8("a\xFF\xC3z"), "A\xFF\xC3Z"); // bytes sueltos quedan
    EXPECT_EQ(Utf8DeWindows1252("\x80\xD1\xF1\x85\x81"), "€Ññ…\xC2\x81");
    EXPECT_EQ(Utf8DeUtf16le(std::string_view("\x3D\xD8\x00\xDE\x00\xD8!\x00", 8)), "😀\xEF\xBF\xBD!");
}

TEST(Conexiones, AbreConexionConLasEntradasDelProducto) {
    const ArchivoReg r(kDatos / "conexiones_v5.reg");
    ModNalvora mod(r);
    EXPECT_EQ(mod.AbreConexion("7"), 2); // encontrada por su dword; su Conn vacía no abre
    EXPECT_EQ(mod.AbreConexion(" 7 "), 2);
    EXPECT_EQ(mod.AbreConexion("Vista de 64 bits"), 1);
    EXPECT_EQ(mod.AbreConexion("Otra"), 1); // el Name hex(2) de la 4
    EXPECT_EQ(mod.AbreConexion("Detrás del corte"), 1);
    EXPECT_EQ(ModNalvora(ArchivoReg(kDatos / "hueco_v4.reg")).AbreConexion("Detrás del hueco"), 1);
    EXPECT_EQ(ModNalvora(ArchivoReg(kDatos / "tipos_v5.reg")).AbreConexion("Predeterminado"), 1);

    // Con infinitas entradas la búsqueda para en la 32767.
    const RegistroSinFin sinFin;
    EXPECT_EQ(ModNalvora(sinFin).AbreConexion("y"), 1);
    EXPECT_EQ(sinFin.Aperturas, 2 * 32768);
}
