// La corrida completa sobre las bases de demostración, por el driver SQLite3 de ODBC.
#include "ApoyoDepuracion.h"
#include "apoyo/Contiene.h"
#include "purge/Archivo.h"
#include "purge/AvisoFinal.h"
#include "purge/Dialecto.h"
#include "purge/ListaColumnas.h"
#include "purge/RestauraArchivo.h"

#include <functional>
#include <sqlite3.h>

using namespace ov;
using namespace ov::prueba;
namespace fs = std::filesystem;

namespace {
const std::string kDisparadores =
    "SELECT group_concat(name) FROM (SELECT name FROM sqlite_master WHERE type = 'trigger' ORDER BY name)";
}

// Con cada estrategia, forzada o elegida sola, sin archivo y con él: cada tabla pierde solo el rango (bordes,
// filas sin fecha), con sus id y sus disparadores. El archivo guarda exactamente lo que salió, con su
// origen; reponerlo deja cada tabla fila por fila como antes, sin que ningún disparador escriba, y
// reponerlo otra vez no cambia nada.
TEST_F(DepuracionPrueba, DosBasesPierdenSoloElRangoYElArchivoGuardaLoQueSalioYLoRepone) {
    const std::vector<std::pair<bool, TablaDatos>> tablas{{true, {"transacciones", "fechayhora"}},
                                                          {true, {"kardex", "fecha"}},
                                                          {true, {"bitacora", "fechahora"}},
                                                          {false, {"checadas", "fechayhora"}},
                                                          {false, {"kardex", "fecha"}},
                                                          {false, {"bitacora", "fechahora"}}};
    const fs::path archivoNorte = tmp / "archivo" / "Planta_Norte-20261206-100000.db";
    for (const auto& [e, conArchivo] :
         {std::pair{Estrategia::Copia, false}, std::pair{Estrategia::Borrado, false},
          std::pair{Estrategia::Auto, false}, std::pair{Estrategia::Copia, true},
          std::pair{Estrategia::Borrado, true}}) {
        SCOPED_TRACE(std::string(NombreEstrategia(e)) + (conArchivo ? " con archivo" : ""));
        estrategia = e;
        carpetaArchivo = conArchivo ? tmp / "archivo" : fs::path();
        fs::remove_all(tmp / "archivo");
        GeneraDemo(demo, 3000);
        observador.lineas.clear();
        std::vector<std::string> conservadas, antes, salen;
        std::vector<long long> cuantas;
        std::string checadasNorte;
        long long secuenciaAnterior = 0;
        {
            BaseSqlite n(Norte()), s(Sur());
            SiembraBordes(n, "Transacciones", "fechayhora");
            SiembraBordes(n, "kardex", "fecha");
            SiembraBordes(n, "bitacora", "fechahora");
            SiembraBordes(s, "checadas", "fechayhora");
            // Ninguno se dispara mientras se depura o se repone, con ninguna estrategia (como con TRUNCATE).
            n.Ejecuta("CREATE TABLE disparos (tabla TEXT)");
            for (const char* t : {"transacciones", "kardex", "bitacora"}) {
                for (const char* evento : {"DELETE", "INSERT"}) {
                    n.Ejecuta(std::string("CREATE TRIGGER cuenta_") + t + "_" + evento + " AFTER " + evento +
                              " ON " + t + " BEGIN INSERT INTO disparos VALUES ('" + t + "'); END");
                }
            }
            for (const auto& [norte, t] : tablas) {
                conservadas.push_back((norte ? n : s).Huella(FueraDeMarzo(t.Tabla, t.Columna)));
                if (norte) {
                    antes.push_back(n.Huella(t.Tabla));
                    salen.push_back(n.Huella(EnMarzo(t)));
                    cuantas.push_back(n.Cuenta("SELECT count(*) FROM " + EnMarzo(t)));
                }
            }
            secuenciaAnterior = n.Cuenta("SELECT seq FROM sqlite_sequence WHERE name = 'Transacciones'");
            checadasNorte = n.Huella("checadas");
            ASSERT_LT(Conservables(s, "checadas", "fechayhora"), s.Cuenta("SELECT count(*) FROM checadas"));
        }

        // orvalo_temp solo existe mientras se copia.
        bool huboTemporal = false;
        observador.alCambiar = [&](int, const Nodo&) { huboTemporal |= fs::exists(Temporal()); };
        Plan plan = ArmaPlan({"Planta Norte", "Planta Sur"});
        const auto res = Corre(plan);
        EXPECT_EQ(huboTemporal, e == Estrategia::Copia);
        ASSERT_EQ(res.fin, ResultadoCorrida::Fin::Terminada) << res.Error;
        EXPECT_TRUE(res.TodasTerminadas && res.Pendientes.empty()) << res.Mensaje;
        EXPECT_EQ(res.Mensaje, "Proceso de depuración terminado.");
        for (int k = 1; k <= plan.Count(); ++k) {
            EXPECT_EQ(plan.NodoEn(k).Texto, plan.TareaEn(k).Terminado) << k;
            EXPECT_EQ(plan.NodoEn(k).Image, Imagen::Palomita) << k;
        }
        EXPECT_FALSE(fs::exists(Temporal()));
        const auto& l = observador.lineas;
        ASSERT_EQ(l.size(), 2u + 2u * 16u + 2u * 3u * (conArchivo ? 2u : 1u))
            << "una línea de cifras por tabla";
        EXPECT_CONTIENE(l[3], std::string(" conservadas, 0 s, por ") +
                                  (e == Estrategia::Copia ? "copia." : "borrado."));

        // Cada tabla queda con sus filas fuera del rango, mismos id. Con "Transacciones", checadas no se
        // toca.
        {
            BaseSqlite n(Norte()), s(Sur());
            for (size_t i = 0; i < tablas.size(); ++i) {
                EXPECT_TRUE((tablas[i].first ? n : s).Huella(tablas[i].second.Tabla) == conservadas[i]) << i;
            }
            EXPECT_EQ(
                n.Valor("SELECT group_concat(coalesce(fechayhora, 'NULL'), '|') FROM (SELECT fechayhora FROM "
                        "transacciones WHERE empleado = 9999 ORDER BY fechayhora)"),
                "NULL|2025-02-28 23:59:59|2025-04-01 00:00:00|2025-04-01 00:00:01");
            EXPECT_TRUE(n.Huella("checadas") == checadasNorte);
        }
        if (conArchivo) {
            BaseSqlite a(archivoNorte);
            EXPECT_EQ(
                a.Valor("SELECT conexion || '|' || desde || '|' || hasta || '|' || inicio || '|' || fin || "
                        "'|' || version FROM ovnalvora_origen"),
                "Planta Norte|2025-03-01|2025-03-31|2026-12-06 10:00:00|2026-12-06 10:00:00|v2.2.0");
            EXPECT_EQ(
                a.Valor("SELECT group_concat(name || ' ' || type) FROM pragma_table_info('transacciones')"),
                BaseSqlite(Norte()).Valor(
                    "SELECT group_concat(name || ' ' || type) FROM pragma_table_info('Transacciones')"));
            for (size_t i = 0; i < 3; ++i) {
                const std::string& t = tablas[i].second.Tabla;
                EXPECT_GT(cuantas[i], 0) << t;
                EXPECT_TRUE(a.Huella(t) == salen[i]) << t << ": lo que salió, ni más ni menos";
                EXPECT_EQ(
                    a.Valor("SELECT estado || ' ' || filas FROM ovnalvora_tablas WHERE tabla = '" + t + "'"),
                    "depurada " + std::to_string(cuantas[i]));
            }
            for (const long long vez : {1, 2}) {
                ModNalvora modulo(*registro);
                ASSERT_EQ(modulo.AbreConexion("Planta Norte"), 0);
                auto archivo = AbreArchivoSQLite(archivoNorte);
                const auto repuestas =
                    RestauraArchivo(*archivo, LeeArchivoDepuracion(*archivo), modulo.cnBD());
                modulo.cnBD().Close();
                ASSERT_EQ(repuestas.size(), 3u);
                for (size_t i = 0; i < 3; ++i) {
                    EXPECT_EQ(repuestas[i].Tabla + repuestas[i].Error, tablas[i].second.Tabla);
                    EXPECT_EQ(repuestas[i].Repuestas, vez == 1 ? cuantas[i] : 0) << i << ", vez " << vez;
                    EXPECT_TRUE(BaseSqlite(Norte()).Huella(tablas[i].second.Tabla) == antes[i])
                        << i << ", vez " << vez;
                }
            }
        }

        // Ningún disparador escribió nada y todos siguen ahí. El siguiente id queda por encima de todo lo
        // que hubo.
        BaseSqlite n(Norte());
        EXPECT_EQ(n.Cuenta("SELECT count(*) FROM disparos"), 0);
        EXPECT_EQ(n.Cuenta("SELECT count(*) FROM sqlite_master WHERE type = 'trigger'"), 7);
        n.Ejecuta("INSERT INTO transacciones (empleado, fechayhora) VALUES (1, '2026-12-06 10:00:00')");
        EXPECT_GT(n.Cuenta("SELECT max(id) FROM transacciones"), secuenciaAnterior);
    }
}

