#pragma once

#include <gtest/gtest.h>
#include <string>

namespace ov::prueba {

// Al fallar muestra el texto entero: sin él no se sabe qué salió en su lugar.
template <bool Esta, bool AlInicio>
::testing::AssertionResult Busca(const char* texto, const char* trozo, const std::string& t,
                                 const std::string& p) {
    if ((AlInicio ? t.rfind(p, 0) == 0 : t.find(p) != std::string::npos) == Esta) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << texto << (Esta ? " no " : " ") << (AlInicio ? "empieza con " : "contiene ") << trozo << " \""
           << p << "\":\n"
           << t;
}

} // namespace ov::prueba

#define EXPECT_CONTIENE(texto, trozo) EXPECT_PRED_FORMAT2((::ov::prueba::Busca<true, false>), texto, trozo)
#define EXPECT_NO_CONTIENE(texto, trozo)                                                                     \
    EXPECT_PRED_FORMAT2((::ov::prueba::Busca<false, false>), texto, trozo)
#define EXPECT_EMPIEZA(texto, trozo) EXPECT_PRED_FORMAT2((::ov::prueba::Busca<true, true>), texto, trozo)
