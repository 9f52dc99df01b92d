// La corrida completa sobre las bases de demostración, por el driver SQLite3 de ODBC.
#include "ApoyoDepuracion.h"
#include "apoyo/Contiene.h"
#include "purge/Dialecto.h"
#include "purge/ListaColumnas.h"

#include <sqlite3.h>

using namespace ov;
using namespace ov::prueba;
namespace fs = std::filesystem;

namespace {
const std::string kDisparadores =
    "SELECT group_concat(name) FROM (SELECT name FROM sqlite_master WHERE type = 'trigger' ORDER BY name)";
}

TEST_F(DepuracionPrueba, DosBasesEnUnPlanPierdenSoloElRangoYConservanTodoLoDemas) {
    // Igual con cada estrategia, forzada o elegida sola: bordes, filas sin fecha, id y disparadores.
    struct Tabla {
        bool norte;
        const char *tabla, *columna;
    };
    const std::vector<Tabla> tablas{
        {true, "transacciones", "fechayhora"}, {true, "kardex", "fecha"},  {true, "bitacora", "fechahora"},
        {false, "checadas", "fechayhora"},     {false, "kardex", "fecha"}, {false, "bitacora", "fechahora"}};
    for (const Estrategia e : {Estrategia::Copia, Estrategia::Borrado, Estrategia::Auto}) {
        SCOPED_TRACE(NombreEstrategia(e));
        estrategia = e;
        GeneraDemo(demo, 3000);
        observador.lineas.clear();
        std::vector<std::string> conservadas;
        std::string checadasNorte;
        long long secuenciaAnterior = 0;
        {
            BaseSqlite n(Norte()), s(Sur());
            SiembraBordes(n, "Transacciones", "fechayhora", false);
            SiembraBordes(n, "kardex", "fecha", true);
            SiembraBordes(n, "bitacora", "fechahora", false);
            SiembraBordes(s, "checadas", "fechayhora", false);
            for (const auto& t : tablas) {
                conservadas.push_back((t.norte ? n : s).Huella(FueraDeMarzo(t.tabla, t.columna)));
            }
            secuenciaAnterior = n.Cuenta("SELECT seq FROM sqlite_sequence WHERE name = 'Transacciones'");
            checadasNorte = n.Huella("checadas");
            ASSERT_LT(Conservables(s, "checadas", "fechayhora"), s.Cuenta("SELECT count(*) FROM checadas"));
        }

        Plan plan = ArmaPlan({"Planta Norte", "Planta Sur"});
        const auto res = Corre(plan);
        ASSERT_EQ(res.fin, ResultadoCorrida::Fin::Terminada) << res.Error;
        EXPECT_TRUE(res.TodasTerminadas && res.Pendientes.empty()) << res.Mensaje;
        EXPECT_EQ(res.Mensaje, "Proceso de depuración terminado.");
        for (int k = 1; k <= plan.Count(); ++k) {
            EXPECT_EQ(plan.NodoEn(k).Texto, plan.TareaEn(k).Terminado) << k;
            EXPECT_EQ(plan.NodoEn(k).Image, Imagen::Palomita) << k;
        }

        // Cada tabla queda con sus filas fuera del rango, mismos id; el disparador de kardex no escribió
        // en la bitácora al reponer, y sigue ahí. Con "Transacciones", checadas no se toca.
        BaseSqlite n(Norte()), s(Sur());
        for (size_t i = 0; i < tablas.size(); ++i) {
            EXPECT_TRUE((tablas[i].norte ? n : s).Huella(tablas[i].tabla) == conservadas[i])
                << tablas[i].tabla;
        }
        EXPECT_EQ(Bordes(n, "transacciones", "fechayhora"),
                  "NULL|2025-02-28 23:59:59|2025-04-01 00:00:00|2025-04-01 00:00:01");
        EXPECT_EQ(Bordes(n, "kardex", "fecha"), "NULL|2025-02-28|2025-04-01");
        EXPECT_EQ(n.Valor(kDisparadores), "kardex_bitacora");
        EXPECT_TRUE(n.Huella("checadas") == checadasNorte);
        // El siguiente id queda por encima de todo lo que hubo.
        n.Ejecuta("INSERT INTO transacciones (empleado, fechayhora) VALUES (1, '2026-12-06 10:00:00')");
        EXPECT_GT(n.Cuenta("SELECT max(id) FROM transacciones"), secuenciaAnterior);
        EXPECT_FALSE(fs::exists(Temporal()));

        const auto& l = observador.lineas;
        ASSERT_EQ(l.size(), 2u + 2u * 16u + 2u * 3u) << "una línea de cifras por tabla";
        EXPECT_EQ(l.front(), "Inicia depuración del 2025-03-01 al 2025-03-31.");
        EXPECT_EQ(l.back(), "Termina depuración del 2025-03-01 al 2025-03-31.");
        EXPECT_EQ(l[1], "Eliminando las checadas reales de Planta Norte...");
        EXPECT_EQ(l[2], "Checadas reales eliminadas de Planta Norte.");
        EXPECT_EMPIEZA(l[3], "transacciones de Planta Norte: ");
        EXPECT_CONTIENE(l[3], std::string(" conservadas, 0 s, por ") +
                                  (e == Estrategia::Copia ? "copia." : "borrado."));
    }
}

