// El registro de Windows de verdad, bajo wine: las claves las escribe reg.exe como lo haría el
// producto de 32 bits (/reg:32, la vista WOW6432Node) y el programa las lee con KEY_WOW64_32KEY.
#include "apoyo/CarpetaTemporal.h"
#include "connections/RegistroWindows.h"
#include "connections/Registry1.h"
#include "connections/modNalvora.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

using namespace ov;

namespace {

const std::wstring kClave = L"HKLM\\Software\\Quintara\\Orvalo\\Conexiones\\";

class RegistroWine : public testing::Test {
protected:
    void SetUp() override { BorraTodo(); }
    void TearDown() override { BorraTodo(); }

    static void BorraTodo() {
        for (const wchar_t* vista : {L"/reg:32", L"/reg:64"}) {
            _wsystem(
                (L"reg delete HKLM\\Software\\Quintara /f " + std::wstring(vista) + L" >nul 2>&1").c_str());
        }
    }

    // reg add en la vista dada; tipo REG_SZ salvo que se diga otro.
    static void Escribe(int entrada, const std::wstring& valor, const std::wstring& dato,
                        const std::wstring& vista = L"/reg:32", const std::wstring& tipo = L"REG_SZ") {
        const std::wstring orden = L"reg add \"" + kClave + std::to_wstring(entrada) + L"\" /v " + valor +
                                   L" /t " + tipo + L" /d \"" + dato + L"\" /f " + vista + L" >nul";
        // Por cmd en UTF-16, para que los acentos lleguen enteros.
        ASSERT_EQ(_wsystem(orden.c_str()), 0) << "falló reg add de la entrada " << entrada;
    }

    const std::unique_ptr<Registro> registro_ = RegistroWindows();
};

} // namespace

TEST_F(RegistroWine, LeeLaVistaDe32BitsConBlancosDuplicadosYNumero) {
    prueba::CarpetaTemporal carpeta;
    const auto base = carpeta / "nomina.db";
    prueba::EscribeArchivo(base, "");               // un archivo vacío es una base SQLite vacía
    const std::string unix = base.generic_string(); // bajo wine, una ruta Unix (ver CarpetaTemporal)
    const std::wstring conn(unix.begin(), unix.end());

    // Fuera de Windows-1252 (Ł, ź): se lee por las funciones W y se halla por su propio nombre.
    Escribe(0, L"Name", L"  Łódź Central  ");
    Escribe(0, L"Conn", L"Driver=SQLite3;Database=" + conn);
    Escribe(1, L"Name", L"łódź central");
    Escribe(1, L"Conn", L"Driver=NoExisteEsteDriver");
    Escribe(1, L"Otro", L"%PATH%", L"/reg:32", L"REG_EXPAND_SZ");
    Escribe(2, L"Name", L"7", L"/reg:32", L"REG_DWORD");
    // Solo en la vista de 64 bits: el producto (32 bits) no las ve, el programa tampoco.
    Escribe(3, L"Name", L"Solo en 64 bits", L"/reg:64");
    Escribe(0, L"Conn", L"Driver=NoExisteEsteDriver", L"/reg:64");

    std::vector<std::tuple<int, std::string, std::string>> vistas;
    for (const auto& e : Conexiones(*registro_)) {
        vistas.emplace_back(e.Numero, e.Name, e.Conn);
    }
    EXPECT_EQ(vistas, (decltype(vistas){{0, "  Łódź Central  ", "Driver=SQLite3;Database=" + unix},
                                        {1, "łódź central", "Driver=NoExisteEsteDriver"},
                                        {2, "7", ""}}));
    EXPECT_FALSE(ExisteValor(*registro_, std::string(kClaveConexiones) + "3", "Name"));
    // Un texto expandible existe pero no se lee; lo que no está da el código del registro.
    const auto clave = registro_->Abre(std::string(kClaveConexiones) + "1");
    ASSERT_NE(clave, nullptr);
    EXPECT_EQ(ConsultaValor(clave.get(), "Otro").Estado, -1);
    EXPECT_EQ(ConsultaValor(clave.get(), "NoEsta").Estado, kErrorArchivoNoEncontrado);
    EXPECT_EQ(registro_->Abre(std::string(kClaveConexiones) + "9"), nullptr);

    ModNalvora mod(*registro_);
    // Sin blancos y en otras mayúsculas: la primera de las dos que coinciden, la 0, que sí abre.
    EXPECT_EQ(mod.AbreConexion("ŁÓDŹ CENTRAL"), 0) << mod.UltimoError();
    EXPECT_TRUE(mod.cnBD().Abierta());
    EXPECT_EQ(mod.AbreConexion(" 7 "), 2); // hallada por su número; sin Conn no abre
    EXPECT_FALSE(mod.cnBD().Abierta());
    EXPECT_EQ(mod.AbreConexion("Solo en 64 bits"), 1);
}
