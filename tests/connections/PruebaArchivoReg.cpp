#include "apoyo/CarpetaTemporal.h"
#include "connections/ArchivoReg.h"
#include "connections/Registry1.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace ov;
using namespace std::string_literals;

namespace {

const std::filesystem::path kDatos = OV_DATOS_PRUEBA;
const std::string kPruebas = "Software\\Quintara\\Pruebas";

ValorRegistro Lee(const Registro& r, const std::string& nombre, const std::string& ruta = kPruebas) {
    return LeeValor(r, ruta, nombre);
}

std::int32_t Estado(const Registro& r, const std::string& nombre, const std::string& ruta = kPruebas) {
    return ConsultaValor(r.Abre(ruta).get(), nombre).Estado;
}

class TiposDeValor : public testing::TestWithParam<const char*> {};

} // namespace

// Lo mismo escrito por regedit en sus dos formatos se lee igual.
TEST_P(TiposDeValor, CadaTipoYCadaFormaDeEscribirlo) {
    const ArchivoReg r(kDatos / GetParam());

    EXPECT_EQ(Lee(r, ""), ValorRegistro{"Predeterminado"});
    EXPECT_EQ(Lee(r, "Texto"), ValorRegistro{"Camión \"rápido\" en C:\\Datos\\"});
    EXPECT_EQ(Lee(r, "Euro"), ValorRegistro{"€ 100"});
    EXPECT_EQ(Lee(r, "Vacio"), ValorRegistro{""});
    EXPECT_EQ(Estado(r, "SinBytes"), 0);
    EXPECT_EQ(Lee(r, "SinBytes"), ValorRegistro{""});
    EXPECT_EQ(Lee(r, "SinNul"), ValorRegistro{"Ok"});
    EXPECT_EQ(Lee(r, "Largo"), ValorRegistro{"Continuado en tres líneas"});
    EXPECT_EQ(Lee(r, "Numero"), ValorRegistro{10});
    EXPECT_EQ(Lee(r, "Negativo"), ValorRegistro{-1});
    EXPECT_EQ(Lee(r, "NumeroHex"), ValorRegistro{42});
    EXPECT_EQ(Lee(r, "Comentado"), ValorRegistro{1});

    // Otros tipos existen pero no se leen.
    for (const char* nombre : {"Binario", "Expandible", "Multiple", "Cuadruple", "Ninguno"}) {
        EXPECT_EQ(Estado(r, nombre), -1) << nombre;
        EXPECT_EQ(Lee(r, nombre), ValorRegistro{}) << nombre;
        EXPECT_FALSE(ExisteValor(r, kPruebas, nombre)) << nombre;
    }

    // Nombres de clave y de valor sin distinguir mayúsculas; lo último escrito manda.
    EXPECT_EQ(Lee(r, "texto", "SOFTWARE\\quintara\\PRUEBAS\\"), Lee(r, "Texto"));
    EXPECT_EQ(Lee(r, "redefinido"), ValorRegistro{"segundo"});

    EXPECT_EQ(Estado(r, "Borrado"), kErrorArchivoNoEncontrado);
    EXPECT_EQ(Lee(r, "Valor", "Software\\Quintara\\Borrada\\Hija"), ValorRegistro{});
    EXPECT_EQ(r.Abre("Software\\Quintara\\Borrada"), nullptr);
    EXPECT_EQ(Lee(r, "Valor", kPruebas + "\\Hija"), ValorRegistro{"de la hija"});
    EXPECT_EQ(Lee(r, "Valor", "Software\\Quintara\\Abreviada"), ValorRegistro{"raíz abreviada"});
    EXPECT_EQ(Lee(r, "Ajeno"), ValorRegistro{});

    // Las líneas mal formadas se saltan; lo que sigue se lee, y nada cae en una clave rota.
    for (const char* nombre : {"SinCierre", "SinCierre=", "MalNumero", "MalHex", "SinIgual"}) {
        EXPECT_EQ(Estado(r, nombre), kErrorArchivoNoEncontrado) << nombre;
    }
    EXPECT_EQ(Lee(r, "Despues"), ValorRegistro{"sigue leyendo"});
    EXPECT_EQ(Lee(r, "Perdido"), ValorRegistro{});
    EXPECT_EQ(Lee(r, "Perdido", kPruebas + "\\Hija"), ValorRegistro{});
}

INSTANTIATE_TEST_SUITE_P(Formatos, TiposDeValor, testing::Values("tipos_v5.reg", "tipos_v4.reg"));