// Cada falla de una tarea de datos la deshace entera: la tabla queda fila por fila como estaba,
// orvalo_temp no guarda nada de ella y la corrida sigue con los pasos siguientes.
TEST_F(DepuracionPrueba, CadaFallaDeUnaTablaLaDejaIntactaYLaCorridaSigue) {
    struct Caso {
        const char* nombre;
        int paso;
        const char* tabla;
        std::vector<std::string> prepara;
        const char* error;
    };
    const std::vector<Caso> casos{
        {"un disparador rechaza una fila conservada",
         5,
         "bitacora",
         {"INSERT INTO bitacora (fechahora, usuario, accion) VALUES ('2024-01-02 08:00:00', 'x', 'rechazar')",
          "CREATE TRIGGER rechaza BEFORE INSERT ON bitacora WHEN NEW.accion = 'rechazar' "
          "BEGIN SELECT RAISE(ABORT, 'fila rechazada'); END"},
         "fila rechazada"},
        {"la copia falla", 3, "kardex", {"ALTER TABLE kardex RENAME COLUMN fecha TO dia"}, "fecha"},
        // Al reponer la fila de menor id, un disparador mete otra con el id de la siguiente conservada.
        {"choca una clave única al reponer",
         5,
         "bitacora",
         {"CREATE TABLE primera AS SELECT min(id) AS id FROM bitacora",
          "CREATE TRIGGER duplica AFTER INSERT ON bitacora WHEN NEW.id = (SELECT id FROM primera) "
          "BEGIN INSERT INTO bitacora (id, usuario) VALUES (NEW.id + 1, 'x'); END"},
         "UNIQUE"},
        // Un contador que no es número: antes abortaba el programa; ahora es la falla de su tarea.
        {"el contador de identidad no es un número",
         1,
         "transacciones",
         {"UPDATE sqlite_sequence SET seq = 'x' WHERE name = 'Transacciones'"},
         "Se esperaba un número"},
        // Un disparador que borra lo que se acaba de reponer: la cuenta no cuadra.
        {"la cuenta de la reposición no cuadra",
         1,
         "transacciones",
         {"CREATE TRIGGER quita AFTER INSERT ON transacciones WHEN NEW.id = (SELECT min(id) FROM "
          "transacciones) BEGIN DELETE FROM transacciones WHERE id = NEW.id; END"},
         "Se reinsertaron "},
    };
    estrategia = Estrategia::Copia; // las fallas de la reposición solo existen copiando
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        GeneraDemo(demo, 3000);
        std::string huella, disparadores;
        {
            BaseSqlite n(Norte());
            for (const auto& sql : c.prepara) {
                n.Ejecuta(sql);
            }
            huella = n.Huella(c.tabla);
            disparadores = n.Valor(kDisparadores);
        }
        observador.lineas.clear();
        Plan plan = ArmaPlan({"Planta Norte"});
        const auto res = Corre(plan);
        EXPECT_EQ(res.fin, ResultadoCorrida::Fin::Terminada) << res.Error;
        EXPECT_FALSE(res.TodasTerminadas);
        EXPECT_TRUE(res.Pendientes.empty());
        EXPECT_EQ(plan.NodoEn(c.paso).Image, Imagen::Cruz);
        EXPECT_EMPIEZA(plan.NodoEn(c.paso).Texto, "Error: ");
        EXPECT_CONTIENE(plan.NodoEn(c.paso).Texto, c.error);
        EXPECT_CONTIENE(res.Mensaje, "no terminaron bien");
        EXPECT_CONTIENE(res.Mensaje, "Falló: " + plan.TareaEn(c.paso).Terminado);
        for (int k = c.paso + 1; k <= 8; ++k) {
            EXPECT_NE(plan.NodoEn(k).Image, Imagen::Ninguna) << "el paso " << k << " también corre";
        }
        BaseSqlite n(Norte());
        EXPECT_TRUE(n.Huella(c.tabla) == huella) << "la tabla quedó fila por fila como estaba";
        EXPECT_EQ(n.Valor(kDisparadores), disparadores);
        EXPECT_FALSE(fs::exists(Temporal())) << "orvalo_temp no guarda nada y se borra al terminar";
    }
}

