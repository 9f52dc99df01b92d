// Depuración y sondeo en un servidor T-SQL de verdad; cada prueba dice qué espera de Babelfish y de SQL
// Server.
#include "apoyo/CarpetaTemporal.h"
#include "apoyo/Contiene.h"
#include "apoyo/ErrorDe.h"
#include "apoyo/ServidorTsql.h"
#include "cli/LineaComandos.h"
#include "connections/ArchivoReg.h"
#include "connections/Estadisticas.h"
#include "db/CadenaConexion.h"
#include "purge/CandadoCorrida.h"
#include "purge/DialectoSqlServer.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace ov;
using namespace ov::prueba;
using db::ErrorDe;

namespace {

struct Salida {
    int codigo;
    std::string salida, errores;
};

Salida CorreOrden(const CarpetaTemporal& tmp,
                  const std::vector<std::pair<std::string, std::string>>& entradas,
                  std::vector<std::string> args) {
    EscribeArchivo(tmp / "orvalo.reg", ArchivoRegCon(entradas));
    args.insert(args.begin(), {"--registro", (tmp / "orvalo.reg").string()});
    std::istringstream entrada;
    std::ostringstream salida, errores;
    EntornoConsola e{entrada, salida, errores, false, tmp.Ruta(), nullptr};
    const int codigo = CorreLineaComandos(args, e);
    return {codigo, salida.str(), errores.str()};
}

bool ExisteOrvaloTemp(BaseTsql& b) {
    return !b.Valor("SELECT DB_ID('orvalo_temp')").empty();
}

class Sondeo final : public ObservadorSondeo {
public:
    void FilaSondeada(int fila, const EstadisticasFila& c, bool) override {
        estados.push_back(std::to_string(fila) + " ok " + c.MenorChecada + " " + c.MayorKardex);
    }
    void FilaSinConexion(int fila) override { estados.push_back(std::to_string(fila) + " sin conexión"); }
    void FilaConError(int fila, const std::string& error) override {
        estados.push_back(std::to_string(fila) + " " + error);
    }
    std::vector<std::string> estados;
};

} // namespace

// Babelfish rechaza sp_spaceused: la fila dice el error una vez, cnBD se cierra y el sondeo sigue.
TEST(DepuracionTsql, SondeoDelTamanoYLasFechas) {
    OV_EXIGE_SERVIDOR_TSQL();
    BaseTsql b;
    CreaBaseOrvalo(b);
    CarpetaTemporal tmp;
    EscribeArchivo(tmp / "orvalo.reg",
                   ArchivoRegCon({{"Planta", b.Cadena()}, {"Sin base", b.Cadena() + "_no_existe"}}));
    ArchivoReg registro(tmp / "orvalo.reg");
    ModNalvora modulo(registro);
    Sondeo sondeo;
    ActualizaEstadisticas(modulo, {"Planta", "Sin base"}, sondeo);
    EXPECT_FALSE(modulo.cnBD().Abierta());
    ASSERT_EQ(sondeo.estados.size(), 2u);
    if (ServidorDePruebas().Babelfish) {
        EXPECT_EQ(sondeo.estados[0], "1 Error: 33557097[FreeTDS][SQL Server] 'sp_spaceused' is not currently "
                                     "supported in Babelfish");
    } else {
        EXPECT_EQ(sondeo.estados[0], "1 ok 2025-02-28 23:59 2025-04-01");
    }
    EXPECT_EQ(sondeo.estados[1], "2 sin conexión");

    // --conexiones dice "error: " una sola vez.
    const auto r = CorreOrden(tmp, {{"Planta", b.Cadena()}}, {"--conexiones"});
    EXPECT_EQ(r.codigo, 0) << r.errores;
    if (ServidorDePruebas().Babelfish) {
        EXPECT_CONTIENE(r.salida, "\terror: 33557097[FreeTDS][SQL Server] 'sp_spaceused' is not");
    }
    EXPECT_NO_CONTIENE(r.salida, "Error: ");
    EXPECT_NO_CONTIENE(r.salida, db::ValorDeClave(b.Cadena(), "PWD"));
}

