// La bitácora en Windows: texto de 8 bits en la página ANSI del sistema (1252 bajo wine), no UTF-8.
#include "apoyo/CarpetaTemporal.h"
#include "log/EscribeLog.h"
#include "log/Fechas.h"
#include "log/Rutas.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace ov;
using namespace std::chrono;

TEST(BitacoraAnsi, DepuracionVaEnWindows1252ConCRLF) {
    ASSERT_EQ(GetACP(), 1252u) << "la prueba supone la página de Europa occidental";
    prueba::CarpetaTemporal carpeta;
    const RelojFijo reloj{ConHora(local_days{2026y / December / 6}, 9, 30)};
    const Bitacora bitacora(RutaLogDe(carpeta.Ruta()), reloj);
    bitacora.Linea("Inicia depuración del 2025-03-01 al 2025-03-31.");
    bitacora.SinHora("Depuración: ¿Año? Ñuñoa €");
    EXPECT_EQ(prueba::LeeArchivo(carpeta / "Log" / "ovNalvora_dic2026.log"),
              "2026-12-06 09:30\tInicia depuraci\xF3n del 2025-03-01 al 2025-03-31.\r\n"
              "Depuraci\xF3n: \xBF"
              "A\xF1o? \xD1u\xF1oa \x80\r\n");
}

TEST(BitacoraAnsi, UnaCarpetaDelProgramaConAcentosFueraDeLaPaginaAnsi) {
    // La carpeta se nombra en UTF-16: "Łódź" no cabe en 1252 y con rutas de 8 bits no se abriría.
    prueba::CarpetaTemporal carpeta;
    const auto programa = carpeta.Ruta() / RutaDeUtf8("Programas Łódź");
    std::filesystem::create_directory(programa);
    std::string mensaje;
    const RelojFijo reloj{ConHora(local_days{2026y / December / 6}, 9, 30)};
    ASSERT_TRUE(EscribeLog(RutaLogDe(programa), "hola", false, false, true, mensaje, reloj)) << mensaje;
    EXPECT_EQ(prueba::LeeArchivo(programa / "Log" / "ovNalvora_dic2026.log"), "hola\r\n");
}