// Una sesión sobre la conexión real, para meterse entre las sentencias de la depuración.
class SesionSobre : public db::Sesion {
public:
    explicit SesionSobre(db::Conexion& real) : real_(real) {}
    std::string DefaultDatabase() override { return real_.DefaultDatabase(); }

protected:
    db::Conexion& real_;
};

// La conexión se pierde en una sentencia dada: SQLite deshace todo, en la base y en orvalo_temp.
class SesionQueSeCae final : public SesionSobre {
public:
    SesionQueSeCae(db::Conexion& real, int caeEn) : SesionSobre(real), caeEn_(caeEn) {}
    db::Resultado Execute(const std::string& sql) override {
        if (++cuenta_ == caeEn_) {
            real_.Close();
            throw db::ErrorBD(-1, "[prueba]", "conexión perdida en: " + sql);
        }
        return real_.Execute(sql);
    }
    int cuenta_ = 0;

private:
    int caeEn_;
};

TEST_F(DepuracionPrueba, UnaConexionPerdidaEnCualquierSentenciaNoCambiaLaTabla) {
    for (const auto& [diario, forma] :
         {std::pair{"DELETE", Estrategia::Copia}, std::pair{"WAL", Estrategia::Copia},
          std::pair{"WAL", Estrategia::Borrado}}) {
        SCOPED_TRACE(std::string(diario) + " " + NombreEstrategia(forma));
        {
            BaseSqlite n(Norte());
            n.Ejecuta(std::string("PRAGMA journal_mode=") + diario);
        }
        const TablaDatos kardex{"kardex", "fecha"};
        int sentencias = 0;
        for (int caeEn = 1;; ++caeEn) {
            std::string huella, secuencia;
            {
                BaseSqlite n(Norte());
                huella = n.Huella("kardex");
            }
            ModNalvora modulo(*registro);
            ASSERT_EQ(modulo.AbreConexion("Planta Norte"), 0);
            auto dialecto = DialectoPara(modulo.cnBD());
            const auto reposicion = dialecto->Sentencia(modulo.cnBD(), "KARDEX", "", "");
            SesionQueSeCae sesion(modulo.cnBD(), caeEn);
            dialecto->UneTemporal(modulo.cnBD());
            bool cayo = false;
            try {
                dialecto->DepuraTabla(sesion, kardex, marzo, reposicion, forma);
            } catch (const db::ErrorBD& e) {
                cayo = std::string(e.Fuente) == "[prueba]";
                if (!cayo) {
                    ADD_FAILURE() << e.Descripcion;
                }
            }
            if (!cayo) {
                sentencias = sesion.cuenta_;
                break; // la transacción entera pasó sin caerse: ya se probaron todos los puntos
            }
            BaseSqlite n(Norte());
            EXPECT_TRUE(n.Huella("kardex") == huella) << "cae en la sentencia " << caeEn;
            EXPECT_EQ(n.Cuenta("SELECT count(*) FROM sqlite_master WHERE type = 'trigger'"), 1) << caeEn;
            BaseSqlite t(Temporal());
            EXPECT_EQ(t.Cuenta("SELECT count(*) FROM sqlite_master WHERE name = 'kardex'"), 0) << caeEn;
        }
        EXPECT_GT(sentencias, 6) << "la prueba recorrió la transacción";
        fs::remove(Temporal());
    }
}

