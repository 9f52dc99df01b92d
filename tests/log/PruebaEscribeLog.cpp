#include "apoyo/CarpetaTemporal.h"
#include "log/EscribeLog.h"
#include "log/Fechas.h"
#include "log/Rutas.h"

#include <gtest/gtest.h>

using namespace ov;
using namespace std::chrono;
namespace fs = std::filesystem;
using prueba::CarpetaTemporal;
using prueba::LeeArchivo;

namespace {

class EscribeLogPrueba : public ::testing::Test {
protected:
    CarpetaTemporal tmp;
    // Fuera de la página ANSI (Ł, ź): en Windows la carpeta se abre por su nombre en UTF-16.
    fs::path carpeta = tmp.Ruta() / RutaDeUtf8("Programas Łódź");
    RelojFijo reloj{ConHora(local_days{2026y / December / 6}, 9, 30)};
    fs::path ruta = RutaLogDe(carpeta);
    std::string mensaje;

    void SetUp() override { fs::create_directory(carpeta); }

    bool Escribe(const std::string& texto) {
        return EscribeLog(ruta, texto, false, false, true, mensaje, reloj);
    }
    fs::path Archivo(const std::string& nombre) const { return carpeta / "Log" / nombre; }
    void Llena(const std::string& nombre, std::uintmax_t bytes) const {
        prueba::EscribeArchivo(Archivo(nombre), std::string(bytes, 'x'));
    }
};

} // namespace

// Un mes nuevo abre su propio archivo aunque el anterior tenga espacio; la bitácora pone hora y tab.
TEST_F(EscribeLogPrueba, PrimeraLineaCreaLaCarpetaYElArchivoDelMesConCRLF) {
    ASSERT_TRUE(Escribe("hola"));
    EXPECT_EQ(mensaje, "Escritura en texto realizada correctamente.");
    ASSERT_TRUE(Escribe("ñandú €"));
#ifdef _WIN32
    // En Windows el archivo va en la página ANSI (1252 bajo wine), no en UTF-8.
    EXPECT_EQ(LeeArchivo(Archivo("ovNalvora_dic2026.log")), "hola\r\n\xF1"
                                                            "and\xFA \x80\r\n");
#else
    EXPECT_EQ(LeeArchivo(Archivo("ovNalvora_dic2026.log")), "hola\r\nñandú €\r\n");
#endif
    EXPECT_FALSE(fs::exists(ruta)) << "sin Rotar no se escribe el archivo base";

    reloj.Fija(ConHora(local_days{2027y / January / 1}, 0, 0));
    Bitacora bitacora(ruta, reloj);
    bitacora.SinHora(kBannerInicio);
    bitacora.Linea("Inicia programa. v2.2.0");
    EXPECT_EQ(LeeArchivo(Archivo("ovNalvora_ene2027.log")),
              std::string(71, '*') + "\\\r\n2027-01-01 00:00\tInicia programa. v2.2.0\r\n");
}

TEST_F(EscribeLogPrueba, ElLimiteEsDe512000BytesYSigueConArchivosNumerados) {
    Escribe("inicio");
    Llena("ovNalvora_dic2026.log", 511999);
    ASSERT_TRUE(Escribe("cabe"));
    EXPECT_EQ(fs::file_size(Archivo("ovNalvora_dic2026.log")), 511999u + 6u);
    EXPECT_FALSE(fs::exists(Archivo("ovNalvora_dic2026(1).log")));

    Llena("ovNalvora_dic2026.log", 512000);
    ASSERT_TRUE(Escribe("primera del (1)"));
    EXPECT_EQ(fs::file_size(Archivo("ovNalvora_dic2026.log")), 512000u);
    EXPECT_EQ(LeeArchivo(Archivo("ovNalvora_dic2026(1).log")), "primera del (1)\r\n");

    Llena("ovNalvora_dic2026(1).log", 600000);
    ASSERT_TRUE(Escribe("va al (2)"));
    EXPECT_EQ(LeeArchivo(Archivo("ovNalvora_dic2026(2).log")), "va al (2)\r\n");

    // Borrado el archivo sin número, la siguiente línea lo vuelve a crear.
    fs::remove(Archivo("ovNalvora_dic2026.log"));
    ASSERT_TRUE(Escribe("otra vez"));
    EXPECT_EQ(LeeArchivo(Archivo("ovNalvora_dic2026.log")), "otra vez\r\n");
}

TEST_F(EscribeLogPrueba, ReiniciarBorraSoloCrearNoAgregaYSinCarpetaPosibleDevuelveFalsoSinLanzar) {
    const fs::path base = carpeta / "base.log";
    prueba::EscribeArchivo(base, "viejo\r\n");
    ASSERT_TRUE(EscribeLog(base, "nuevo", true, false, false, mensaje, reloj));
    EXPECT_EQ(LeeArchivo(base), "nuevo\r\n");
    ASSERT_TRUE(EscribeLog(base, "ignorada", false, true, false, mensaje, reloj));
    EXPECT_EQ(LeeArchivo(base), "nuevo\r\n");

    // La carpeta del programa es un archivo: la carpeta Log no se puede crear, ni siendo root.
    prueba::EscribeArchivo(carpeta / "programa", "");
    const fs::path imposible = RutaLogDe(carpeta / "programa");
    EXPECT_FALSE(EscribeLog(imposible, "perdida", false, false, true, mensaje, reloj));
    EXPECT_EQ(mensaje.rfind("[ovNalvora] ", 0), 0u) << mensaje;
    EXPECT_NE(mensaje.find(" - "), std::string::npos) << mensaje;
    // Solo se crea la carpeta Log; la de arriba debe existir.
    const fs::path profunda = carpeta / "no" / "existe" / "x.log";
    EXPECT_FALSE(EscribeLog(profunda, "perdida", false, false, false, mensaje, reloj));
    EXPECT_FALSE(fs::exists(carpeta / "no"));
}