// Babelfish da los nombres en minúsculas: la tabla de una tarea no puede decidirse por la mayúscula.
TEST(DepuracionTsql, NombresDeTablasDelCatalogo) {
    OV_EXIGE_SERVIDOR_TSQL();
    BaseTsql b;
    CreaBaseOrvalo(b, true);
    const auto tablas = b.cn().Tablas();
    const std::string esperada = ServidorDePruebas().Babelfish ? "transacciones" : "Transacciones";
    EXPECT_NE(std::find(tablas.begin(), tablas.end(), esperada), tablas.end());
    EXPECT_EQ(ExisteTablaTransacciones(b.cn()), !ServidorDePruebas().Babelfish);
}

// --simular cuenta con la condición de la corrida y no cambia nada, ni crea orvalo_temp.
TEST(DepuracionTsql, SimularCuentaEnElDialectoDeSqlServer) {
    OV_EXIGE_SERVIDOR_TSQL();
    BorraOrvaloTemp();
    BaseTsql b;
    CreaBaseOrvalo(b);
    const auto checadas = FilasDe(b, "checadas"), kardex = FilasDe(b, "kardex"),
               bitacora = FilasDe(b, "bitacora");
    CarpetaTemporal tmp;
    const auto r = CorreOrden(tmp, {{"Planta", b.Cadena()}},
                              {"--depurar", "--conexion", "Planta", "--desde", "2025-03-01", "--hasta",
                               "2025-03-31", "--simular", "--estrategia", "copia"});
    EXPECT_EQ(r.codigo, 0) << r.errores;
    EXPECT_EMPIEZA(r.salida, "Conexión\tTabla\tEliminar\tConservar\tEstrategia\n"
                             "Planta\tchecadas\t9\t12\tcopia\nPlanta\tkardex\t9\t12\tcopia\n"
                             "Planta\tbitacora\t9\t12\tcopia\n\n");
    EXPECT_CONTIENE(r.salida, "select * into orvalo_temp.dbo.checadas from checadas where fechayhora < { d "
                              "'2025-03-01'}");
    EXPECT_CONTIENE(r.salida, "DBCC SHRINKDATABASE ([" + b.Nombre() + "],0,TRUNCATEONLY)\nGO\n");
    EXPECT_EQ(FilasDe(b, "checadas"), checadas);
    EXPECT_EQ(FilasDe(b, "kardex"), kardex);
    EXPECT_EQ(FilasDe(b, "bitacora"), bitacora);
    EXPECT_FALSE(ExisteOrvaloTemp(b));
}

