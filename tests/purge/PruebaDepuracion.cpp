// La corrida completa sobre las bases de demostración, por el driver SQLite3 de ODBC.
#include "ApoyoDepuracion.h"
#include "purge/Dialecto.h"

using namespace ov;
using namespace ov::prueba;
namespace fs = std::filesystem;

TEST_F(DepuracionPrueba, DosBasesEnUnPlanPierdenSoloElRangoYConservanTodoLoDemas) {
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
        sumaIdsConservados = n.Cuenta("SELECT sum(id) FROM transacciones WHERE fechayhora < '2025-03-01' OR "
                                      "fechayhora >= '2025-04-01' OR fechayhora IS NULL");
        secuenciaAnterior = n.Cuenta("SELECT seq FROM sqlite_sequence WHERE name = 'Transacciones'");
        checadasNorte = n.Cuenta("SELECT count(*) FROM checadas");
        sumaChecadasNorte = n.Cuenta("SELECT sum(id) FROM checadas");
        BaseSqlite s(Sur());
        SiembraBordes(s, "checadas", "fechayhora", false);
        conservarChecS = Conservables(s, "checadas", "fechayhora");
        conservarKardexS = Conservables(s, "kardex", "fecha");
        conservarBitS = Conservables(s, "bitacora", "fechahora");
        ASSERT_LT(conservarChecS, s.Cuenta("SELECT count(*) FROM checadas")) << "marzo debe tener checadas";
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
        n.Cuenta("SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND name = 'kardex_bitacora'"),
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
    EXPECT_EQ(observador.lineas.size(), 2u + 2u * 16u);
    EXPECT_EQ(observador.lineas[1], "Eliminando las checadas reales de Planta Norte...");
    EXPECT_EQ(observador.lineas[2], "Checadas reales eliminadas de Planta Norte.");
}

TEST_F(DepuracionPrueba, UnaFilaRechazadaAlReponerQuedaEnOrvaloTempYLaSiguienteCorridaSeRechaza) {
    long long conservarBit;
    {
        BaseSqlite n(Norte());
        conservarBit = Conservables(n, "bitacora", "fechahora");
        n.Ejecuta("INSERT INTO bitacora (fechahora, usuario, accion) VALUES ('2024-01-02 08:00:00', 'x', "
                  "'rechazar')");
        n.Ejecuta("CREATE TRIGGER rechaza BEFORE INSERT ON bitacora WHEN NEW.accion = 'rechazar' "
                  "BEGIN SELECT RAISE(ABORT, 'fila rechazada'); END");
    }
    Plan plan = ArmaPlan({"Planta Norte"}, {5, 6, 7, 8});
    const auto res = Corre(plan);
    EXPECT_FALSE(res.TodasTerminadas);
    ASSERT_EQ(res.Pendientes, std::vector<std::string>{"bitacora (Planta Norte)"});
    EXPECT_NE(res.Mensaje.find("quedaron en la base temporal orvalo_temp"), std::string::npos);
    EXPECT_EQ(plan.NodoEn(5).Image, Imagen::Cruz);
    EXPECT_EQ(plan.NodoEn(5).Texto.rfind("Error: ", 0), 0u) << plan.NodoEn(5).Texto;
    EXPECT_NE(plan.NodoEn(5).Texto.find("fila rechazada"), std::string::npos);
    EXPECT_NE(plan.NodoEn(5).Texto.find(" Tarea: Registros de bitácora eliminados de Planta Norte."),
              std::string::npos);
    // Nada después de la falla: los pasos 6 a 8 no corren.
    EXPECT_EQ(plan.NodoEn(6).Image, Imagen::Ninguna);
    ASSERT_TRUE(fs::exists(Temporal()));
    {
        BaseSqlite t(Temporal());
        EXPECT_EQ(t.Cuenta("SELECT count(*) FROM bitacora"), conservarBit + 1);
    }

    // La siguiente corrida no borra esas filas: se rechaza antes de cambiar nada.
    const auto antes = LeeArchivo(Norte());
    Plan otro = ArmaPlan({"Planta Norte"});
    const auto rechazo = Corre(otro);
    EXPECT_EQ(rechazo.fin, ResultadoCorrida::Fin::Rechazada);
    EXPECT_NE(rechazo.Error.find("bitacora"), std::string::npos) << rechazo.Error;
    EXPECT_EQ(LeeArchivo(Norte()), antes);
    BaseSqlite t(Temporal());
    EXPECT_EQ(t.Cuenta("SELECT count(*) FROM bitacora"), conservarBit + 1);
}

TEST_F(DepuracionPrueba, UnaCopiaQueFallaDetieneLaCorridaSinTocarLaTabla) {
    long long kardex;
    {
        BaseSqlite n(Norte());
        n.Ejecuta("ALTER TABLE kardex RENAME COLUMN fecha TO dia");
        kardex = n.Cuenta("SELECT count(*) FROM kardex");
    }
    Plan plan = ArmaPlan({"Planta Norte"});
    const auto res = Corre(plan);
    EXPECT_EQ(res.fin, ResultadoCorrida::Fin::Detenida);
    EXPECT_NE(res.Error.find("kardex"), std::string::npos) << res.Error;
    EXPECT_NE(res.Mensaje.find("se detuvo por un error"), std::string::npos);
    EXPECT_EQ(plan.NodoEn(1).Image, Imagen::Palomita);
    EXPECT_EQ(plan.NodoEn(3).Image, Imagen::Flecha);
    EXPECT_EQ(plan.NodoEn(4).Image, Imagen::Ninguna) << "ninguna sentencia después del error";
    BaseSqlite n(Norte());
    EXPECT_EQ(n.Cuenta("SELECT count(*) FROM kardex"), kardex);
    EXPECT_TRUE(res.Pendientes.empty());
    EXPECT_NE(std::find(observador.lineas.begin(), observador.lineas.end(),
                        "Termina depuración del 2025-03-01 al 2025-03-31."),
              observador.lineas.end());
}

