// La corrida completa sobre las bases de demostración, por el driver SQLite3 de ODBC.
#include "ApoyoDepuracion.h"
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
    for (const Estrategia e : {Estrategia::Copia, Estrategia::Borrado, Estrategia::Auto}) {
        SCOPED_TRACE(NombreEstrategia(e));
        estrategia = e;
        GeneraDemo(demo, 3000);
        observador.lineas.clear();
        long long conservarTrans, conservarKardexN, conservarBitN, conservarChecS, conservarKardexS,
            conservarBitS;
        long long sumaIdsConservados, secuenciaAnterior, checadasNorte, sumaChecadasNorte;
        {
            BaseSqlite n(Norte());
            SiembraBordes(n, "Transacciones", "fechayhora", false);
            SiembraBordes(n, "kardex", "fecha", true);
            SiembraBordes(n, "bitacora", "fechahora", false);
            conservarTrans = Conservables(n, "transacciones", "fechayhora");
            conservarKardexN = Conservables(n, "kardex", "fecha");
            conservarBitN = Conservables(n, "bitacora", "fechahora");
            sumaIdsConservados =
                n.Cuenta("SELECT sum(id) FROM transacciones WHERE fechayhora < '2025-03-01' OR "
                         "fechayhora >= '2025-04-01' OR fechayhora IS NULL");
            secuenciaAnterior = n.Cuenta("SELECT seq FROM sqlite_sequence WHERE name = 'Transacciones'");
            checadasNorte = n.Cuenta("SELECT count(*) FROM checadas");
            sumaChecadasNorte = n.Cuenta("SELECT sum(id) FROM checadas");
            BaseSqlite s(Sur());
            SiembraBordes(s, "checadas", "fechayhora", false);
            conservarChecS = Conservables(s, "checadas", "fechayhora");
            conservarKardexS = Conservables(s, "kardex", "fecha");
            conservarBitS = Conservables(s, "bitacora", "fechahora");
            ASSERT_LT(conservarChecS, s.Cuenta("SELECT count(*) FROM checadas"))
                << "marzo debe tener checadas";
        }

        Plan plan = ArmaPlan({"Planta Norte", "Planta Sur"});
        const auto res = Corre(plan);
        ASSERT_EQ(res.fin, ResultadoCorrida::Fin::Terminada) << res.Error;
        EXPECT_TRUE(res.TodasTerminadas) << res.Mensaje;
        EXPECT_TRUE(res.Pendientes.empty());
        EXPECT_EQ(res.Mensaje, "Proceso de depuración terminado.");
        for (int k = 1; k <= plan.Count(); ++k) {
            EXPECT_EQ(plan.NodoEn(k).Texto, plan.TareaEn(k).Terminado) << k;
            EXPECT_EQ(plan.NodoEn(k).Image, Imagen::Palomita) << k;
        }

        BaseSqlite n(Norte());
        EXPECT_EQ(Bordes(n, "transacciones", "fechayhora"),
                  "NULL|2025-02-28 23:59:59|2025-04-01 00:00:00|2025-04-01 00:00:01");
        EXPECT_EQ(Bordes(n, "kardex", "fecha"), "NULL|2025-02-28|2025-04-01");
        EXPECT_EQ(n.Cuenta("SELECT count(*) FROM transacciones"), conservarTrans);
        EXPECT_EQ(n.Cuenta("SELECT count(*) FROM kardex"), conservarKardexN);
        // El disparador de kardex no escribió en la bitácora al reponer, y sigue ahí.
        EXPECT_EQ(n.Cuenta("SELECT count(*) FROM bitacora"), conservarBitN);
        EXPECT_EQ(
            n.Cuenta(
                "SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND name = 'kardex_bitacora'"),
            1);
        // Los id de Transacciones son los mismos y el siguiente queda por encima de todo lo que hubo.
        EXPECT_EQ(n.Cuenta("SELECT sum(id) FROM transacciones"), sumaIdsConservados);
        n.Ejecuta("INSERT INTO transacciones (empleado, fechayhora) VALUES (1, '2026-12-06 10:00:00')");
        EXPECT_GT(n.Cuenta("SELECT max(id) FROM transacciones"), secuenciaAnterior);
        // Con "Transacciones", checadas no se toca.
        EXPECT_EQ(n.Cuenta("SELECT count(*) FROM checadas"), checadasNorte);
        EXPECT_EQ(n.Cuenta("SELECT sum(id) FROM checadas"), sumaChecadasNorte);

        BaseSqlite s(Sur());
        EXPECT_EQ(Bordes(s, "checadas", "fechayhora"),
                  "NULL|2025-02-28 23:59:59|2025-04-01 00:00:00|2025-04-01 00:00:01");
        EXPECT_EQ(s.Cuenta("SELECT count(*) FROM checadas"), conservarChecS);
        EXPECT_EQ(s.Cuenta("SELECT count(*) FROM kardex"), conservarKardexS);
        EXPECT_EQ(s.Cuenta("SELECT count(*) FROM bitacora"), conservarBitS);
        EXPECT_FALSE(fs::exists(Temporal()));

        ASSERT_FALSE(observador.lineas.empty());
        EXPECT_EQ(observador.lineas.front(), "Inicia depuración del 2025-03-01 al 2025-03-31.");
        EXPECT_EQ(observador.lineas.back(), "Termina depuración del 2025-03-01 al 2025-03-31.");
        EXPECT_EQ(observador.lineas.size(), 2u + 2u * 16u + 2u * 3u) << "una línea de cifras por tabla";
        EXPECT_EQ(observador.lineas[1], "Eliminando las checadas reales de Planta Norte...");
        EXPECT_EQ(observador.lineas[2], "Checadas reales eliminadas de Planta Norte.");
        EXPECT_EQ(observador.lineas[3].rfind("transacciones de Planta Norte: ", 0), 0u)
            << observador.lineas[3];
        EXPECT_NE(observador.lineas[3].find(std::string(" conservadas, 0 s, por ") +
                                            (e == Estrategia::Copia ? "copia." : "borrado.")),
                  std::string::npos)
            << observador.lineas[3];
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
        EXPECT_EQ(plan.NodoEn(c.paso).Texto.rfind("Error: ", 0), 0u) << plan.NodoEn(c.paso).Texto;
        EXPECT_NE(plan.NodoEn(c.paso).Texto.find(c.error), std::string::npos) << plan.NodoEn(c.paso).Texto;
        EXPECT_NE(res.Mensaje.find("no terminaron bien"), std::string::npos) << res.Mensaje;
        EXPECT_NE(res.Mensaje.find("Falló: " + plan.TareaEn(c.paso).Terminado), std::string::npos)
            << res.Mensaje;
        for (int k = c.paso + 1; k <= 8; ++k) {
            EXPECT_NE(plan.NodoEn(k).Image, Imagen::Ninguna) << "el paso " << k << " también corre";
        }
        BaseSqlite n(Norte());
        EXPECT_TRUE(n.Huella(c.tabla) == huella) << "la tabla quedó fila por fila como estaba";
        EXPECT_EQ(n.Valor(kDisparadores), disparadores);
        EXPECT_FALSE(fs::exists(Temporal())) << "orvalo_temp no guarda nada y se borra al terminar";
    }
}

