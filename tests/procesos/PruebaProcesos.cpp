// El programa entero como proceso: matarlo en cualquier momento, dos corridas a la vez y el guion de
// --simular corrido en sqlite3.
#include "Proceso.h"
#include "apoyo/BaseSqlite.h"
#include "apoyo/CarpetaTemporal.h"

#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

using namespace ov::prueba;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const char* const kTablas[] = {"checadas", "kardex", "bitacora"};

std::string Conservar(const std::string& tabla) {
    const std::string c = tabla == "kardex" ? "fecha" : tabla == "bitacora" ? "fechahora" : "fechayhora";
    return "(SELECT * FROM " + tabla + " WHERE " + c + " < '2024-01-01' OR " + c + " >= '2025-01-01' OR " +
           c + " IS NULL)";
}

class ProcesosPrueba : public ::testing::Test {
protected:
    CarpetaTemporal tmp;
    fs::path demo = tmp / "demo";
    fs::path Sur() const { return demo / "orvalo_sur.db"; }
    fs::path Original() const { return demo / "original.db"; }

    std::vector<std::string> Depurar(const std::string& pasos = "1,2,3,4,5,6,7,8") const {
        return {OV_PROGRAMA,  "--registro", (demo / "orvalo.reg").string(),
                "--depurar",  "--conexion", "Planta Sur",
                "--desde",    "2024-01-01", "--hasta",
                "2024-12-31", "--pasos",    pasos,
                "--si"};
    }
    // Vuelve la base al original y quita lo que haya dejado la corrida anterior.
    void Restaura() {
        for (const char* sufijo : {"-wal", "-shm", "-journal"}) {
            fs::remove(Sur().string() + sufijo);
        }
        for (const auto& e : fs::directory_iterator(demo)) {
            if (e.path().filename().string().rfind("orvalo_temp.db", 0) == 0) {
                fs::remove(e.path());
            }
        }
        fs::copy_file(Original(), Sur(), fs::copy_options::overwrite_existing);
    }
    void Prepara(int checadas, const std::string& diario) {
        GeneraDemo(demo, checadas);
        {
            BaseSqlite s(Sur());
            s.Ejecuta("PRAGMA journal_mode=" + diario);
        }
        fs::copy_file(Sur(), Original());
    }
};

// Un candado ajeno sobre el archivo: si no se puede tomar, alguien lo tiene.
bool Ocupado(const fs::path& archivo) {
    const int fd = open(archivo.c_str(), O_RDWR);
    if (fd < 0) {
        return false;
    }
    const bool ocupado = flock(fd, LOCK_EX | LOCK_NB) != 0;
    close(fd);
    return ocupado;
}

} // namespace

TEST_F(ProcesosPrueba, MatarElProcesoNuncaVaciaUnaTablaNiLaDejaAMedias) {
    for (const std::string diario : {"DELETE", "WAL"}) {
        SCOPED_TRACE(diario);
        CarpetaTemporal otra;
        demo = otra / "demo";
        Prepara(200000, diario);
        std::map<std::string, std::pair<std::string, std::string>> esperadas; // todas, las conservadas
        long long secuencia = 0;
        {
            BaseSqlite s(Sur());
            for (const char* t : kTablas) {
                esperadas[t] = {s.Huella(t), s.Huella(Conservar(t))};
            }
            secuencia = s.Cuenta("SELECT seq FROM sqlite_sequence WHERE name = 'checadas'");
        }
        const auto inicio = std::chrono::steady_clock::now();
        ASSERT_EQ(CorreHastaElFinal(Depurar(), tmp / "completa.txt"), 0) << LeeArchivo(tmp / "completa.txt");
        const auto duracion = std::chrono::steady_clock::now() - inicio;
        int cambiadas = 0;
        constexpr int kMomentos = 12;
        for (int m = 0; m < kMomentos; ++m) {
            Restaura();
            const auto momento = duracion * (m + 0.5) / kMomentos;
            {
                Proceso p(Depurar(), tmp / "muerto.txt");
                std::this_thread::sleep_for(momento);
                p.Mata();
                p.Espera();
            }
            SCOPED_TRACE(
                "muerto a los " +
                std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(momento).count()) +
                " ms");
            {
                BaseSqlite s(Sur());
                for (const char* t : kTablas) {
                    const std::string h = s.Huella(t);
                    const bool entera = h == esperadas[t].first, depurada = h == esperadas[t].second;
                    EXPECT_TRUE(entera || depurada) << t << " quedó a medias: " << h.substr(0, h.find(':'));
                    cambiadas += depurada && !entera;
                }
                EXPECT_EQ(s.Cuenta("SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND name = "
                                   "'kardex_bitacora'"),
                          1);
                EXPECT_GE(s.Cuenta("SELECT seq FROM sqlite_sequence WHERE name = 'checadas'"), secuencia);
            }
            // La siguiente corrida no se rechaza.
            EXPECT_EQ(CorreHastaElFinal(Depurar("8"), tmp / "siguiente.txt"), 0)
                << LeeArchivo(tmp / "siguiente.txt");
        }
        EXPECT_GT(cambiadas, 0) << "algún momento cayó después de depurar una tabla";
    }
}

