// El programa entero como proceso: matarlo en cualquier momento y el guion de --simular corrido en sqlite3.
#include "apoyo/BaseSqlite.h"
#include "apoyo/CarpetaTemporal.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <memory>
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
        if (pid_ > 0) {
            kill(pid_, SIGKILL); // sin oportunidad de limpiar nada
        }
        Espera();
    }
    Proceso(const Proceso&) = delete;
    Proceso& operator=(const Proceso&) = delete;

    int Espera() { // el código de salida; -1 si murió por una señal
        int estado = 0;
        const bool salio = pid_ > 0 && waitpid(pid_, &estado, 0) == pid_ && WIFEXITED(estado);
        pid_ = -1;
        return salio ? WEXITSTATUS(estado) : -1;
    }

private:
    pid_t pid_ = -1;
};

// Corre el programa hasta el final: "" si salió con 0; si no, el código y lo que escribió.
std::string Falla(const std::vector<std::string>& argumentos, const fs::path& salida) {
    const int codigo = Proceso(argumentos, salida).Espera();
    return codigo == 0 ? "" : std::to_string(codigo) + ": " + LeeArchivo(salida);
}

const char* const kTablas[] = {"checadas", "kardex", "bitacora"};

// Las filas de la tabla que salen con el rango de 2024, o las que se conservan (las sin fecha también).
std::string Filas(const std::string& tabla, bool conservadas) {
    const std::string c = tabla == "kardex" ? "fecha" : tabla == "bitacora" ? "fechahora" : "fechayhora";
    return "(SELECT * FROM " + tabla + " WHERE " + (conservadas ? "NOT " : "") + "(" + c +
           " >= '2024-01-01' AND " + c + " < '2025-01-01')" + (conservadas ? " OR " + c + " IS NULL)" : ")");
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
        for (const auto& e : fs::directory_iterator(CarpetaArchivo())) {
            if (e.path().extension() == ".db") {
                archivos.push_back(e.path());
            }
        }
        return archivos;
    }

    // El programa con el registro de la demostración y los argumentos dados.
    std::vector<std::string> Orden(std::vector<std::string> argumentos) const {
        argumentos.insert(argumentos.begin(), {OV_PROGRAMA, "--registro", (demo / "orvalo.reg").string()});
        return argumentos;
    }
    std::vector<std::string> Depurar(const std::string& pasos = "1,2,3,4,5,6,7,8") const {
        return Orden({"--depurar", "--conexion", "Planta Sur", "--desde", "2024-01-01", "--hasta",
                      "2024-12-31", "--pasos", pasos, "--si"});
    }
    // Vuelve la base al original y quita lo que haya dejado la corrida anterior.
    void Restaura() {
        for (const std::string base : {"orvalo_sur.db", "orvalo_temp.db"}) {
            for (const char* sufijo : {"", "-wal", "-shm", "-journal"}) {
                fs::remove(demo / (base + sufijo));
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
                esperadas[t] = {s.Huella(t), s.Huella(Filas(t, true))};
                salen[t] = s.Huella(Filas(t, false));
            }
            secuencia = s.Cuenta("SELECT seq FROM sqlite_sequence WHERE name = 'checadas'");
        }
        auto conArchivo = Depurar();
        conArchivo.insert(conArchivo.end(), {"--archivo", CarpetaArchivo().string()});
        const auto inicio = std::chrono::steady_clock::now();
        Restaura();
        ASSERT_EQ(Falla(conArchivo, tmp / "completa.txt"), "");
        const auto duracion = std::chrono::steady_clock::now() - inicio;
        int cambiadas = 0;
        constexpr int kMomentos = 12;
        for (int m = 0; m < kMomentos; ++m) {
            Restaura();
            const auto momento = duracion * (m + 0.5) / kMomentos;
            {
                Proceso p(conArchivo, tmp / "muerto.txt"); // al destruirse lo mata y lo espera
                std::this_thread::sleep_for(momento);
            }
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(momento).count();
            SCOPED_TRACE("muerto a los " + std::to_string(ms) + " ms");
            // El archivo está de acuerdo: lo depurado está en él, con lo que salió, y nada que diga depurada
            // sigue entero; reponerlo deja cada tabla como antes.
            const auto archivos = Archivos();
            ASSERT_LE(archivos.size(), 1u);
            {
                BaseSqlite s(Sur());
                const auto a = archivos.empty() ? nullptr : std::make_unique<BaseSqlite>(archivos[0]);
                for (const char* t : kTablas) {
                    const std::string h = s.Huella(t);
                    const bool entera = h == esperadas[t].first, depurada = h == esperadas[t].second;
                    EXPECT_TRUE(entera || depurada) << t << " quedó a medias: " << h.substr(0, h.find(':'));
                    cambiadas += depurada && !entera;
                    const std::string estado =
                        a ? a->Valor(std::string("SELECT max(estado) FROM ovnalvora_tablas WHERE tabla = '") +
                                     t + "'")
                          : "";
                    EXPECT_TRUE(estado != "depurada" || depurada) << t;
                    if (a && depurada) {
                        EXPECT_TRUE(estado == "depurada" || estado == "pendiente") << t << ": " << estado;
                        EXPECT_TRUE(a->Huella(t) == salen[t]) << t << ": el archivo guarda lo que salió";
                    }
                }
                EXPECT_EQ(s.Valor("SELECT group_concat(name) FROM sqlite_master WHERE type = 'trigger'"),
                          "kardex_bitacora");
                EXPECT_GE(s.Cuenta("SELECT seq FROM sqlite_sequence WHERE name = 'checadas'"), secuencia);
            }
            if (!archivos.empty()) {
                ASSERT_EQ(
                    Falla(Orden({"--restaurar-archivo", archivos[0].string(), "--si"}), tmp / "repone.txt"),
                    "");
                BaseSqlite s(Sur());
                for (const char* t : kTablas) {
                    EXPECT_TRUE(s.Huella(t) == esperadas[t].first) << t << " volvió entera";
                }
            }
            // La siguiente corrida no se rechaza.
            EXPECT_EQ(Falla(Depurar("8"), tmp / "siguiente.txt"), "");
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
            conservadas[t] = s.Huella(Filas(t, true));
        }
    }
    for (const std::string estrategia : {"copia", "borrado"}) {
        SCOPED_TRACE(estrategia);
        Restaura();
        auto simular = Depurar();
        simular.back() = "--simular";
        simular.insert(simular.end(), {"--estrategia", estrategia});
        ASSERT_EQ(Falla(simular, tmp / "simular.txt"), "");
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
                      "'no'), ('2024-06-02 08:00:00', 'x', 'no')");
            const bool copia = estrategia == "copia";
            s.Ejecuta(std::string("CREATE TRIGGER rechaza BEFORE ") + (copia ? "INSERT" : "DELETE") +
                      " ON bitacora WHEN " + (copia ? "NEW" : "OLD") +
                      ".accion = 'no' BEGIN SELECT RAISE(ABORT, 'fila rechazada'); END");
            bitacora = s.Huella("bitacora");
        }
        EXPECT_NE(std::system(sqlite3.c_str()), 0) << "sqlite3 se detiene en la falla";
        BaseSqlite s(Sur());
        EXPECT_TRUE(s.Huella("bitacora") == bitacora) << LeeArchivo(tmp / "sqlite3.txt");
        EXPECT_TRUE(s.Huella("checadas") == conservadas["checadas"]) << "lo anterior sí se depuró";
    }
}