// Cada falla de una tarea de datos la deshace entera: la tabla queda fila por fila como estaba,
// orvalo_temp no guarda nada de ella y la corrida sigue con los pasos siguientes.
TEST_F(DepuracionPrueba, CadaFallaDeUnaTablaLaDejaIntactaYLaCorridaSigue) {
    struct Caso {
        const char *nombre, *tabla, *prepara, *error;
        int paso;
    };
    // Un contador que no es número es la falla de su tarea: no aborta el programa.
    const Caso casos[]{
        {"la copia falla", "kardex", "ALTER TABLE kardex RENAME COLUMN fecha TO dia", "fecha", 3},
        {"el contador de identidad no es un número", "transacciones",
         "UPDATE sqlite_sequence SET seq = 'x' WHERE name = 'Transacciones'", "Se esperaba un número", 1}};
    estrategia = Estrategia::Copia;
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        GeneraDemo(demo, 3000);
        std::string huella, disparadores;
        {
            BaseSqlite n(Norte());
            n.Ejecuta(c.prepara);
            huella = n.Huella(c.tabla);
            disparadores = n.Valor(kDisparadores);
        }
        observador.lineas.clear();
        Plan plan = ArmaPlan({"Planta Norte"});
        const auto res = Corre(plan);
        EXPECT_EQ(res.fin, ResultadoCorrida::Fin::Terminada) << res.Error;
        EXPECT_FALSE(res.TodasTerminadas);
        EXPECT_EQ(plan.NodoEn(c.paso).Image, Imagen::Cruz);
        EXPECT_EMPIEZA(plan.NodoEn(c.paso).Texto, "Error: ");
        EXPECT_CONTIENE(plan.NodoEn(c.paso).Texto, c.error);
        EXPECT_CONTIENE(res.Mensaje, "no terminaron bien");
        EXPECT_CONTIENE(res.Mensaje, "Falló: " + LoQueSeIntento(plan.TareaEn(c.paso).EnProceso));
        for (int k = c.paso + 1; k <= 8; ++k) {
            EXPECT_EQ(plan.NodoEn(k).Image, Imagen::Palomita)
                << "el paso " << k << " también corre y termina";
        }
        BaseSqlite n(Norte());
        EXPECT_TRUE(n.Huella(c.tabla) == huella) << "la tabla quedó fila por fila como estaba";
        EXPECT_EQ(n.Valor(kDisparadores), disparadores);
        EXPECT_FALSE(fs::exists(Temporal())) << "orvalo_temp no guarda nada y se borra al terminar";
    }
}