TEST_F(DepuracionPrueba, LaTablaDeChecadasLaDecideLaBaseYNoElPlan) {
    // Un plan armado cuando el sondeo de Norte falló: pide checadas, pero la base tiene Transacciones.
    std::vector<FilaConexion> filas{{"Planta Norte", true, false}};
    Plan plan;
    plan.Reconstruye(filas);
    for (int k = 1; k <= plan.Count(); ++k) {
        plan.NodoEn(k).Checked = k == 1;
    }
    std::string huella;
    {
        BaseSqlite n(Norte());
        huella = n.Huella("checadas");
    }
    const auto res = Corre(plan);
    EXPECT_EQ(plan.NodoEn(1).Image, Imagen::Cruz);
    EXPECT_CONTIENE(plan.NodoEn(1).Texto, "Transacciones");
    BaseSqlite n(Norte());
    EXPECT_TRUE(n.Huella("checadas") == huella);
}

// Sin pasos marcados nada corre ni cambia; un nodo ya pintado pierde su imagen y conserva su texto.
TEST_F(DepuracionPrueba, PlanSinMarcas) {
    const auto antes = LeeArchivo(Norte());
    Plan plan = ArmaPlan({"Planta Norte"}, {});
    AplicaAspecto(plan.NodoEn(2), plan.TareaEn(2), Aspecto::Terminado);
    const auto res = Corre(plan);
    EXPECT_EQ(observador.lineas.size(), 2u);
    EXPECT_TRUE(res.NadaCorrio);
    EXPECT_EQ(plan.NodoEn(2).Image, Imagen::Ninguna);
    EXPECT_EQ(plan.NodoEn(2).Texto, plan.TareaEn(2).Terminado);
    EXPECT_EQ(LeeArchivo(Norte()), antes);
    EXPECT_FALSE(fs::exists(Temporal()));
}

TEST_F(DepuracionPrueba, UnaTareaQueFallaYLuegoTerminaMuestraTerminado) {
    {
        BaseSqlite s(Sur());
        s.Ejecuta("ALTER TABLE checadas RENAME TO checadas_x");
    }
    Plan plan = ArmaPlan({"Planta Sur"}, {2});
    Corre(plan);
    EXPECT_EQ(plan.NodoEn(2).Image, Imagen::Cruz);
    EXPECT_NE(plan.TareaEn(2).NumError, 0);
    EXPECT_EQ(plan.NodoEn(2).Texto, "Error: 1[SQLite] unable to identify the object to be reindexed Tarea: "
                                    "Indices recreados de las checadas reales de Planta Sur.");
    {
        BaseSqlite s(Sur());
        s.Ejecuta("ALTER TABLE checadas_x RENAME TO checadas");
    }
    Corre(plan);
    EXPECT_EQ(plan.NodoEn(2).Image, Imagen::Palomita);
    EXPECT_EQ(plan.TareaEn(2).NumError, 0);
    EXPECT_EQ(plan.TareaEn(2).DescripcionError, "");
    EXPECT_EQ(plan.TareaEn(2).Sentencia, "REINDEX checadas");
}

TEST_F(DepuracionPrueba, CrearLaTemporalNuncaBorraUnaQueGuardaTablas) {
    ModNalvora modulo(*registro);
    ASSERT_EQ(modulo.AbreConexion("Planta Sur"), 0);
    auto dialecto = DialectoPara(modulo.cnBD());
    const Origen origen{"Planta Sur", "s", "b", "m", "2026-12-06 10:00", "2025-03-01", "2025-03-31"};
    EscribeArchivo(Temporal(), "");
    dialecto->CreaTemporal(modulo.cnBD(), origen); // una vacía se reemplaza
    EXPECT_EQ(dialecto->LeeOrigen(modulo.cnBD())->Conexion, "Planta Sur");
    modulo.cnBD().Execute("DETACH DATABASE orvalo_temp");
    dialecto->CreaTemporal(modulo.cnBD(), origen); // una con solo su origen, también
    modulo.cnBD().Execute("DETACH DATABASE orvalo_temp");
    {
        BaseSqlite t(Temporal());
        t.Ejecuta("CREATE TABLE kardex (x)");
        t.Ejecuta("INSERT INTO kardex VALUES (1)");
    }
    EXPECT_THROW(dialecto->CreaTemporal(modulo.cnBD(), origen), db::ErrorBD);
    BaseSqlite t(Temporal());
    EXPECT_EQ(t.Cuenta("SELECT count(*) FROM kardex"), 1);
}