// Una conexión que se pierde en cualquier sentencia de la transacción de una tabla: SQLite deshace
// todo, en la base y en orvalo_temp, modo diario o WAL.
class SesionQueSeCae final : public db::Sesion {
public:
    SesionQueSeCae(db::Conexion& real, int caeEn) : real_(real), caeEn_(caeEn) {}
    db::Resultado Execute(const std::string& sql) override {
        if (++cuenta_ == caeEn_) {
            real_.Close();
            throw db::ErrorBD(-1, "[prueba]", "conexión perdida en: " + sql);
        }
        return real_.Execute(sql);
    }
    std::string DefaultDatabase() override { return real_.DefaultDatabase(); }
    int cuenta_ = 0;

private:
    db::Conexion& real_;
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
    EXPECT_NE(plan.NodoEn(1).Texto.find("Transacciones"), std::string::npos) << plan.NodoEn(1).Texto;
    BaseSqlite n(Norte());
    EXPECT_TRUE(n.Huella("checadas") == huella);
}

TEST_F(DepuracionPrueba, PlanVacioYPlanSinMarcas) {
    Plan vacio;
    vacio.Reconstruye({});
    auto res = Corre(vacio);
    EXPECT_EQ(observador.lineas,
              (std::vector<std::string>{"Inicia depuración del 2025-03-01 al 2025-03-31.",
                                        "Termina depuración del 2025-03-01 al 2025-03-31."}));
    // El aviso empieza igual y dice en un renglón más que no se eliminó nada.
    EXPECT_EQ(res.Mensaje, "Proceso de depuración terminado.\r\nNingún paso marcado corrió: no se eliminó "
                           "ninguna fila.");
    EXPECT_TRUE(res.NadaCorrio);

    observador.lineas.clear();
    const auto antes = LeeArchivo(Norte());
    Plan sinMarcas = ArmaPlan({"Planta Norte"}, {});
    AplicaAspecto(sinMarcas.NodoEn(2), sinMarcas.TareaEn(2), Aspecto::Terminado);
    res = Corre(sinMarcas);
    EXPECT_EQ(observador.lineas.size(), 2u);
    EXPECT_TRUE(res.NadaCorrio);
    EXPECT_EQ(sinMarcas.NodoEn(2).Image, Imagen::Ninguna);
    EXPECT_EQ(sinMarcas.NodoEn(2).Texto, sinMarcas.TareaEn(2).Terminado) << "el reinicio no cambia el texto";
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
    EXPECT_NE(plan.NodoEn(1).Texto.find("se esperaban"), std::string::npos) << plan.NodoEn(1).Texto;
    BaseSqlite s(Sur());
    EXPECT_TRUE(s.Huella("checadas") == huella);
}

// Mientras una tabla se depura nadie más escribe en ella, tampoco en modo WAL, donde un escritor no
// espera a los lectores: la transacción toma el candado de escritura desde su primera sentencia.
class SesionQueIntentaEscribir final : public db::Sesion {
public:
    SesionQueIntentaEscribir(db::Conexion& real, std::filesystem::path base)
        : real_(real), base_(std::move(base)) {}
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
    std::string DefaultDatabase() override { return real_.DefaultDatabase(); }
    bool escribio = false;

private:
    db::Conexion& real_;
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
    ModNalvora modulo(*registro);
    const Bitacora bitacora(RutaLog(), reloj);
    Depuracion depuracion(modulo, bitacora, falla);
    const auto res = depuracion.Corre(plan, marzo);
    EXPECT_EQ(res.fin, ResultadoCorrida::Fin::Detenida);
    EXPECT_EQ(res.Mensaje.rfind("La depuración se detuvo por un error: Error inesperado: sin memoria", 0), 0u)
        << res.Mensaje;
    EXPECT_EQ(plan.NodoEn(1).Image, Imagen::Palomita);
    EXPECT_EQ(plan.NodoEn(3).Image, Imagen::Ninguna) << "nada corre después";
    EXPECT_EQ(falla.lineas.back(), "Termina depuración del 2025-03-01 al 2025-03-31.");
    EXPECT_FALSE(fs::exists(Temporal()));
}
