#include "connections/Registry1.h"

#include <gtest/gtest.h>

using namespace ov;

namespace {

// Clave simulada para los fallos que un archivo no puede dar (la segunda consulta falla).
struct ClaveSimulada final : ClaveRegistro {
    std::uint32_t Tipo = kRegSz;
    std::vector<unsigned char> Datos;
    std::int32_t ErrorPrimera = 0;
    std::int32_t ErrorSegunda = 0;
    std::size_t BufferRecibido = 0;

    std::int32_t ConsultaTipo(const std::string&, std::uint32_t& tipo, std::uint32_t& bytes) override {
        if (ErrorPrimera == 0) {
            tipo = Tipo;
            bytes = static_cast<std::uint32_t>(Datos.size());
        }
        return ErrorPrimera;
    }
    std::int32_t ConsultaDatos(const std::string&, std::vector<unsigned char>& datos) override {
        BufferRecibido = datos.size();
        if (ErrorSegunda == 0) {
            datos = Datos;
        }
        return ErrorSegunda;
    }
};

std::vector<unsigned char> Bytes(std::string_view s) {
    return {s.begin(), s.end()};
}

} // namespace

TEST(Registry1, ConsultaValorDevuelveElEstadoDelRegistro) {
    ClaveSimulada clave;
    clave.Datos = Bytes(std::string_view("Matriz\0", 7));
    auto c = ConsultaValor(&clave, "Name");
    EXPECT_EQ(c.Estado, 0);
    EXPECT_EQ(c.Valor, ValorRegistro{"Matriz"});
    EXPECT_EQ(clave.BufferRecibido, 7u); // el búfer de la segunda consulta mide lo que dijo la primera

    clave.Datos = Bytes("sin nul");
    EXPECT_EQ(ConsultaValor(&clave, "Name").Valor, ValorRegistro{"sin nul"});

    clave.Tipo = kRegDword;
    clave.Datos = {0x07, 0x00, 0x00, 0x80};
    c = ConsultaValor(&clave, "Name");
    EXPECT_EQ(c.Estado, 0);
    EXPECT_EQ(c.Valor, ValorRegistro{static_cast<std::int32_t>(0x80000007u)});
    EXPECT_EQ(TextoDe(c.Valor), "-2147483641");

    clave.Tipo = kRegExpandSz;
    EXPECT_EQ(ConsultaValor(&clave, "Name").Estado, -1);
    clave.Tipo = kRegBinary;
    EXPECT_EQ(ConsultaValor(&clave, "Name").Estado, -1);

    clave.Tipo = kRegSz;
    clave.ErrorSegunda = 234; // ERROR_MORE_DATA: el valor creció entre las dos consultas
    c = ConsultaValor(&clave, "Name");
    EXPECT_EQ(c.Estado, 234);
    EXPECT_EQ(c.Valor, ValorRegistro{});

    clave.Tipo = kRegDword;
    EXPECT_EQ(ConsultaValor(&clave, "Name").Estado, 234);

    clave.ErrorPrimera = 5; // ERROR_ACCESS_DENIED
    EXPECT_EQ(ConsultaValor(&clave, "Name").Estado, 5);

    // Sin clave abierta la consulta falla como en el registro (ERROR_INVALID_HANDLE).
    EXPECT_EQ(ConsultaValor(nullptr, "Name").Estado, 6);
}