TEST(ArchivoReg, ArchivoAusenteRotoOAjenoNoTieneClaves) {
    prueba::CarpetaTemporal carpeta;
    std::string binario;
    for (int i = 0; i < 4096; ++i) {
        binario += static_cast<char>((i * 7919) & 0xFF);
    }
    const std::string valido =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Q]\r\n"
        "\"Name\"=\"uno\"\r\n";
    const std::pair<const char*, std::string> casos[] = {
        {"vacio.reg", ""},
        {"binario.reg", binario},
        {"sin_encabezado.reg", valido.substr(valido.find('\n') + 1)},
        {"solo_bom.reg", "\xFF\xFE"},
        {"utf16_impar.reg", "\xFF\xFEW\0i\0n\0\xFF"s},
        {"otra_version.reg", "Windows Registry Editor Version 6.00" + valido.substr(valido.find('\r'))},
    };
    for (const auto& [nombre, contenido] : casos) {
        prueba::EscribeArchivo(carpeta / nombre, contenido);
        EXPECT_FALSE(ExisteValor(ArchivoReg(carpeta / nombre), "SOFTWARE\\Q", "Name")) << nombre;
    }
    // Una lista continuada que acaba con el archivo se toma tal como quedó.
    prueba::EscribeArchivo(carpeta / "cortado.reg", valido + "\"Hex\"=hex(1):41,00,\\");
    EXPECT_EQ(LeeValor(ArchivoReg(carpeta / "cortado.reg"), "SOFTWARE\\Q", "Hex"), ValorRegistro{"A"});
    EXPECT_EQ(ArchivoReg(carpeta / "no_existe.reg").Abre("SOFTWARE\\Q"), nullptr);
    EXPECT_EQ(ArchivoReg(carpeta.Ruta()).Abre("SOFTWARE\\Q"), nullptr); // una carpeta
    EXPECT_EQ(ArchivoReg("").Abre("SOFTWARE\\Q"), nullptr);

    // UTF-8 con BOM y UTF-16LE sin BOM también valen.
    prueba::EscribeArchivo(carpeta / "bom.reg", "\xEF\xBB\xBF" + valido);
    EXPECT_EQ(LeeValor(ArchivoReg(carpeta / "bom.reg"), "SOFTWARE\\Q", "Name"), ValorRegistro{"uno"});
    std::string utf16;
    for (const char c : valido) {
        utf16 += c;
        utf16 += '\0';
    }
    prueba::EscribeArchivo(carpeta / "sin_bom.reg", utf16);
    EXPECT_EQ(LeeValor(ArchivoReg(carpeta / "sin_bom.reg"), "SOFTWARE\\Q", "Name"), ValorRegistro{"uno"});
}

TEST(ArchivoReg, SeReleeEnCadaAperturaYNuncaSeEscribe) {
    prueba::CarpetaTemporal carpeta;
    const auto archivo = carpeta / "orvalo.reg";
    const std::string antes = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Q]\n\"Name\"=\"uno\"\n";
    prueba::EscribeArchivo(archivo, antes);
    const ArchivoReg r(archivo);

    auto clave = r.Abre("SOFTWARE\\Q");
    ASSERT_NE(clave, nullptr);
    EXPECT_EQ(ConsultaValor(clave.get(), "Name").Valor, ValorRegistro{"uno"});
    prueba::EscribeArchivo(archivo, "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Q]\n\"Name\"=\"dos\"\n");
    // La clave ya abierta conserva lo que leyó; la siguiente apertura ve el cambio.
    EXPECT_EQ(ConsultaValor(clave.get(), "Name").Valor, ValorRegistro{"uno"});
    EXPECT_EQ(LeeValor(r, "SOFTWARE\\Q", "Name"), ValorRegistro{"dos"});

    std::filesystem::remove(archivo);
    EXPECT_FALSE(ExisteValor(r, "SOFTWARE\\Q", "Name"));

    // Solo lectura: el archivo sin permiso de escritura se lee, y queda como estaba.
    prueba::EscribeArchivo(archivo, antes);
    std::filesystem::permissions(archivo, std::filesystem::perms::owner_read);
    const auto fecha = std::filesystem::last_write_time(archivo);
    EXPECT_EQ(LeeValor(r, "SOFTWARE\\Q", "Name"), ValorRegistro{"uno"});
    EXPECT_EQ(prueba::LeeArchivo(archivo), antes);
    EXPECT_EQ(std::filesystem::last_write_time(archivo), fecha);
}

TEST(ArchivoReg, SeBuscaEnElOrdenConvenido) {
    prueba::CarpetaTemporal carpeta;
    const auto programa = carpeta / "programa";
    std::filesystem::create_directory(programa);
    ::unsetenv("OVNALVORA_REGISTRO");

    const bool hayDelSistema = std::filesystem::exists("/etc/orvalo/orvalo.reg");
    if (!hayDelSistema) {
        EXPECT_EQ(UbicaArchivoReg("", programa), std::filesystem::path{});
    }
    prueba::EscribeArchivo(programa / "orvalo.reg", "REGEDIT4\n");
    EXPECT_EQ(UbicaArchivoReg("", programa), programa / "orvalo.reg");

    // La variable gana al archivo del programa aunque lo que nombra no exista; la opción gana a todo.
    ::setenv("OVNALVORA_REGISTRO", (carpeta / "del_entorno.reg").c_str(), 1);
    EXPECT_EQ(UbicaArchivoReg("", programa), carpeta / "del_entorno.reg");
    EXPECT_EQ(UbicaArchivoReg("opcion.reg", programa), std::filesystem::path("opcion.reg"));
    ::setenv("OVNALVORA_REGISTRO", "", 1);
    EXPECT_EQ(UbicaArchivoReg("", programa), programa / "orvalo.reg");
    ::unsetenv("OVNALVORA_REGISTRO");

    const auto r = RegistroDeLaPlataforma((kDatos / "tipos_v4.reg").string(), programa);
    EXPECT_EQ(LeeValor(*r, kPruebas, "Numero"), ValorRegistro{10});
}
