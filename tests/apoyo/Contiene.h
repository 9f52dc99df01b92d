#pragma once

#include <gtest/gtest.h>
#include <string>

namespace ov::prueba {

// Al fallar muestra el texto entero: sin él no se sabe qué salió en su lugar.
inline ::testing::AssertionResult Contiene(const char* texto, const char* trozo, const std::string& t,
                                           const std::string& p) {
    if (t.find(p) != std::string::npos) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << texto << " no contiene " << trozo << " \"" << p << "\":\n" << t;
}

inline ::testing::AssertionResult NoContiene(const char* texto, const char* trozo, const std::string& t,
                                             const std::string& p) {
    if (t.find(p) == std::string::npos) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << texto << " contiene " << trozo << " \"" << p << "\":\n" << t;
}

inline ::testing::AssertionResult Empieza(const char* texto, const char* trozo, const std::string& t,
                                          const std::string& p) {
    if (t.rfind(p, 0) == 0) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << texto << " no empieza con " << trozo << " \"" << p << "\":\n"
                                         << t;
}

} // namespace ov::prueba

#define EXPECT_CONTIENE(texto, trozo) EXPECT_PRED_FORMAT2(::ov::prueba::Contiene, texto, trozo)
#define EXPECT_NO_CONTIENE(texto, trozo) EXPECT_PRED_FORMAT2(::ov::prueba::NoContiene, texto, trozo)
#define EXPECT_EMPIEZA(texto, trozo) EXPECT_PRED_FORMAT2(::ov::prueba::Empieza, texto, trozo)
