// El programa entero como proceso: matarlo en cualquier momento y el guion de --simular corrido en sqlite3.
#include "apoyo/BaseSqlite.h"
#include "apoyo/CarpetaTemporal.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace ov::prueba;
namespace fs = std::filesystem;

namespace {

// El programa corriendo aparte, para matarlo; su salida y sus errores van al archivo.
class Proceso {
public:
    Proceso(std::vector<std::string> argumentos, const fs::path& salida) {
        std::vector<char*> argv;
        for (auto& a : argumentos) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            const int fd = open(salida.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fd, 1);
            dup2(fd, 2);
            dup2(open("/dev/null", O_RDONLY), 0);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    ~Proceso() {
        Mata();
        Espera();
    }
    Proceso(const Proceso&) = delete;
    Proceso& operator=(const Proceso&) = delete;

    void Mata() { // SIGKILL: sin oportunidad de limpiar nada
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
        }
    }
    int Espera() { // el código de salida; -1 si murió por una señal
        int estado = 0;
        if (pid_ > 0 && waitpid(pid_, &estado, 0) == pid_) {
            codigo_ = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
        }
        pid_ = -1;
        return codigo_;
    }

private:
    pid_t pid_ = -1;
    int codigo_ = -1;
};

int CorreHastaElFinal(const std::vector<std::string>& argumentos, const fs::path& salida) {
    return Proceso(argumentos, salida).Espera();
}

const char* const kTablas[] = {"checadas", "kardex", "bitacora"};

std::string Columna(const std::string& tabla) {
    return tabla == "kardex" ? "fecha" : tabla == "bitacora" ? "fechahora" : "fechayhora";
}

std::string Salen(const std::string& tabla) {
    const std::string c = Columna(tabla);
    return "(SELECT * FROM " + tabla + " WHERE " + c + " >= '2024-01-01' AND " + c + " < '2025-01-01')";
}

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
    fs::path CarpetaArchivo() const { return demo / "archivo"; }
    std::vector<fs::path> Archivos() const {
        std::vector<fs::path> archivos;
        for (const auto& e :
             fs::directory_iterator(CarpetaArchivo(), fs::directory_options::skip_permission_denied)) {
            if (e.path().extension() == ".db") {
                archivos.push_back(e.path());
            }
        }
        return archivos;
    }

    std::vector<std::string> Depurar(const std::string& pasos = "1,2,3,4,5,6,7,8") const {
        return {OV_PROGRAMA,  "--registro", (demo / "orvalo.reg").string(),
                "--depurar",  "--conexion", "Planta Sur",
                "--desde",    "2024-01-01", "--hasta",
                "2024-12-31", "--pasos",    pasos,
                "--si"};
    }
    std::vector<std::string> ConArchivo(std::vector<std::string> orden) const {
        orden.insert(orden.end(), {"--archivo", CarpetaArchivo().string()});
        return orden;
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
        fs::remove_all(CarpetaArchivo());
        fs::create_directories(CarpetaArchivo());
    }
    void Prepara(int checadas, const std::string& diario) {
        GeneraDemo(demo, checadas);
        BaseSqlite(Sur()).Ejecuta("PRAGMA journal_mode=" + diario);
        fs::copy_file(Sur(), Original());
    }
};

} // namespace