// Una orvalo_temp con tablas guarda filas de alguien y se respeta; una vacía se reemplaza con su origen.
TEST(DepuracionTsql, TemporalSobranteSeVeEnSysTables) {
    OV_EXIGE_SERVIDOR_TSQL();
    BorraOrvaloTemp();
    BaseTsql b;
    DialectoSqlServer dialecto;
    EXPECT_EQ(dialecto.TablasTemporal(b.cn()), std::nullopt);
    b.Ejecuta(sqlserver::kCreaTemporal);
    EXPECT_EQ(dialecto.TablasTemporal(b.cn()), std::vector<std::string>{});
    // Con USE en la misma conexión: Babelfish no crea tablas en otra base, y otra conexión la retendría.
    auto enTemporal = [&](const std::string& sql) {
        b.Ejecuta("USE orvalo_temp");
        b.Ejecuta(sql);
        b.Ejecuta("USE " + b.Nombre());
    };
    enTemporal("CREATE TABLE checadas (id int, fechayhora datetime)\r\nINSERT INTO checadas VALUES (1, "
               "{ d '2025-01-01'})");
    EXPECT_EQ(dialecto.TablasConFilas(b.cn()), std::vector<std::string>{"checadas"});
    Origen origen{"Planta", "servidor", b.Nombre(), "equipo", "2026-12-06 10:00", "2025-03-01", "2025-03-31"};
    EXPECT_CONTIENE(ErrorDe([&] { dialecto.CreaTemporal(b.cn(), origen); }).Descripcion,
                    "origen desconocido");
    EXPECT_EQ(b.Cuenta("SELECT COUNT(*) FROM orvalo_temp.dbo.checadas"), 1) << "las filas siguen ahí";
    if (ServidorDePruebas().Babelfish) {
        EXPECT_EQ(ErrorDe([&] { b.Ejecuta(sqlserver::BorraTablaTemporal("checadas")); }).Descripcion,
                  "must be owner of table checadas");
        enTemporal("DROP TABLE checadas");
    } else {
        b.Ejecuta(sqlserver::BorraTablaTemporal("checadas"));
    }
    dialecto.CreaTemporal(b.cn(), origen);
    EXPECT_EQ(dialecto.TablasConFilas(b.cn()), std::vector<std::string>{});
    const auto leido = dialecto.LeeOrigen(b.cn());
    ASSERT_TRUE(leido);
    EXPECT_EQ(leido->Conexion, "Planta");
    EXPECT_EQ(leido->Hasta, "2025-03-31");
    dialecto.BorraTemporal(b.cn());
    EXPECT_EQ(dialecto.TablasTemporal(b.cn()), std::nullopt);

    // Una conexión cuya base es orvalo_temp no se depura ni se descarta: es la del operador.
    b.Ejecuta(sqlserver::kCreaTemporal);
    CarpetaTemporal tmp;
    std::string cadena = b.Cadena();
    cadena.replace(cadena.find(b.Nombre()), b.Nombre().size(), "orvalo_temp");
    const std::vector<std::pair<std::string, std::string>> reg{{"Propia", cadena}};
    for (const std::vector<std::string>& orden :
         {std::vector<std::string>{"--descartar-temporal", "--conexion", "Propia", "--si"},
          {"--depurar", "--conexion", "Propia", "--desde", "2025-03-01", "--hasta", "2025-03-31", "--si"}}) {
        const auto r = CorreOrden(tmp, reg, orden);
        EXPECT_NE(r.codigo, 0) << orden[0];
        EXPECT_CONTIENE(r.salida + r.errores, "la base orvalo_temp del servidor");
        EXPECT_TRUE(ExisteOrvaloTemp(b)) << orden[0];
    }
    BorraOrvaloTemp();
}

// Los disparadores de kardex: apagados se ven apagados, y HabilitaDisparadores los deja andando.
TEST(DepuracionTsql, DisparadoresDeKardexHabilitados) {
    OV_EXIGE_SERVIDOR_TSQL();
    BaseTsql b;
    CreaBaseOrvalo(b);
    DialectoSqlServer dialecto;
    EXPECT_TRUE(dialecto.DisparadoresHabilitados(b.cn()));
    b.Ejecuta("alter table kardex disable trigger  all ");
    EXPECT_FALSE(dialecto.DisparadoresHabilitados(b.cn()));
    b.Ejecuta("INSERT INTO kardex VALUES (9, GETDATE(), 'B')");
    EXPECT_EQ(b.Cuenta("SELECT COUNT(*) FROM bitacora"), kFilasOrvalo) << "apagado no escribe";
    dialecto.HabilitaDisparadores(b.cn());
    EXPECT_TRUE(dialecto.DisparadoresHabilitados(b.cn()));
    b.Ejecuta("INSERT INTO kardex VALUES (9, GETDATE(), 'C')");
    EXPECT_EQ(b.Cuenta("SELECT COUNT(*) FROM bitacora"), kFilasOrvalo + 1);
}

