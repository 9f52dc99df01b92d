#include "ApoyoConexiones.h"
#include "apoyo/BaseSqlite.h"
#include "apoyo/CarpetaTemporal.h"
#include "connections/ArchivoReg.h"
#include "connections/Registry1.h"
#include "connections/TextoUtf8.h"
#include "connections/modNalvora.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

using namespace ov;
using namespace ov::prueba;

namespace {

const std::filesystem::path kDatos = OV_DATOS_PRUEBA;

class ListaDeConexiones : public testing::TestWithParam<const char*> {};

// Clave simulada: para los fallos que un archivo no puede dar y para un registro sin fin.
struct ClaveSimulada final : ClaveRegistro {
    std::uint32_t Tipo = kRegSz;
    std::vector<unsigned char> Datos;
    std::int32_t ErrorPrimera = 0;
    std::int32_t ErrorSegunda = 0;
    std::size_t BufferRecibido = 0;

    // Llena las salidas aun cuando falla: quien consulta no debe usarlas.
    std::int32_t ConsultaTipo(const std::string&, std::uint32_t& tipo, std::uint32_t& bytes) override {
        tipo = Tipo;
        bytes = static_cast<std::uint32_t>(Datos.size());
        return ErrorPrimera;
    }
    std::int32_t ConsultaDatos(const std::string&, std::vector<unsigned char>& datos) override {
        BufferRecibido = datos.size();
        datos = Datos;
        return ErrorSegunda;
    }
};

// Un registro con infinitas entradas, para el tope de 16 bits.
struct RegistroSinFin final : Registro {
    mutable int Aperturas = 0;
    std::unique_ptr<ClaveRegistro> Abre(const std::string&) const override {
        ++Aperturas;
        auto clave = std::make_unique<ClaveSimulada>();
        clave->Datos = {'x', 0};
        return clave;
    }
};

std::string Entrada(int n, const std::string& nombre, const std::optional<std::string>& conn = {}) {
    return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Quintara\\Orvalo\\Conexiones\\" + std::to_string(n) +
           "]\n\"Name\"=\"" + nombre + "\"\n" + (conn ? "\"Conn\"=\"" + *conn + "\"\n" : "");
}

} // namespace

TEST_P(ListaDeConexiones, RecorreHastaElPrimerNameIlegible) {
    const ArchivoReg r(kDatos / GetParam());
    const auto lista = Conexiones(r);
    ASSERT_EQ(lista.size(), 4u); // la 4 tiene Name hex(2): la 5 no se ve

    std::vector<std::tuple<int, std::string, std::string>> vistas;
    for (const auto& e : lista) {
        vistas.emplace_back(e.Numero, e.Name, e.Conn);
    }
    // La 0 de la vista de 32 bits, con sus blancos; la 2 solo en la de 64 bits, con Name dword 7;
    // la 3 de 32 bits se borró y queda la de 64 bits, con Name en hex(1) en dos líneas.
    EXPECT_EQ(vistas,
              (decltype(vistas){{0, "  Nómina Central  ",
                                 "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;"
                                 "Password=Secreta;Initial Catalog=Orvalo;Data Source=SRV\\SQL2008"},
                                {1, "nómina central", "Driver=SQLite3;Database=/no/existe/1.db"},
                                {2, "7", ""},
                                {3, "Sucursal Ñuñoa", "Driver=SQLite3;Database=C:\\Datos\\\"Ñuñoa\".db"}}));
    EXPECT_EQ(lista[0].CharDateIni + "|" + lista[0].CharDateFin + "|" + lista[0].ConnNet, "2020-01-01|7|");
    EXPECT_FALSE(ExisteValor(r, std::string(kClaveConexiones) + "3", "Temporal"));

    ModNalvora mod(r);
    EXPECT_EQ(mod.AbreConexion(" 7 "), 2); // encontrada por su dword; su Conn vacía no abre
    EXPECT_EQ(mod.AbreConexion("Vista de 64 bits"), 1);
    EXPECT_EQ(mod.AbreConexion("Otra"), 1); // el Name hex(2) de la 4
    EXPECT_EQ(mod.AbreConexion("Detrás del corte"), 1);
}

