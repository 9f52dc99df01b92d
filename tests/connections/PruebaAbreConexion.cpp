#include "apoyo/CarpetaTemporal.h"
#include "connections/ArchivoReg.h"
#include "connections/modNalvora.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

using namespace ov;

namespace {

// Desvía las salidas estándar del proceso (descriptores 1 y 2) a un archivo mientras vive.
class CapturaSalida {
public:
    explicit CapturaSalida(const std::filesystem::path& archivo) : archivo_(archivo) {
        Vacia();
        const int destino = ::open(archivo.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        salida_ = ::dup(1);
        error_ = ::dup(2);
        ::dup2(destino, 1);
        ::dup2(destino, 2);
        ::close(destino);
    }
    ~CapturaSalida() { Restaura(); }
    CapturaSalida(const CapturaSalida&) = delete;
    CapturaSalida& operator=(const CapturaSalida&) = delete;

    std::string Texto() {
        Restaura();
        return prueba::LeeArchivo(archivo_);
    }

private:
    static void Vacia() {
        std::cout.flush();
        std::cerr.flush();
        std::fflush(nullptr);
    }
    void Restaura() {
        if (salida_ < 0) {
            return;
        }
        Vacia();
        ::dup2(salida_, 1);
        ::dup2(error_, 2);
        ::close(salida_);
        ::close(error_);
        salida_ = error_ = -1;
    }
    std::filesystem::path archivo_;
    int salida_ = -1;
    int error_ = -1;
};

std::string Sqlite(const std::filesystem::path& base) {
    return "Driver=SQLite3;Database=" + base.string();
}

// Crea la base con una tabla, para que exista el archivo.
void CreaBase(const std::filesystem::path& base) {
    db::Conexion c;
    c.Open(Sqlite(base));
    c.Execute("CREATE TABLE marca(nombre varchar(20))");
    c.Close();
}

std::string Entrada(int n, const std::string& valores) {
    return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Quintara\\Orvalo\\Conexiones\\" + std::to_string(n) +
           "]\n" + valores + "\n";
}

std::string Texto(const std::string& nombre, const std::string& valor) {
    std::string escapado;
    for (const char c : valor) {
        if (c == '\\' || c == '"') {
            escapado += '\\';
        }
        escapado += c;
    }
    return "\"" + nombre + "\"=\"" + escapado + "\"\n";
}

class AbreConexion : public testing::Test {
protected:
    void SetUp() override {
        CreaBase(uno_);
        CreaBase(dos_);
        prueba::EscribeArchivo(
            reg_,
            "Windows Registry Editor Version 5.00\n\n" +
                Entrada(0, Texto("Name", "  Nómina  ") + Texto("Conn", Sqlite(uno_))) +
                Entrada(1, Texto("Name", "NÓMINA") + Texto("Conn", Sqlite(dos_))) +
                Entrada(2, Texto("Name", "Sucursal") + Texto("Conn", Sqlite(dos_))) +
                Entrada(3, Texto("Name", "Vacía") + Texto("Conn", "")) +
                Entrada(4, Texto("Name", "Rota") + Texto("Conn", "Driver=NoExisteEsteDriver;Database=x")) +
                Entrada(5, Texto("Name", "Sin Conn")) +
                Entrada(6, Texto("Name", "Mal formada") + Texto("Conn", "Provider=SQLOLEDB.1;Data Source")) +
                Entrada(7, Texto("Name", "Servidor") + Texto("Conn", kServidor)) +
                Entrada(9, Texto("Name", "Tras el hueco") + Texto("Conn", Sqlite(uno_))));
    }

    // Puerto local cerrado: FreeTDS falla al instante (08S01).
    static constexpr const char* kServidor =
        "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Password=Secreta;Initial Catalog=Orvalo;"
        "Data Source=127.0.0.1,1;Connect Timeout=3";

