// Lo que la línea de comandos rechaza antes de tocar nada, y lo que nunca deja escapar.
#include "ApoyoLineaComandos.h"
#include "connections/ArchivoReg.h"
#include "connections/modNalvora.h"
#include "db/Espera.h"

#include <chrono>
#include <thread>

using namespace ov;
using namespace ov::prueba;
namespace fs = std::filesystem;

// Un almacén que no es un archivo común (no está, es una carpeta, /dev/zero) o que pasa de 16 MB se
// rechaza con su motivo y el código 2, sin colgarse.
TEST_F(LineaComandosPrueba, AlmacenQueNoEsUnArchivo) {
    EscribeArchivo(tmp / "grande.reg", "REGEDIT4\r\n");
    fs::resize_file(tmp / "grande.reg", 17u * 1024u * 1024u);
    const std::pair<fs::path, std::string> casos[] = {
        {tmp / "no_esta.reg", "No existe el archivo de conexiones"},
        {tmp.Ruta(), "no es un archivo común"},
        {"/dev/zero", "no es un archivo común"},
        {tmp / "grande.reg", "más de 16 MB"}};
    for (const auto& [archivo, motivo] : casos) {
        const auto inicio = std::chrono::steady_clock::now();
        for (const auto& orden : {std::vector<std::string>{"--registro", archivo.string(), "--conexiones"},
                                  Depurar({"--simular", "--registro", archivo.string()})}) {
            const auto r = Corre(orden);
            EXPECT_EQ(r.codigo, 2) << archivo;
            EXPECT_CONTIENE(r.errores, motivo);
            EXPECT_EQ(r.salida, "");
        }
        // Tampoco la ventana, que lo lee sin revisarlo: no cuelga y no da conexiones.
        EXPECT_TRUE(Conexiones(ArchivoReg(archivo)).empty());
        EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(5)) << archivo;
    }
}

// Nada escapa de la línea de comandos: cualquier excepción termina con un mensaje en español y el
// código 1, nunca con un aborto. Aquí falla la escritura misma de la salida.
TEST_F(LineaComandosPrueba, UnaExcepcionCualquieraTerminaConMensajeYCodigoUno) {
    struct Rota final : std::streambuf {
        int overflow(int) override { return traits_type::eof(); }
    } rota;
    std::istringstream entrada;
    std::ostream salida(&rota);
    std::ostringstream errores;
    salida.exceptions(std::ios::badbit);
    EntornoConsola e{entrada, salida, errores, false, tmp.Ruta(), nullptr};
    EXPECT_EQ(CorreLineaComandos({"--version"}, e), 1);
    EXPECT_EMPIEZA(errores.str(), "Error inesperado: ");
    EXPECT_CONTIENE(errores.str(), "La operación no terminó.");
}

// Con la base retenida por otro proceso, la espera de --espera es una para toda la orden: la revisión
// y los tres pasos juntos esperan lo dicho (más un 10 %), no cada uno lo suyo; mientras, la consola dice
// quién la tiene y cuánto se lleva, y cada paso falla diciendo que la base está ocupada, sin tocar nada.
TEST_F(LineaComandosPrueba, UnaBaseRetenidaSeEsperaLoDichoEnTodaLaOrden) {
    BaseSqlite otra(demo / "orvalo_norte.db");
    const long long antes = otra.Cuenta("SELECT count(*) FROM transacciones");
    otra.Ejecuta("BEGIN EXCLUSIVE");
    otra.Ejecuta("DELETE FROM transacciones WHERE 0");
    const auto inicio = std::chrono::steady_clock::now();
    const auto r = Corre(Depurar({"--pasos", "1,2,3", "--si", "--espera", "4"}));
    const auto espera = std::chrono::steady_clock::now() - inicio;
    // Sin --si, lo que se cuenta para la segunda pregunta también espera y lo dice.
    const auto cuenta = Corre(Depurar({"--pasos", "1", "--espera", "1"}), "s\nn\n", true);
    otra.Ejecuta("COMMIT");
    EXPECT_CONTIENE(cuenta.salida, "se lleva esperando 0 s de 1.\nAdvertencia: ");
    EXPECT_EQ(r.codigo, 1) << r.salida << r.errores;
    EXPECT_GE(espera, std::chrono::milliseconds(3600));
    EXPECT_LT(espera, std::chrono::milliseconds(4400 + 1000)) << "más un segundo para lo que no es esperar";
    EXPECT_CONTIENE(r.salida,
                    "La base de Planta Norte está ocupada por otro proceso; se lleva esperando 0 s de 4.");
    EXPECT_CONTIENE(r.salida, "La base de datos está ocupada");
    EXPECT_EQ(otra.Cuenta("SELECT count(*) FROM transacciones"), antes);
    // Retenida un momento al armar el plan: la orden espera, ve Transacciones y depura.
    otra.Ejecuta("BEGIN EXCLUSIVE");
    otra.Ejecuta("DELETE FROM transacciones WHERE 0");
    std::thread suelta([&otra] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        otra.Ejecuta("COMMIT");
    });
    const auto breve = Corre(Depurar({"--pasos", "1", "--si", "--espera", "20"}));
    suelta.join();
    EXPECT_EQ(breve.codigo, 0) << breve.salida << breve.errores;
    EXPECT_LT(otra.Cuenta("SELECT count(*) FROM transacciones"), antes);
    EXPECT_FALSE(db::EsEsperaAgotada(db::ErrorBD(19, "[SQLite]", "UNIQUE constraint failed: kardex.id")));
    EXPECT_FALSE(db::EsEsperaAgotada(db::ErrorBD(5, "[FreeTDS][SQL Server]", "otra cosa")));
}
