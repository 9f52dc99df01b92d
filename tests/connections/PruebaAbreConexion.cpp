#include "ApoyoConexiones.h"
#include "apoyo/CarpetaTemporal.h"
#include "connections/ArchivoReg.h"
#include "connections/modNalvora.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

using namespace ov;
using ov::prueba::Sqlite;

namespace {

std::string Entrada(int n, const std::string& nombre, const std::optional<std::string>& conn = {}) {
    return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Quintara\\Orvalo\\Conexiones\\" + std::to_string(n) +
           "]\n\"Name\"=\"" + nombre + "\"\n" + (conn ? "\"Conn\"=\"" + *conn + "\"\n" : "");
}

class AbreConexion : public testing::Test {
protected:
    void SetUp() override {
        for (const auto& base : {uno_, dos_}) {
            prueba::EscribeArchivo(base, ""); // un archivo vacío es una base SQLite vacía
            db::Conexion c;
            c.Open(Sqlite(base));
            c.Execute("CREATE TABLE marca(nombre varchar(20))");
        }
        // El 7 es un puerto local cerrado: FreeTDS falla en la red al instante (08S01).
        prueba::EscribeArchivo(
            reg_, "Windows Registry Editor Version 5.00\n\n" + Entrada(0, "  Nómina  ", Sqlite(uno_)) +
                      Entrada(1, "NÓMINA", Sqlite(dos_)) + Entrada(2, "Sucursal", Sqlite(dos_)) +
                      Entrada(3, "Vacía", "") + Entrada(4, "Rota", "Driver=NoExisteEsteDriver;Database=x") +
                      Entrada(5, "Sin Conn") + Entrada(6, "Mal formada", "Provider=SQLOLEDB.1;Data Source") +
                      Entrada(7, "Servidor",
                              "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Password=Secreta;"
                              "Initial Catalog=Orvalo;Data Source=127.0.0.1,1;Connect Timeout=3") +
                      Entrada(9, "Tras el hueco", Sqlite(uno_)));
    }
    prueba::CarpetaTemporal carpeta_;
    std::filesystem::path uno_ = carpeta_ / "uno.db";
    std::filesystem::path dos_ = carpeta_ / "dos.db";
    std::filesystem::path reg_ = carpeta_ / "orvalo.reg";
    ArchivoReg registro_{reg_};
    ModNalvora mod_{registro_};
};

} // namespace

// Nombres sin blancos ni mayúsculas de por medio; "NÓMINA" (entrada 1) pierde ante la 0. Cada
// llamada parte de una conexión abierta y lo que no abre la deja cerrada, sin escribir nada.
TEST_F(AbreConexion, DevuelveCeroUnoODosSinEscribirNada) {
    const std::tuple<const char*, int, const char*> casos[] = {
        {"nómina", 0, "uno"},   {"  NÓMINA", 0, "uno"},   {"Nómina  ", 0, "uno"}, {"NÓMINA", 0, "uno"},
        {"sucursal", 0, "dos"}, {"Tras el hueco", 1, ""}, {"Nomina", 1, ""},      {"", 1, ""},
        {"Vacía", 2, ""},       {"Rota", 2, ""},          {"Sin Conn", 2, ""},    {"Mal formada", 2, ""},
        {"Servidor", 2, ""},
    };
    // GoogleTest desvía los descriptores 1 y 2: se ve también lo que escriban los drivers.
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    for (const auto& [nombre, esperado, base] : casos) {
        EXPECT_EQ(mod_.AbreConexion("Sucursal"), 0);
        const auto inicio = std::chrono::steady_clock::now();
        EXPECT_EQ(mod_.AbreConexion(nombre), esperado) << nombre;
        EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(3)) << nombre;
        EXPECT_EQ(mod_.cnBD().Abierta() ? mod_.cnBD().DefaultDatabase() : "", base) << nombre;
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "");
}

TEST_F(AbreConexion, CadaLlamadaCierraLaAnteriorYEmpiezaConUnaNueva) {
    ASSERT_EQ(mod_.AbreConexion("Nómina"), 0);
    const db::Conexion* primera = &mod_.cnBD();
    // Una escritura sin confirmar retiene el archivo mientras la conexión siga abierta.
    mod_.cnBD().Comienza();
    mod_.cnBD().Execute("INSERT INTO marca VALUES ('sin confirmar')");
    ASSERT_EQ(mod_.AbreConexion("Sucursal"), 0);
    EXPECT_NE(&mod_.cnBD(), primera);

    // La primera se cerró: otra conexión escribe en uno.db sin esperar y no ve la fila pendiente.
    db::Conexion otra;
    otra.Open(Sqlite(uno_) + ";Timeout=200");
    EXPECT_NO_THROW(otra.Execute("INSERT INTO marca VALUES ('libre')"));
    EXPECT_EQ(otra.Execute("SELECT count(*) AS n FROM marca").Registros->Primero("n"), db::Valor{"1"});
}