INSTANTIATE_TEST_SUITE_P(Formatos, ListaDeConexiones,
                         testing::Values("conexiones_v5.reg", "conexiones_v5_utf8.reg", "conexiones_v4.reg"));

// Un hueco en la numeración corta la lista como un Name ilegible (ListaDeConexiones) y AbreConexion no
// busca tras él ("Tras el hueco" en AbreConexion); aquí, el tope de 16 bits.
TEST(Conexiones, ElTopeDe32767CortaLaLista) {
    const RegistroSinFin sinFin;
    const auto lista = Conexiones(sinFin);
    ASSERT_EQ(lista.size(), 32768u);
    EXPECT_EQ(lista.back().Numero, 32767);
    sinFin.Aperturas = 0;
    EXPECT_EQ(ModNalvora(sinFin).AbreConexion("y"), 1);
    EXPECT_EQ(sinFin.Aperturas, 2 * 32768);
}

TEST(TextoUtf8, MayusculasYConversiones) {
    EXPECT_EQ(MayusculasUtf8("nómina ñuñoa, pingüino: áéíóú àèç ÿ"), "NÓMINA ÑUÑOA, PINGÜINO: ÁÉÍÓÚ ÀÈÇ Ÿ");
    EXPECT_EQ(MayusculasUtf8("łódź čeština ω я ё"), "ŁÓDŹ ČEŠTINA Ω Я Ё");
    EXPECT_EQ(MayusculasUtf8("ß ÷ 1ª a\xFF\xC3z"), "ß ÷ 1ª A\xFF\xC3Z"); // bytes sueltos quedan
    EXPECT_EQ(Utf8DeWindows1252("\x80\xD1\xF1\x85\x81"), "€Ññ…\xC2\x81");
    EXPECT_EQ(Utf8DeUtf16le(std::string_view("\x3D\xD8\x00\xDE\x00\xD8!\x00", 8)), "😀\xEF\xBF\xBD!");
}

// Lo que un archivo no puede dar: el búfer de la segunda consulta, el signo del dword y los
// códigos de error de cada consulta, como los devuelve el registro.
TEST(Registry1, ConsultaValorDevuelveElEstadoDelRegistro) {
    ClaveSimulada clave;
    clave.Datos = {'M', 'a', 't', 'r', 'i', 'z', 0};
    EXPECT_EQ(ConsultaValor(&clave, "Name").Valor, ValorRegistro{"Matriz"});
    EXPECT_EQ(clave.BufferRecibido, 7u); // mide lo que dijo la primera consulta
    clave.Tipo = kRegDword;
    clave.Datos = {0x07, 0x00, 0x00, 0x80};
    EXPECT_EQ(TextoDe(ConsultaValor(&clave, "Name").Valor), "-2147483641");

    const std::tuple<std::uint32_t, std::int32_t, std::int32_t, std::int32_t> casos[] = {
        {kRegExpandSz, 0, 0, -1}, {kRegBinary, 0, 0, -1},
        {kRegSz, 0, 234, 234}, // ERROR_MORE_DATA: el valor creció entre las dos consultas
        {kRegDword, 0, 234, 234}, {kRegSz, 5, 0, 5}, // ERROR_ACCESS_DENIED
    };
    for (const auto& [tipo, primera, segunda, estado] : casos) {
        clave.Tipo = tipo;
        clave.ErrorPrimera = primera;
        clave.ErrorSegunda = segunda;
        const Consulta c = ConsultaValor(&clave, "Name");
        EXPECT_EQ(c.Estado, estado) << tipo;
        EXPECT_EQ(c.Valor, ValorRegistro{}) << tipo;
    }
    EXPECT_EQ(ConsultaValor(nullptr, "Name").Estado, 6); // sin clave: ERROR_INVALID_HANDLE
}