// Documentación de IDENT_CURRENT y DBCC CHECKIDENT: tras TRUNCATE da la semilla y RESEED n da n; con
// filas, n + incremento. Con incremento negativo, "volver atrás" es subir.
TEST(DepuracionTsql, IdentidadAscendenteYDescendente) {
    OV_EXIGE_SERVIDOR_TSQL();
    BaseTsql b;
    CreaBaseOrvalo(b);
    EXPECT_EQ(b.Filas(sqlserver::LeeIdentidad("checadas")), std::vector<std::string>{"21|1"});
    // Lo que hace la corrida: vaciar, reponer las conservadas con sus ids y volver el contador a 21.
    b.Ejecuta("SELECT * INTO #copia FROM checadas WHERE id <= 5");
    b.Ejecuta("TRUNCATE TABLE checadas");
    EXPECT_EQ(b.Filas(sqlserver::LeeIdentidad("checadas")), std::vector<std::string>{"1|1"});
    b.Ejecuta("SET IDENTITY_INSERT dbo.checadas on\r\ninsert into dbo.checadas ([id],[empleado],[fechayhora],"
              "[reloj]) select * from #copia\r\nSET IDENTITY_INSERT dbo.checadas off");
    EXPECT_EQ(b.Filas(sqlserver::LeeIdentidad("checadas")), std::vector<std::string>{"5|1"})
        << "el contador quedó por debajo de lo que la tabla tuvo";
    const auto aviso = b.cn().Execute(sqlserver::Resiembra("checadas", 21));
    ASSERT_FALSE(aviso.Mensajes.empty());
    EXPECT_EMPIEZA(aviso.Mensajes[0], "Checking identity information: current identity value '");
    b.Ejecuta("INSERT INTO checadas (empleado) VALUES (9)");
    EXPECT_EQ(b.Valor("SELECT MAX(id) FROM checadas"), "22");

    b.Ejecuta("CREATE TABLE baja (id int IDENTITY(100,-1) PRIMARY KEY, x int)");
    b.Ejecuta("INSERT INTO baja (x) VALUES (1), (2), (3)");
    EXPECT_EQ(b.Filas(sqlserver::LeeIdentidad("baja")), std::vector<std::string>{"98|-1"});
    b.Ejecuta("TRUNCATE TABLE baja");
    EXPECT_EQ(b.Filas(sqlserver::LeeIdentidad("baja")), std::vector<std::string>{"100|-1"});
    b.Ejecuta("SET IDENTITY_INSERT dbo.baja on\r\ninsert into dbo.baja (id, x) values (100, 1), (99, 2)\r\n"
              "SET IDENTITY_INSERT dbo.baja off");
    EXPECT_EQ(b.Filas(sqlserver::LeeIdentidad("baja")), std::vector<std::string>{"99|-1"})
        << "99 es mayor que 98: el contador volvió a valores ya usados";
    b.Ejecuta(sqlserver::Resiembra("baja", 98));
    b.Ejecuta("INSERT INTO baja (x) VALUES (4)");
    EXPECT_EQ(b.Valor("SELECT MIN(id) FROM baja"), "97");
}

// La copia entre bases y el mantenimiento que Babelfish rechaza no tocan la tabla ni dejan nada en
// orvalo_temp.
TEST(DepuracionTsql, LoQueElServidorRechazaNoTocaNada) {
    OV_EXIGE_SERVIDOR_TSQL();
    BorraOrvaloTemp();
    BaseTsql b;
    CreaBaseOrvalo(b);
    DialectoSqlServer dialecto;
    b.Ejecuta(sqlserver::kCreaTemporal);
    const auto antes = FilasDe(b, "checadas");
    const Rango marzo{std::chrono::local_days{std::chrono::year{2025} / 3 / 1},
                      std::chrono::local_days{std::chrono::year{2025} / 3 / 31}};
    const std::string copia = sqlserver::Copia({"checadas", "fechayhora"}, marzo);
    if (ServidorDePruebas().Babelfish) {
        const auto e = ErrorDe([&] { b.Ejecuta(copia); });
        EXPECT_EQ(e.Estado, "42000");
        EXPECT_CONTIENE(e.Descripcion, "cross-db 'SELECT INTO' statement is not supported in Babelfish");
        EXPECT_EQ(dialecto.TablasTemporal(b.cn()), std::vector<std::string>{});
        for (const char* clave : {"DBREINDEX_CHECADAS", "SHRINK", "UPDATEUSAGE"}) {
            const auto m = ErrorDe([&] { b.Ejecuta(sqlserver::SentenciaDeClave(clave, "", b.Nombre())); });
            EXPECT_EQ(m.Numero, 33557097) << clave << ": " << m.Descripcion;
            EXPECT_EQ(m.Estado, "42000") << clave;
        }
        EXPECT_CONTIENE(ErrorDe([&] { b.Ejecuta("sp_spaceused"); }).Descripcion, "sp_spaceused");
    } else {
        EXPECT_EQ(b.cn().Execute(copia).UltimaCuenta(), 12);
        EXPECT_EQ(dialecto.TablasTemporal(b.cn()), std::vector<std::string>{"checadas"});
        for (const char* clave : {"DBREINDEX_CHECADAS", "SHRINK", "UPDATEUSAGE"}) {
            b.Ejecuta(sqlserver::SentenciaDeClave(clave, "", b.Nombre()));
        }
    }
    EXPECT_EQ(FilasDe(b, "checadas"), antes);
    dialecto.BorraTemporal(b.cn());
}

