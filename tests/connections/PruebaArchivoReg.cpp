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

std::int32_t Estado(const Registro& r, const std::string& nombre) {
    return ConsultaValor(r.Abre(kPruebas).get(), nombre).Estado;
}

class TiposDeValor : public testing::TestWithParam<const char*> {};

} // namespace

// Lo mismo escrito por regedit en sus dos formatos se lee igual.
TEST_P(TiposDeValor, CadaTipoYCadaFormaDeEscribirlo) {
    const ArchivoReg r(kDatos / GetParam());
    const ValorRegistro texto = "Camión \"rápido\" en C:\\Datos\\"s;
    const std::pair<const char*, ValorRegistro> valores[] = {
        {"", "Predeterminado"s},
        {"Texto", texto},
        {"Euro", "€ 100"s},
        {"Vacio", ""s}, // REG_SZ
        {"SinBytes", ""s},
        {"SinNul", "Ok"s},
        {"Largo", "Continuado en tres líneas"s}, // hex(1)
        {"Numero", 10},
        {"Negativo", -1},
        {"NumeroHex", 42},
        {"Comentado", 1},           // REG_DWORD
        {"redefinido", "segundo"s}, // lo último escrito manda, sin mayúsculas
        {"Despues", "sigue leyendo"s},
        {"Perdido", {}}, // tras líneas mal formadas; clave rota
        {"Ajeno", {}}};  // otra raíz
    for (const auto& [nombre, valor] : valores) {
        EXPECT_EQ(LeeValor(r, kPruebas, nombre), valor) << nombre;
    }
    EXPECT_EQ(LeeValor(r, "SOFTWARE\\quintara\\PRUEBAS\\", "texto"), texto);
    EXPECT_EQ(LeeValor(r, kPruebas + "\\Hija", "Valor"), ValorRegistro{"de la hija"});
    EXPECT_EQ(LeeValor(r, kPruebas + "\\Hija", "Perdido"), ValorRegistro{});
    EXPECT_EQ(LeeValor(r, "Software\\Quintara\\Abreviada", "Valor"), ValorRegistro{"raíz abreviada"});
    EXPECT_EQ(LeeValor(r, "Software\\Quintara\\Borrada\\Hija", "Valor"), ValorRegistro{});
    EXPECT_EQ(Estado(r, "SinBytes"), 0);
    // Otros tipos existen pero no se leen; lo borrado y lo mal formado no existe.
    for (const char* nombre : {"Binario", "Expandible", "Multiple", "Cuadruple", "Ninguno"}) {
        EXPECT_EQ(Estado(r, nombre), -1) << nombre;
        EXPECT_FALSE(ExisteValor(r, kPruebas, nombre)) << nombre;
    }
    for (const char* nombre : {"Borrado", "SinCierre", "SinCierre=", "MalNumero", "MalHex", "SinIgual"}) {
        EXPECT_EQ(Estado(r, nombre), kErrorArchivoNoEncontrado) << nombre;
    }
    EXPECT_EQ(r.Abre("Software\\Quintara\\Borrada"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Formatos, TiposDeValor, testing::Values("tipos_v5.reg", "tipos_v4.reg"));

TEST(ArchivoReg, RotoOAusenteNoCaeOtrasCodificacionesValenYNuncaSeEscribe) {
    prueba::CarpetaTemporal carpeta;
    std::string binario, utf16;
    for (int i = 0; i < 4096; ++i) {
        binario += static_cast<char>((i * 7919) & 0xFF);
    }
    const std::string valido = "Windows Registry Editor Version 5.00\r\n\r\n"
                               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Q]\r\n\"Name\"=\"uno\"\r\n";
    for (const char c : valido) {
        utf16 += {c, '\0'};
    }
    const std::pair<std::string, ValorRegistro> casos[] = {
        {"", {}},
        {binario, {}},
        {valido.substr(valido.find('\n') + 1), {}}, // sin encabezado
        {"\xFF\xFE", {}},
        {"\xFF\xFEW\0i\0n\0\xFF"s, {}}, // UTF-16 de largo impar
        {"Windows Registry Editor Version 6.00" + valido.substr(valido.find('\r')), {}},
        {valido + "\"Name\"=hex(1):41,00,\\", "A"s}, // continuada hasta el final del archivo
        {"\xEF\xBB\xBF" + valido, "uno"s},           // UTF-8 con BOM
        {utf16, "uno"s},                             // UTF-16LE sin BOM
    };
    for (const auto& [contenido, valor] : casos) {
        prueba::EscribeArchivo(carpeta / "r.reg", contenido);
        EXPECT_EQ(LeeValor(ArchivoReg(carpeta / "r.reg"), "SOFTWARE\\Q", "Name"), valor) << contenido.size();
    }
    EXPECT_EQ(ArchivoReg(carpeta / "no_existe.reg").Abre("SOFTWARE\\Q"), nullptr);
    EXPECT_EQ(ArchivoReg(carpeta.Ruta()).Abre("SOFTWARE\\Q"), nullptr); // una carpeta

    // Solo lectura: el archivo sin permiso de escritura se lee, y queda como estaba (que cada búsqueda lo
    // relea lo prueba Almacen).
    const auto archivo = carpeta / "orvalo.reg";
    prueba::EscribeArchivo(archivo, valido);
    const ArchivoReg r(archivo);
    std::filesystem::permissions(archivo, std::filesystem::perms::owner_read);
    const auto fecha = std::filesystem::last_write_time(archivo);
    EXPECT_EQ(LeeValor(r, "SOFTWARE\\Q", "Name"), ValorRegistro{"uno"});
    EXPECT_EQ(prueba::LeeArchivo(archivo), valido);
    EXPECT_EQ(std::filesystem::last_write_time(archivo), fecha);
}

TEST(ArchivoReg, SeBuscaEnElOrdenConvenido) {
    prueba::CarpetaTemporal carpeta;
    const auto programa = carpeta / "programa";
    std::filesystem::create_directory(programa);
    ::unsetenv("OVNALVORA_REGISTRO");
    if (!std::filesystem::exists("/etc/orvalo/orvalo.reg")) {
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
