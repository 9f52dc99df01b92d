// Los límites del rango: lo que guarda datetime y el día siguiente a Hasta en el último día.
#include "purge/Rango.h"

#include <gtest/gtest.h>

using namespace ov;
using namespace std::chrono;

namespace {
Fecha F(int a, unsigned m, unsigned d) {
    return Fecha{year{a} / month{m} / day{d}};
}
} // namespace

TEST(Rango, FechasQueGuardaDatetimeYElDiaTrasHasta) {
    EXPECT_EQ(RevisaRango({F(1753, 1, 1), F(9999, 12, 31)}), std::nullopt);
    EXPECT_EQ(RevisaRango({F(2025, 3, 1), F(2025, 3, 1)}), std::nullopt);
    const auto antes = RevisaRango({F(1752, 12, 31), F(2025, 3, 31)});
    ASSERT_TRUE(antes);
    EXPECT_EQ(*antes, "La fecha Desde (1752-12-31) está fuera de lo que guarda la base de datos, del "
                      "1753-01-01 al 9999-12-31. Corrija el rango; no se eliminó nada.");
    EXPECT_NE(RevisaRango({F(2025, 3, 1), F(10000, 1, 1)}).value_or("").find("La fecha Hasta (10000-01-01)"),
              std::string::npos);
    EXPECT_NE(RevisaRango({F(2025, 4, 1), F(2025, 3, 31)}).value_or("").find("posterior"), std::string::npos);

    // Lo posterior al rango se conserva desde las 00:00 del día siguiente; tras el último día que
    // guarda el servidor no hay día siguiente (el año 10000 se compararía mal como texto).
    EXPECT_EQ(DiaTrasHasta({F(2025, 3, 1), F(2025, 3, 31)}), F(2025, 4, 1));
    EXPECT_EQ(DiaTrasHasta({F(2024, 2, 1), F(2024, 2, 28)}), F(2024, 2, 29));
    EXPECT_EQ(DiaTrasHasta({F(2025, 3, 1), F(9999, 12, 30)}), F(9999, 12, 31));
    EXPECT_EQ(DiaTrasHasta({F(2025, 3, 1), F(9999, 12, 31)}), std::nullopt);
}