// Con SET XACT_ABORT ON un error termina y deshace la transacción: no queda nada que confirmar.
TEST(DepuracionTsql, UnErrorTerminaLaTransaccion) {
    OV_EXIGE_SERVIDOR_TSQL();
    BaseTsql b;
    b.Ejecuta("CREATE TABLE t (id int PRIMARY KEY)");
    b.Ejecuta("INSERT INTO t VALUES (1)");
    b.Ejecuta("SET XACT_ABORT ON");
    b.Ejecuta("BEGIN TRANSACTION");
    b.Ejecuta("DELETE FROM t");
    EXPECT_EQ(b.Valor("SELECT @@TRANCOUNT"), "1");
    EXPECT_THROW(b.Ejecuta("INSERT INTO t VALUES (2)\r\nINSERT INTO t VALUES (2)"), db::ErrorBD);
    EXPECT_EQ(b.Valor("SELECT @@TRANCOUNT"), "0");
    EXPECT_THROW(b.Ejecuta("COMMIT"), db::ErrorBD) << "no hay transacción que confirmar";
    EXPECT_EQ(b.Filas("SELECT id FROM t"), std::vector<std::string>{"1"});
}

// Dos bases por la línea de comandos: lo que Babelfish rechaza falla con su mensaje, sin tocar la tabla
// ni falso éxito (sale con 1); lo que acepta, y todo en SQL Server, pierde solo lo del rango.
TEST(DepuracionTsql, DepuracionCompletaDeDosBasesPorLaLineaDeComandos) {
    OV_EXIGE_SERVIDOR_TSQL();
    const bool babelfish = ServidorDePruebas().Babelfish;
    for (const std::string estrategia : {"copia", "borrado"}) {
        BorraOrvaloTemp();
        BaseTsql norte("ovnorte"), sur("ovsur");
        std::vector<std::vector<std::string>> antes;
        for (BaseTsql* b : {&norte, &sur}) {
            CreaBaseOrvalo(*b);
            for (const char* tabla : {"checadas", "kardex", "bitacora"}) {
                antes.push_back(FilasDe(*b, tabla));
            }
        }
        CarpetaTemporal tmp;
        const auto r =
            CorreOrden(tmp, {{"Norte", norte.Cadena()}, {"Sur", sur.Cadena()}},
                       {"--depurar", "--conexion", "Norte", "--conexion", "Sur", "--desde", "2025-03-01",
                        "--hasta", "2025-03-31", "--si", "--estrategia", estrategia});
        const std::string todo = r.salida + r.errores;
        const bool intactas = babelfish && estrategia == "copia";
        size_t k = 0;
        for (BaseTsql* b : {&norte, &sur}) {
            EXPECT_TRUE(DialectoSqlServer().DisparadoresHabilitados(b->cn()));
            for (const char* tabla : {"checadas", "kardex", "bitacora"}) {
                const auto despues = FilasDe(*b, tabla);
                if (intactas) {
                    EXPECT_EQ(despues, antes[k]) << estrategia << " " << b->Nombre() << "." << tabla;
                } else {
                    // Quedan las 12 conservadas: el disparador de kardex no escribe en la bitácora.
                    EXPECT_EQ(despues.size(), antes[k].size() - 9)
                        << estrategia << " " << b->Nombre() << "." << tabla;
                }
                ++k;
            }
        }
        const auto temporal = DialectoSqlServer().TablasConFilas(norte.cn());
        EXPECT_TRUE(!temporal || temporal->empty()) << "orvalo_temp no guarda filas de nadie";
        EXPECT_NO_CONTIENE(todo, "abort");
        if (babelfish) {
            EXPECT_EQ(r.codigo, 1) << todo;
            EXPECT_CONTIENE(todo,
                            "Error: 33557097[FreeTDS][SQL Server] DBCC DBREINDEX is not currently supported");
            if (estrategia == "copia") {
                EXPECT_CONTIENE(todo, "cross-db 'SELECT INTO' statement is not supported in Babelfish");
            }
        } else {
            EXPECT_EQ(r.codigo, 0) << todo;
            EXPECT_FALSE(ExisteOrvaloTemp(norte));
        }
    }
    BorraOrvaloTemp();
}

