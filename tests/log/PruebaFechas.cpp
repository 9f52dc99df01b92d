#include "log/Fechas.h"

#include <gtest/gtest.h>

using namespace ov;
using namespace std::chrono;

TEST(Fechas, FormatosDeLaBitacoraYDelSistema) {
    const Fecha f = local_days{2026y / December / 6};
    EXPECT_EQ(FormatoFecha(f), "2026-12-06");
    EXPECT_EQ(FormatoFechaHora(ConHora(f, 7, 5, 59)), "2026-12-06 07:05");
    EXPECT_EQ(FormatoMesAnio(f), "dic2026");
    EXPECT_EQ(FormatoMesAnio(local_days{2027y / January / 31}), "ene2027");
    EXPECT_EQ(FechaLarga(f), "domingo, 6 de diciembre de 2026");
    EXPECT_EQ(FechaLarga(local_days{2024y / March / 31}), "domingo, 31 de marzo de 2024");
    EXPECT_EQ(FechaLarga(local_days{2024y / January / 3}), "miércoles, 3 de enero de 2024");
}

TEST(Fechas, DiaSiguienteCruzaMesesYBisiestos) {
    EXPECT_EQ(FormatoFecha(DiaSiguiente(local_days{2024y / February / 28})), "2024-02-29");
    EXPECT_EQ(FormatoFecha(DiaSiguiente(local_days{2023y / February / 28})), "2023-03-01");
    EXPECT_EQ(FormatoFecha(DiaSiguiente(local_days{2024y / December / 31})), "2025-01-01");
}

TEST(Fechas, LeeLosTextosQueDevuelvenLosServidores) {
    EXPECT_EQ(FormatoFechaHora(*LeeFechaHora("2024-01-02 03:04:05.123")), "2024-01-02 03:04");
    EXPECT_EQ(FormatoFechaHora(*LeeFechaHora("2024-01-02T23:59:59")), "2024-01-02 23:59");
    EXPECT_EQ(FormatoFechaHora(*LeeFechaHora("2024-01-02")), "2024-01-02 00:00");
    EXPECT_FALSE(LeeFechaHora("2024-02-30"));
    EXPECT_FALSE(LeeFechaHora("2024-1-2"));
    EXPECT_FALSE(LeeFechaHora("2024-01-02 25:00"));
    EXPECT_FALSE(LeeFecha("2024-01-02 10:00"));
    EXPECT_TRUE(LeeFecha("2024-02-29"));
    EXPECT_FALSE(LeeFecha("2023-02-29"));
}