TEST_F(DepuracionPrueba, UnaConexionQueDejaDeAbrirTrasVaciarConservaLasFilasEnOrvaloTemp) {
    long long conservar;
    {
        BaseSqlite n(Norte());
        conservar = Conservables(n, "transacciones", "fechayhora");
    }
    const std::string reg = LeeArchivo(demo / "orvalo.reg");
    observador.alVaciar = [&](int, const std::string&, long long) {
        // El registro se lee en cada apertura: sin la entrada, la conexión ya no abre.
        EscribeArchivo(demo / "orvalo.reg", "Windows Registry Editor Version 5.00\r\n");
    };
    Plan plan = ArmaPlan({"Planta Norte"});
    const auto res = Corre(plan);
    EXPECT_EQ(plan.NodoEn(1).Image, Imagen::Flecha) << "sin conexión la tarea queda en proceso";
    EXPECT_TRUE(plan.NodoEn(1).Bold);
    EXPECT_EQ(plan.NodoEn(2).Image, Imagen::Ninguna);
    ASSERT_EQ(res.Pendientes, std::vector<std::string>{"transacciones (Planta Norte)"});
    EXPECT_FALSE(res.TodasTerminadas);
    BaseSqlite t(Temporal());
    EXPECT_EQ(t.Cuenta("SELECT count(*) FROM transacciones"), conservar);
    EscribeArchivo(demo / "orvalo.reg", reg);
}

TEST_F(DepuracionPrueba, UnaReposicionIncompletaFallaConAmbasCuentas) {
    observador.alVaciar = [&](int, const std::string& tabla, long long) {
        BaseSqlite t(Temporal());
        t.Ejecuta("DELETE FROM " + tabla + " WHERE rowid = (SELECT min(rowid) FROM " + tabla + ")");
    };
    Plan plan = ArmaPlan({"Planta Sur"}, {1});
    const auto res = Corre(plan);
    EXPECT_EQ(plan.NodoEn(1).Image, Imagen::Cruz);
    EXPECT_NE(plan.NodoEn(1).Texto.find("Se reinsertaron "), std::string::npos) << plan.NodoEn(1).Texto;
    EXPECT_EQ(plan.NodoEn(1).Texto.rfind("Error: -1[ovNalvora] Se reinsertaron ", 0), 0u)
        << plan.NodoEn(1).Texto;
    EXPECT_EQ(res.Pendientes, std::vector<std::string>{"checadas (Planta Sur)"});
    EXPECT_TRUE(fs::exists(Temporal()));
}

TEST_F(DepuracionPrueba, UnKardexQueNoSePuedeReponerDejaSusDisparadoresYSusFilas) {
    {
        BaseSqlite n(Norte());
        n.Ejecuta("CREATE UNIQUE INDEX ux_kardex ON kardex (empleado, fecha)");
    }
    // El producto escribe un kardex entre el vaciado y la reposición que choca con uno conservado.
    observador.alVaciar = [&](int, const std::string& tabla, long long) {
        if (tabla == "kardex") {
            BaseSqlite n(Norte());
            n.Ejecuta("ATTACH DATABASE '" + Temporal().string() + "' AS t");
            n.Ejecuta("INSERT INTO kardex SELECT * FROM t.kardex WHERE fecha IS NOT NULL LIMIT 1");
        }
    };
    Plan plan = ArmaPlan({"Planta Norte"}, {3, 4});
    const auto res = Corre(plan);
    EXPECT_EQ(plan.NodoEn(3).Image, Imagen::Cruz);
    EXPECT_NE(plan.NodoEn(3).Texto.find("UNIQUE"), std::string::npos) << plan.NodoEn(3).Texto;
    EXPECT_EQ(res.Pendientes, std::vector<std::string>{"kardex (Planta Norte)"});
    BaseSqlite n(Norte());
    EXPECT_EQ(
        n.Cuenta("SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND name = 'kardex_bitacora'"),
        1);
    EXPECT_EQ(n.Cuenta("SELECT count(*) FROM kardex"), 1);
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
    EscribeArchivo(Temporal(), "");
    dialecto->CreaTemporal(modulo.cnBD()); // una vacía se reemplaza
    {
        BaseSqlite t(Temporal());
        t.Ejecuta("CREATE TABLE kardex (x)");
        t.Ejecuta("INSERT INTO kardex VALUES (1)");
    }
    modulo.cnBD().Execute("DETACH DATABASE orvalo_temp");
    EXPECT_THROW(dialecto->CreaTemporal(modulo.cnBD()), db::ErrorBD);
    BaseSqlite t(Temporal());
    EXPECT_EQ(t.Cuenta("SELECT count(*) FROM kardex"), 1);
}