// Un plan armado cuando el sondeo de Norte falló pide checadas, pero la base tiene Transacciones: la tarea
// falla sin tocar checadas. Sin Transacciones la misma tarea termina y el nodo ya no dice el error.
TEST_F(DepuracionPrueba, LaTablaDeChecadasLaDecideLaBaseYUnaTareaQueLuegoTerminaMuestraTerminado) {
    Plan plan;
    plan.Reconstruye({{"Planta Norte", true, false}});
    for (int k = 1; k <= plan.Count(); ++k) {
        plan.NodoEn(k).Checked = k == 1;
    }
    const std::string huella = BaseSqlite(Norte()).Huella("checadas");
    Corre(plan);
    EXPECT_EQ(plan.NodoEn(1).Image, Imagen::Cruz);
    EXPECT_EMPIEZA(plan.NodoEn(1).Texto, "Error: ");
    EXPECT_CONTIENE(plan.NodoEn(1).Texto, "Transacciones");
    {
        BaseSqlite n(Norte());
        EXPECT_TRUE(n.Huella("checadas") == huella);
        n.Ejecuta("DROP TABLE transacciones");
    }
    Corre(plan);
    EXPECT_EQ(plan.NodoEn(1).Image, Imagen::Palomita);
    EXPECT_EQ(plan.NodoEn(1).Texto, plan.TareaEn(1).Terminado);
    EXPECT_EQ(plan.TareaEn(1).NumError, 0);
    EXPECT_EQ(plan.TareaEn(1).DescripcionError, "");
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

// Mientras una tabla se depura nadie más escribe en ella, tampoco en modo WAL, donde un escritor no espera a
// los lectores: la transacción toma el candado de escritura desde su primera sentencia. Y algo que baja el
// contador de AUTOINCREMENT a media transacción no lo hace retroceder: ningún id emitido se vuelve a dar.
TEST_F(DepuracionPrueba, NadieEscribeNiRetrocedeElContadorYLasColumnasVanEntreCorchetes) {
    long long antes = 0;
    {
        BaseSqlite n(Norte());
        n.Ejecuta("PRAGMA journal_mode=WAL");
        n.Ejecuta("CREATE TABLE otra (id INTEGER, \"nota]x\" TEXT)");
        antes = n.Cuenta("SELECT seq FROM sqlite_sequence WHERE name = 'Transacciones'");
    }
    ModNalvora modulo(*registro);
    ASSERT_EQ(modulo.AbreConexion("Planta Norte"), 0);
    auto dialecto = DialectoPara(modulo.cnBD());
    // El cierre de corchete dentro de un nombre se duplica.
    EXPECT_EQ(ListaColumnas(modulo, *dialecto, "otra", "Planta Norte"), "[id],[nota]]x]");
    const auto columnas = ListaColumnas(modulo, *dialecto, "transacciones", "Planta Norte");
    dialecto->UneTemporal(modulo.cnBD());
    bool escribio = false;
    SesionIntrusa sesion(modulo.cnBD(), 0, [&](const std::string& sql) {
        if (sql.rfind("CREATE TABLE orvalo_temp.", 0) == 0) {
            sqlite3* otra = nullptr;
            sqlite3_open(Norte().c_str(), &otra);
            sqlite3_busy_timeout(otra, 0);
            escribio = sqlite3_exec(
                           otra, "INSERT INTO transacciones (empleado, fechayhora) VALUES (1, '2025-03-02')",
                           nullptr, nullptr, nullptr) == SQLITE_OK;
            sqlite3_close(otra);
        } else if (sql.rfind("INSERT INTO transacciones", 0) == 0) {
            modulo.cnBD().Execute("UPDATE sqlite_sequence SET seq = 1 WHERE name = 'Transacciones'");
        }
    });
    dialecto->DepuraTabla(sesion, {"transacciones", "fechayhora"}, marzo,
                          dialecto->Sentencia(modulo.cnBD(), "TRANSACCIONES", columnas, ""),
                          Estrategia::Copia);
    modulo.cnBD().Close();
    EXPECT_FALSE(escribio) << "otra conexión escribió en la tabla a media depuración";
    BaseSqlite n(Norte());
    EXPECT_EQ(n.Cuenta("SELECT seq FROM sqlite_sequence WHERE name = 'Transacciones'"), antes);
}

// La caché grande solo cuando un índice no va por la fecha: con sus entradas en desorden, borrar con la de
// omisión relee sus páginas en cada fila; con todos por la fecha, agrandarla solo cuesta tiempo.
TEST_F(DepuracionPrueba, LaCacheCreceSoloSiUnIndiceNoVaPorLaFecha) {
    const std::vector<std::pair<std::string, bool>> casos = {
        {"", false},
        {"CREATE INDEX ix_mayusculas ON checadas (FechaYHora, reloj)", false},
        {"CREATE INDEX ix_expresion ON checadas (date(fechayhora))", true},
        {"DROP INDEX ix_expresion; CREATE INDEX ix_empleado ON checadas (empleado, fechayhora)", true}};
    for (const auto& [indice, grande] : casos) {
        SCOPED_TRACE(indice);
        if (!indice.empty()) {
            BaseSqlite(Sur()).Ejecuta(indice);
        }
        ModNalvora modulo(*registro);
        ASSERT_EQ(modulo.AbreConexion("Planta Sur"), 0);
        auto dialecto = DialectoPara(modulo.cnBD());
        std::string cache;
        SesionIntrusa sesion(modulo.cnBD(), 0, [&](const std::string& sql) {
            if (sql.rfind("DELETE FROM checadas", 0) == 0) {
                cache =
                    modulo.cnBD().Execute("PRAGMA cache_size").Registros.value().Filas.at(0).at(0).value();
            }
        });
        dialecto->DepuraTabla(sesion, {"checadas", "fechayhora"}, marzo, {}, Estrategia::Borrado);
        EXPECT_EQ(cache == "-16384", grande) << cache;
    }
}

// Lo que no es un error de la base tampoco escapa: la corrida se detiene, lo dice y lo anota.
TEST_F(DepuracionPrueba, UnErrorInesperadoDetieneLaCorridaYLoDice) {
    observador.alCambiar = [](int posicion, const Nodo& nodo) {
        if (nodo.Image == Imagen::Flecha && posicion == 2) {
            throw std::length_error("sin memoria");
        }
    };
    Plan plan = ArmaPlan({"Planta Sur"});
    const auto res = Corre(plan);
    EXPECT_EQ(res.fin, ResultadoCorrida::Fin::Detenida);
    EXPECT_EMPIEZA(res.Mensaje, "La depuración se detuvo por un error: Error inesperado: sin memoria");
    EXPECT_EQ(plan.NodoEn(1).Image, Imagen::Palomita);
    EXPECT_EQ(plan.NodoEn(3).Image, Imagen::Ninguna) << "nada corre después";
    EXPECT_EQ(observador.lineas.back(), "Termina depuración del 2025-03-01 al 2025-03-31.");
    EXPECT_FALSE(fs::exists(Temporal()));
}

// Con llaves foráneas exigidas (FKSupport=1), vaciar una tabla borraría en cascada los hijos de las filas
// que se conservan: la tabla referenciada se borra en su lugar aunque salga casi toda, y copiar se rechaza.
TEST_F(DepuracionPrueba, UnaTablaReferenciadaSeBorraEnSuLugarYSoloSeVanLosHijosDeLoBorrado) {
    EscribeArchivo(demo / "orvalo.reg",
                   "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quintara\\Orvalo\\Conexiones\\0]\r\n"
                   "\"Name\"=\"Planta Sur\"\r\n\"Conn\"=\"Driver=SQLite3;FKSupport=1;Database=" +
                       Sur().string() + "\"\r\n");
    registro = std::make_unique<ArchivoReg>(demo / "orvalo.reg");
    {
        BaseSqlite s(Sur());
        s.Ejecuta("CREATE TABLE detalle (id INTEGER PRIMARY KEY, checada INTEGER REFERENCES checadas (id) ON "
                  "DELETE CASCADE)");
        s.Ejecuta("INSERT INTO detalle (checada) SELECT id FROM checadas");
    }
    marzo = {std::chrono::local_days{std::chrono::year{2024} / 1 / 1},
             std::chrono::local_days{std::chrono::year{2026} / 11 / 30}};
    for (const Estrategia e : {Estrategia::Copia, Estrategia::Auto}) {
        SCOPED_TRACE(NombreEstrategia(e));
        observador.lineas.clear();
        const std::string checadas = BaseSqlite(Sur()).Huella("checadas"),
                          detalle = BaseSqlite(Sur()).Huella("detalle");
        estrategia = e;
        Plan plan = ArmaPlan({"Planta Sur"}, {1});
        Corre(plan);
        BaseSqlite s(Sur());
        if (e == Estrategia::Copia) {
            EXPECT_EQ(plan.NodoEn(1).Image, Imagen::Cruz);
            EXPECT_CONTIENE(plan.NodoEn(1).Texto, "Otras tablas referencian a checadas con llaves foráneas");
            EXPECT_TRUE(s.Huella("checadas") == checadas && s.Huella("detalle") == detalle);
        } else {
            EXPECT_EQ(plan.NodoEn(1).Image, Imagen::Palomita) << plan.NodoEn(1).Texto;
            EXPECT_CONTIENE(observador.lineas[3], "por borrado.");
            EXPECT_EQ(
                s.Cuenta("SELECT count(*) FROM checadas WHERE fechayhora < '2024-01-01' OR fechayhora IS "
                         "NULL"),
                s.Cuenta("SELECT count(*) FROM detalle"));
        }
    }
}

// Si al cerrar el bloque orvalo_temp guarda filas, venga de donde venga, no se borra: se dice.
TEST_F(DepuracionPrueba, OrvaloTempConFilasAlTerminarNoSeBorraYSeDice) {
    observador.alCambiar = [this](int posicion, const Nodo& nodo) {
        if (nodo.Image == Imagen::Palomita && posicion == 1) {
            BaseSqlite(Temporal()).Ejecuta("CREATE TABLE kardex (x); INSERT INTO kardex VALUES (1)");
        }
    };
    estrategia = Estrategia::Copia;
    Plan plan = ArmaPlan({"Planta Sur"}, {1});
    const auto res = Corre(plan);
    EXPECT_EQ(res.Pendientes, std::vector<std::string>{"kardex (Planta Sur)"});
    EXPECT_CONTIENE(res.Mensaje, "Quedaron en la base temporal orvalo_temp, que no se borró: kardex");
    BaseSqlite t(Temporal());
    EXPECT_EQ(t.Cuenta("SELECT count(*) FROM kardex"), 1);
}