TEST_F(ProcesosPrueba, UnaSegundaCorridaSeRechazaMientrasLaPrimeraSigue) {
    Prepara(300000, "DELETE");
    Proceso primera(Depurar(), tmp / "primera.txt");
    const fs::path candado = demo / "orvalo_temp.candado";
    const auto limite = std::chrono::steady_clock::now() + 20s;
    while (!Ocupado(candado) && std::chrono::steady_clock::now() < limite) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_TRUE(Ocupado(candado)) << "la primera corrida tomó su candado";
    EXPECT_EQ(CorreHastaElFinal(Depurar(), tmp / "segunda.txt"), 2);
    const std::string segunda = LeeArchivo(tmp / "segunda.txt");
    EXPECT_NE(segunda.find("Otra depuración está en curso en la carpeta " + demo.string()), std::string::npos)
        << segunda;
    EXPECT_EQ(primera.Espera(), 0) << LeeArchivo(tmp / "primera.txt");
    BaseSqlite s(Sur());
    EXPECT_EQ(
        s.Cuenta(
            "SELECT count(*) FROM checadas WHERE fechayhora >= '2024-01-01' AND fechayhora < '2025-01-01'"),
        0);
    EXPECT_FALSE(Ocupado(candado)) << "el candado se suelta al terminar";
}

// El guion de --simular, corrido tal cual en sqlite3: deja cada tabla completa o intacta, con cada
// estrategia.
TEST_F(ProcesosPrueba, ElGuionDeSimularEsSeguroYHaceLoMismoQueLaCorrida) {
    Prepara(3000, "DELETE");
    for (const std::string estrategia : {"copia", "borrado"}) {
        SCOPED_TRACE(estrategia);
        Restaura();
        auto corrida = Depurar();
        corrida.insert(corrida.end(), {"--estrategia", estrategia});
        auto simular = corrida;
        simular[simular.size() - 3] = "--simular";
        ASSERT_EQ(CorreHastaElFinal(simular, tmp / "simular.txt"), 0);
        const std::string salida = LeeArchivo(tmp / "simular.txt");
        EscribeArchivo(tmp / "guion.sql", salida.substr(salida.find("\n\n") + 2));
        const std::string sqlite3 = "sqlite3 '" + Sur().string() + "' < '" + (tmp / "guion.sql").string() +
                                    "' > '" + (tmp / "sqlite3.txt").string() + "' 2>&1";

        // Un disparador que rechaza una fila de la bitácora: al reponerla copiando, o al borrarla.
        std::string bitacora;
        {
            BaseSqlite s(Sur());
            s.Ejecuta("INSERT INTO bitacora (fechahora, usuario, accion) VALUES ('2023-12-02 08:00:00', 'x', "
                      "'no')");
            s.Ejecuta("INSERT INTO bitacora (fechahora, usuario, accion) VALUES ('2024-06-02 08:00:00', 'x', "
                      "'no')");
            s.Ejecuta(estrategia == "copia"
                          ? "CREATE TRIGGER rechaza BEFORE INSERT ON bitacora WHEN NEW.accion = 'no' "
                            "BEGIN SELECT RAISE(ABORT, 'fila rechazada'); END"
                          : "CREATE TRIGGER rechaza BEFORE DELETE ON bitacora WHEN OLD.accion = 'no' "
                            "BEGIN SELECT RAISE(ABORT, 'fila rechazada'); END");
            bitacora = s.Huella("bitacora");
        }
        EXPECT_NE(std::system(sqlite3.c_str()), 0) << "sqlite3 se detiene en la falla";
        {
            BaseSqlite s(Sur());
            EXPECT_TRUE(s.Huella("bitacora") == bitacora) << LeeArchivo(tmp / "sqlite3.txt");
            EXPECT_EQ(
                s.Cuenta("SELECT count(*) FROM checadas WHERE fechayhora >= '2024-01-01' AND fechayhora < "
                         "'2025-01-01'"),
                0)
                << "lo anterior sí se depuró";
        }

        // Sin el disparador, el guion deja las tablas igual que una corrida del programa.
        Restaura();
        ASSERT_EQ(std::system(sqlite3.c_str()), 0) << LeeArchivo(tmp / "sqlite3.txt");
        std::map<std::string, std::string> porGuion;
        {
            BaseSqlite s(Sur());
            for (const char* t : kTablas) {
                porGuion[t] = s.Huella(t);
            }
        }
        Restaura();
        ASSERT_EQ(CorreHastaElFinal(corrida, tmp / "corrida.txt"), 0);
        BaseSqlite s(Sur());
        for (const char* t : kTablas) {
            EXPECT_TRUE(s.Huella(t) == porGuion[t]) << t;
        }
    }
}