    prueba::CarpetaTemporal carpeta_;
    std::filesystem::path uno_ = carpeta_ / "uno.db";
    std::filesystem::path dos_ = carpeta_ / "dos.db";
    std::filesystem::path reg_ = carpeta_ / "orvalo.reg";
    ArchivoReg registro_{reg_};
    ModNalvora mod_{registro_};
};

} // namespace

TEST_F(AbreConexion, EncuentraPorNombreYGanaLaEntradaMenor) {
    CapturaSalida captura(carpeta_ / "salida.txt");

    // Sin mayúsculas ni blancos de por medio; "NÓMINA" (entrada 1) pierde ante la 0.
    for (const char* nombre : {"nómina", "  NÓMINA", "Nómina  ", "NÓMINA"}) {
        ASSERT_EQ(mod_.AbreConexion(nombre), 0) << nombre;
        EXPECT_EQ(mod_.cnBD().DefaultDatabase(), "uno") << nombre;
    }
    EXPECT_EQ(mod_.AbreConexion("sucursal"), 0);
    EXPECT_EQ(mod_.cnBD().DefaultDatabase(), "dos");

    EXPECT_EQ(mod_.AbreConexion("Tras el hueco"), 1);
    EXPECT_FALSE(mod_.cnBD().Abierta());
    EXPECT_EQ(mod_.AbreConexion("Nomina"), 1); // sin acento es otro nombre
    EXPECT_EQ(mod_.AbreConexion(""), 1);
    EXPECT_EQ(captura.Texto(), "");
}

TEST_F(AbreConexion, CadaLlamadaEmpiezaConUnaConexionNueva) {
    ASSERT_EQ(mod_.AbreConexion("Nómina"), 0);
    const db::Conexion* primera = &mod_.cnBD();
    // Una escritura sin confirmar retiene el archivo mientras la conexión siga abierta.
    mod_.cnBD().Comienza();
    mod_.cnBD().Execute("INSERT INTO marca VALUES ('sin confirmar')");

    ASSERT_EQ(mod_.AbreConexion("Sucursal"), 0);
    EXPECT_NE(&mod_.cnBD(), primera);
    EXPECT_EQ(mod_.cnBD().DefaultDatabase(), "dos");

    // La primera se cerró: otra conexión escribe en uno.db sin esperar y no ve la fila pendiente.
    db::Conexion otra;
    otra.Open(Sqlite(uno_) + ";Timeout=200");
    EXPECT_NO_THROW(otra.Execute("INSERT INTO marca VALUES ('libre')"));
    const auto r = otra.Execute("SELECT count(*) AS n FROM marca");
    EXPECT_EQ(r.Registros->Primero("n"), db::Valor{"1"});
}

TEST_F(AbreConexion, UnaConexionQueNoAbreDevuelve2SinDejarRastro) {
    CapturaSalida captura(carpeta_ / "salida.txt");
    for (const char* nombre : {"Vacía", "Rota", "Sin Conn", "Mal formada", "Servidor"}) {
        ASSERT_EQ(mod_.AbreConexion("Nómina"), 0);
        const auto inicio = std::chrono::steady_clock::now();
        EXPECT_EQ(mod_.AbreConexion(nombre), 2) << nombre;
        EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(5)) << nombre;
        EXPECT_FALSE(mod_.cnBD().Abierta()) << nombre;
    }
    const std::string salida = captura.Texto();
    EXPECT_EQ(salida, "");
    EXPECT_EQ(salida.find("Secreta"), std::string::npos);
}

// El 2 de "Servidor" debe venir de la red (puerto cerrado: 08S01 al instante con FreeTDS) y no
// de que el driver rechace la cadena traducida antes de intentarlo.
TEST_F(AbreConexion, ElServidorCerradoFallaEnLaRed) {
    db::Conexion c;
    try {
        c.Open(kServidor);
        FAIL() << "abrió un puerto cerrado";
    } catch (const db::ErrorBD& e) {
        EXPECT_EQ(e.Estado, "08S01") << e.Fuente << " " << e.Descripcion;
    }
}
