#include "log/Fechas.h"

#include <gtest/gtest.h>

using namespace ov;
using namespace std::chrono;

// DiaSiguiente solo suma un día: sus bordes (bisiesto, fin de mes) los prueba Rango, en PruebaRango.cpp.
TEST(Fechas, FormatosDeLaBitacoraYDelSistemaYLosTextosDeLosServidores) {
    const Fecha f = local_days{2026y / December / 6};
    EXPECT_EQ(FormatoFecha(f) + "|" + FormatoFechaHora(ConHora(f, 7, 5, 59)) + "|" + FormatoMesAnio(f),
              "2026-12-06|2026-12-06 07:05|dic2026");
    EXPECT_EQ(FormatoMesAnio(local_days{2027y / January / 31}), "ene2027");
    EXPECT_EQ(FechaLarga(f), "domingo, 6 de diciembre de 2026");
    EXPECT_EQ(FechaLarga(local_days{2024y / January / 3}), "miércoles, 3 de enero de 2024");
    EXPECT_EQ(FormatoFechaHora(*LeeFechaHora("2024-01-02 03:04:05.123")), "2024-01-02 03:04");
    EXPECT_EQ(FormatoFechaHora(*LeeFechaHora("2024-01-02T23:59:59")), "2024-01-02 23:59");
    EXPECT_EQ(FormatoFechaHora(*LeeFechaHora("2024-01-02")), "2024-01-02 00:00");
    for (const char* malo : {"2024-02-30", "2024-1-2", "2024-01-02 25:00"}) {
        EXPECT_FALSE(LeeFechaHora(malo)) << malo;
    }
    EXPECT_FALSE(LeeFecha("2024-01-02 10:00"));
    EXPECT_TRUE(LeeFecha("2024-02-29"));
    EXPECT_FALSE(LeeFecha("2023-02-29"));
}