// El candado sp_getapplock de sesión: la segunda corrida sale con 2 sin cambiar nada; soltado, se toma.
TEST(DepuracionTsql, UnaSolaCorridaPorServidor) {
    OV_EXIGE_SERVIDOR_TSQL();
    BorraOrvaloTemp();
    BaseTsql b;
    CreaBaseOrvalo(b);
    const auto antes = FilasDe(b, "checadas");
    CarpetaTemporal tmp;
    EscribeArchivo(tmp / "orvalo.reg", ArchivoRegCon({{"Planta", b.Cadena()}}));
    ArchivoReg registro(tmp / "orvalo.reg");
    ModNalvora uno(registro), dos(registro);
    DialectoSqlServer dialecto;
    CandadoCorrida primero, segundo;
    ASSERT_EQ(uno.AbreConexion("Planta"), 0);
    ASSERT_EQ(primero.Toma(uno, dialecto, "Planta", "prueba"), std::nullopt);
    ASSERT_EQ(dos.AbreConexion("Planta"), 0);
    const auto rechazo = segundo.Toma(dos, dialecto, "Planta", "otra");
    ASSERT_TRUE(rechazo);
    EXPECT_NE(rechazo->find("Otra depuración está en curso en el servidor"), std::string::npos) << *rechazo;

    const auto r = CorreOrden(
        tmp, {{"Planta", b.Cadena()}},
        {"--depurar", "--conexion", "Planta", "--desde", "2025-03-01", "--hasta", "2025-03-31", "--si"});
    EXPECT_EQ(r.codigo, 2) << r.salida << r.errores;
    EXPECT_CONTIENE(r.errores, "Otra depuración está en curso");
    EXPECT_EQ(FilasDe(b, "checadas"), antes);

    primero.Suelta();
    ASSERT_EQ(dos.AbreConexion("Planta"), 0);
    EXPECT_EQ(segundo.Toma(dos, dialecto, "Planta", "otra"), std::nullopt);
}

// sp_getapplock: solo -1 (se agotó la espera) es otra depuración; -2 (cancelada), -3 (víctima de un
// interbloqueo) y -999 (parámetros o permisos) dicen lo suyo. Ver "sp_getapplock (Transact-SQL)", Return
// Code Values. El servidor de pruebas solo da 0 y -1 (prueba anterior): los demás, por su valor.
TEST(DepuracionTsql, CadaResultadoDeSpGetapplockDiceLoSuyo) {
    const std::pair<db::Valor, std::string> casos[] = {
        {"0", ""},
        {"1", ""},
        {"-1", "Otra depuración está en curso en el servidor S."},
        {"-2", "canceló"},
        {"-3", "víctima de un interbloqueo"},
        {"-999", "parámetros o permisos"},
        {std::nullopt, "no es un resultado conocido"}};
    for (const auto& [valor, texto] : casos) {
        const auto rechazo = RechazoDelCandado(valor, "S");
        EXPECT_EQ(rechazo.has_value(), !texto.empty()) << valor.value_or("Null");
        EXPECT_CONTIENE(rechazo.value_or(""), texto);
        if (valor != "-1") {
            EXPECT_NO_CONTIENE(rechazo.value_or(""), "Otra depuración");
        }
    }
}