TEST_F(DepuracionPrueba, UnBorradoQueNoCuadraConLaCuentaSeDeshace) {
    std::string huella;
    {
        BaseSqlite s(Sur());
        // Un disparador que impide borrar una fila del rango: el borrado no alcanza la cuenta esperada.
        s.Ejecuta(
            "CREATE TRIGGER retiene BEFORE DELETE ON checadas WHEN OLD.id = (SELECT min(id) FROM checadas "
            "WHERE fechayhora >= '2025-03-01' AND fechayhora < '2025-04-01') BEGIN SELECT RAISE(IGNORE); "
            "END");
        huella = s.Huella("checadas");
    }
    estrategia = Estrategia::Borrado;
    Plan plan = ArmaPlan({"Planta Sur"}, {1});
    Corre(plan);
    EXPECT_EQ(plan.NodoEn(1).Image, Imagen::Cruz);
    EXPECT_CONTIENE(plan.NodoEn(1).Texto, "se esperaban");
    BaseSqlite s(Sur());
    EXPECT_TRUE(s.Huella("checadas") == huella);
}

// Mientras una tabla se depura nadie más escribe en ella, tampoco en modo WAL, donde un escritor no
// espera a los lectores: la transacción toma el candado de escritura desde su primera sentencia.
class SesionQueIntentaEscribir final : public SesionSobre {
public:
    SesionQueIntentaEscribir(db::Conexion& real, std::filesystem::path base)
        : SesionSobre(real), base_(std::move(base)) {}
    db::Resultado Execute(const std::string& sql) override {
        auto r = real_.Execute(sql);
        if (sql.rfind("CREATE TABLE orvalo_temp.", 0) == 0) {
            sqlite3* otra = nullptr;
            sqlite3_open(base_.c_str(), &otra);
            sqlite3_busy_timeout(otra, 0);
            escribio =
                sqlite3_exec(otra, "INSERT INTO checadas (empleado, fechayhora) VALUES (1, '2025-03-02')",
                             nullptr, nullptr, nullptr) == SQLITE_OK;
            sqlite3_close(otra);
        }
        return r;
    }
    bool escribio = false;

private:
    std::filesystem::path base_;
};

TEST_F(DepuracionPrueba, NadieEscribeEnLaTablaMientrasSeDepuraYLasColumnasVanEntreCorchetes) {
    {
        BaseSqlite s(Sur());
        s.Ejecuta("PRAGMA journal_mode=WAL");
        s.Ejecuta("CREATE TABLE otra (id INTEGER, \"nota]x\" TEXT)");
    }
    ModNalvora modulo(*registro);
    ASSERT_EQ(modulo.AbreConexion("Planta Sur"), 0);
    auto dialecto = DialectoPara(modulo.cnBD());
    // El cierre de corchete dentro de un nombre se duplica.
    EXPECT_EQ(ListaColumnas(modulo, *dialecto, "otra", "Planta Sur"), "[id],[nota]]x]");
    dialecto->UneTemporal(modulo.cnBD());
    SesionQueIntentaEscribir sesion(modulo.cnBD(), Sur());
    const auto reposicion =
        dialecto->Sentencia(modulo.cnBD(), "CHECADAS", "[id],[empleado],[fechayhora],[reloj]", "");
    dialecto->DepuraTabla(sesion, {"checadas", "fechayhora"}, marzo, reposicion, Estrategia::Copia);
    EXPECT_FALSE(sesion.escribio) << "otra conexión escribió en la tabla a media depuración";
}

// Lo que no es un error de la base tampoco escapa: la corrida se detiene, lo dice y lo anota.
TEST_F(DepuracionPrueba, UnErrorInesperadoDetieneLaCorridaYLoDice) {
    class ObservadorQueFalla final : public ObservadorPrueba {
    public:
        void NodoCambiado(int posicion, const Nodo& nodo) override {
            ObservadorPrueba::NodoCambiado(posicion, nodo);
            if (nodo.Image == Imagen::Flecha && posicion == 2) {
                throw std::length_error("sin memoria");
            }
        }
    } falla;
    Plan plan = ArmaPlan({"Planta Sur"});
    const auto res = Corre(plan, nullptr, &falla);
    EXPECT_EQ(res.fin, ResultadoCorrida::Fin::Detenida);
    EXPECT_EMPIEZA(res.Mensaje, "La depuración se detuvo por un error: Error inesperado: sin memoria");
    EXPECT_EQ(plan.NodoEn(1).Image, Imagen::Palomita);
    EXPECT_EQ(plan.NodoEn(3).Image, Imagen::Ninguna) << "nada corre después";
    EXPECT_EQ(falla.lineas.back(), "Termina depuración del 2025-03-01 al 2025-03-31.");
    EXPECT_FALSE(fs::exists(Temporal()));
}