TEST_F(ProcesosPrueba, MatarElProcesoNuncaVaciaUnaTablaNiLaDejaAMedias) {
    for (const std::string diario : {"DELETE", "WAL"}) {
        SCOPED_TRACE(diario);
        CarpetaTemporal otra;
        demo = otra / "demo";
        Prepara(200000, diario);
        std::map<std::string, std::pair<std::string, std::string>> esperadas; // todas, las conservadas
        std::map<std::string, std::string> salen;
        long long secuencia = 0;
        {
            BaseSqlite s(Sur());
            for (const char* t : kTablas) {
                esperadas[t] = {s.Huella(t), s.Huella(Conservar(t))};
                salen[t] = s.Huella(Salen(t));
            }
            secuencia = s.Cuenta("SELECT seq FROM sqlite_sequence WHERE name = 'checadas'");
        }
        const auto inicio = std::chrono::steady_clock::now();
        Restaura();
        ASSERT_EQ(CorreHastaElFinal(ConArchivo(Depurar()), tmp / "completa.txt"), 0)
            << LeeArchivo(tmp / "completa.txt");
        const auto duracion = std::chrono::steady_clock::now() - inicio;
        int cambiadas = 0;
        constexpr int kMomentos = 12;
        for (int m = 0; m < kMomentos; ++m) {
            Restaura();
            const auto momento = duracion * (m + 0.5) / kMomentos;
            {
                Proceso p(ConArchivo(Depurar()), tmp / "muerto.txt");
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
            // El archivo está de acuerdo: lo depurado está en él, con lo que salió, y nada que diga depurada
            // sigue entero; reponerlo deja cada tabla como antes.
            const auto archivos = Archivos();
            ASSERT_LE(archivos.size(), 1u);
            if (!archivos.empty()) {
                {
                    BaseSqlite s(Sur()), a(archivos[0]);
                    for (const char* t : kTablas) {
                        const std::string estado =
                            a.Valor(std::string("SELECT max(estado) FROM ovnalvora_tablas WHERE tabla = '") +
                                    t + "'");
                        const bool depurada = s.Huella(t) == esperadas[t].second;
                        EXPECT_TRUE(estado != "depurada" || depurada) << t;
                        if (depurada) {
                            EXPECT_TRUE(estado == "depurada" || estado == "pendiente") << t << ": " << estado;
                            EXPECT_TRUE(a.Huella(t) == salen[t]) << t << ": el archivo guarda lo que salió";
                        }
                    }
                }
                ASSERT_EQ(CorreHastaElFinal({OV_PROGRAMA, "--registro", (demo / "orvalo.reg").string(),
                                             "--restaurar-archivo", archivos[0].string(), "--si"},
                                            tmp / "repone.txt"),
                          0)
                    << LeeArchivo(tmp / "repone.txt");
                BaseSqlite s(Sur());
                for (const char* t : kTablas) {
                    EXPECT_TRUE(s.Huella(t) == esperadas[t].first) << t << " volvió entera";
                }
            }
            // La siguiente corrida no se rechaza.
            EXPECT_EQ(CorreHastaElFinal(Depurar("8"), tmp / "siguiente.txt"), 0)
                << LeeArchivo(tmp / "siguiente.txt");
        }
        EXPECT_GT(cambiadas, 0) << "algún momento cayó después de depurar una tabla";
    }
}

// El guion de --simular, corrido tal cual en sqlite3, deja solo lo que se conserva, y cada tabla completa o
// intacta cuando algo falla, con cada estrategia.
TEST_F(ProcesosPrueba, ElGuionDeSimularEsSeguroYDejaSoloLoQueSeConserva) {
    Prepara(3000, "DELETE");
    std::map<std::string, std::string> conservadas;
    {
        BaseSqlite s(Sur());
        for (const char* t : kTablas) {
            conservadas[t] = s.Huella(Conservar(t));
        }
    }
    for (const std::string estrategia : {"copia", "borrado"}) {
        SCOPED_TRACE(estrategia);
        Restaura();
        auto simular = Depurar();
        simular.back() = "--simular";
        simular.insert(simular.end(), {"--estrategia", estrategia});
        ASSERT_EQ(CorreHastaElFinal(simular, tmp / "simular.txt"), 0);
        const std::string salida = LeeArchivo(tmp / "simular.txt");
        EscribeArchivo(tmp / "guion.sql", salida.substr(salida.find("\n\n") + 2));
        const std::string sqlite3 = "sqlite3 '" + Sur().string() + "' < '" + (tmp / "guion.sql").string() +
                                    "' > '" + (tmp / "sqlite3.txt").string() + "' 2>&1";
        ASSERT_EQ(std::system(sqlite3.c_str()), 0) << LeeArchivo(tmp / "sqlite3.txt");
        {
            BaseSqlite s(Sur());
            for (const char* t : kTablas) {
                EXPECT_TRUE(s.Huella(t) == conservadas[t]) << t;
            }
        }

        // Un disparador que rechaza una fila de la bitácora: al reponerla copiando, o al borrarla.
        Restaura();
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
        BaseSqlite s(Sur());
        EXPECT_TRUE(s.Huella("bitacora") == bitacora) << LeeArchivo(tmp / "sqlite3.txt");
        EXPECT_TRUE(s.Huella("checadas") == conservadas["checadas"]) << "lo anterior sí se depuró";
    }
}