// Nombres sin blancos ni mayúsculas de por medio; "NÓMINA" (entrada 1) pierde ante la 0. Cada
// llamada cierra la conexión anterior y parte de cero; lo que no abre la deja cerrada, sin escribir nada.
TEST(AbreConexion, DevuelveCeroUnoODosCerrandoLaAnteriorSinEscribirNada) {
    CarpetaTemporal carpeta;
    const auto uno = carpeta / "uno.db", dos = carpeta / "dos.db";
    for (const auto& base : {uno, dos}) {
        BaseSqlite(base, true).Ejecuta("CREATE TABLE marca(nombre varchar(20))");
    }
    // El 7 es un puerto local cerrado: FreeTDS falla en la red al instante (08S01).
    EscribeArchivo(carpeta / "orvalo.reg",
                   "Windows Registry Editor Version 5.00\n\n" + Entrada(0, "  Nómina  ", Sqlite(uno)) +
                       Entrada(1, "NÓMINA", Sqlite(dos)) + Entrada(2, "Sucursal", Sqlite(dos)) +
                       Entrada(3, "Vacía", "") + Entrada(4, "Rota", "Driver=NoExisteEsteDriver;Database=x") +
                       Entrada(5, "Sin Conn") + Entrada(6, "Mal formada", "Provider=SQLOLEDB.1;Data Source") +
                       Entrada(7, "Servidor",
                               "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Password=Secreta;"
                               "Initial Catalog=Orvalo;Data Source=127.0.0.1,1;Connect Timeout=3") +
                       Entrada(9, "Tras el hueco", Sqlite(uno)));
    ArchivoReg registro(carpeta / "orvalo.reg");
    ModNalvora mod(registro);
    const std::tuple<const char*, int, const char*> casos[] = {
        {"nómina", 0, "uno"},   {"  NÓMINA", 0, "uno"},   {"Nómina  ", 0, "uno"}, {"NÓMINA", 0, "uno"},
        {"sucursal", 0, "dos"}, {"Tras el hueco", 1, ""}, {"Nomina", 1, ""},      {"", 1, ""},
        {"Vacía", 2, ""},       {"Rota", 2, ""},          {"Sin Conn", 2, ""},    {"Mal formada", 2, ""},
        {"Servidor", 2, ""},
    };
    // GoogleTest desvía los descriptores 1 y 2: se ve también lo que escriban los drivers.
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    for (const auto& [nombre, esperado, base] : casos) {
        EXPECT_EQ(mod.AbreConexion("Sucursal"), 0);
        const auto inicio = std::chrono::steady_clock::now();
        EXPECT_EQ(mod.AbreConexion(nombre), esperado) << nombre;
        EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(3)) << nombre;
        EXPECT_EQ(mod.cnBD().Abierta() ? mod.cnBD().DefaultDatabase() : "", base) << nombre;
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "");

    // Una escritura sin confirmar retiene el archivo mientras la conexión siga abierta.
    ASSERT_EQ(mod.AbreConexion("Nómina"), 0);
    const db::Conexion* primera = &mod.cnBD();
    mod.cnBD().Comienza();
    mod.cnBD().Execute("INSERT INTO marca VALUES ('sin confirmar')");
    ASSERT_EQ(mod.AbreConexion("Sucursal"), 0);
    EXPECT_NE(&mod.cnBD(), primera);
    // La primera se cerró: otra conexión escribe en uno.db sin esperar y no ve la fila pendiente.
    db::Conexion otra;
    otra.Open(Sqlite(uno) + ";Timeout=200");
    EXPECT_NO_THROW(otra.Execute("INSERT INTO marca VALUES ('libre')"));
    EXPECT_EQ(otra.Execute("SELECT count(*) AS n FROM marca").Registros->Primero("n"), db::Valor{"1"});
}
