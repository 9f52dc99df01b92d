// Lo que la depuración y el sondeo hacen en un servidor T-SQL de verdad, y lo que ese servidor
// rechaza. Babelfish (../shared/babelfish) rechaza parte de lo que SQL Server acepta; cada prueba dice
// qué espera de cada uno.
#include "apoyo/CarpetaTemporal.h"
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

// El sondeo pide sp_spaceused. Babelfish lo rechaza: la fila muestra el error del servidor con su
// fuente una sola vez, cnBD queda cerrada y el sondeo sigue con la fila siguiente.
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
        EXPECT_NE(r.salida.find("\terror: 33557097[FreeTDS][SQL Server] 'sp_spaceused' is not"),
                  std::string::npos)
            << r.salida;
    }
    EXPECT_EQ(r.salida.find("Error: "), std::string::npos) << r.salida;
    EXPECT_EQ(r.salida.find(db::ValorDeClave(b.Cadena(), "PWD")), std::string::npos);
}

// El catálogo de Babelfish da los nombres en minúsculas: "Transacciones" no se distingue de
// "transacciones" por el nombre, y la tabla de una tarea no puede decidirse por la mayúscula.
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
    EXPECT_EQ(r.salida.rfind("Conexión\tTabla\tEliminar\tConservar\tEstrategia\n"
                             "Planta\tchecadas\t9\t12\tcopia\nPlanta\tkardex\t9\t12\tcopia\n"
                             "Planta\tbitacora\t9\t12\tcopia\n\n",
                             0),
              0u)
        << r.salida;
    EXPECT_NE(r.salida.find("select * into orvalo_temp.dbo.checadas from checadas where fechayhora < { d "
                            "'2025-03-01'}"),
              std::string::npos)
        << r.salida;
    EXPECT_NE(r.salida.find("DBCC SHRINKDATABASE ([" + b.Nombre() + "],0,TRUNCATEONLY)\nGO\n"),
              std::string::npos);
    EXPECT_EQ(FilasDe(b, "checadas"), checadas);
    EXPECT_EQ(FilasDe(b, "kardex"), kardex);
    EXPECT_EQ(FilasDe(b, "bitacora"), bitacora);
    EXPECT_FALSE(ExisteOrvaloTemp(b));
}

// Lo que queda en orvalo_temp se ve por orvalo_temp.sys.tables; una con tablas guarda filas de
// alguien y crearla de nuevo la respeta; una vacía se reemplaza y lleva su origen.
TEST(DepuracionTsql, TemporalSobranteSeVeEnSysTables) {
    OV_EXIGE_SERVIDOR_TSQL();
    BorraOrvaloTemp();
    BaseTsql b;
    DialectoSqlServer dialecto;
    EXPECT_EQ(dialecto.TablasTemporal(b.cn()), std::nullopt);
    b.Ejecuta(sqlserver::kCreaTemporal);
    EXPECT_EQ(dialecto.TablasTemporal(b.cn()), std::vector<std::string>{});
    // Babelfish no crea ni borra tablas en otra base: se hace con USE desde la misma conexión (otra
    // conexión a orvalo_temp tarda en soltarla al cerrarse, y DROP DATABASE la encontraría en uso).
    auto enTemporal = [&](const std::string& sql) {
        b.Ejecuta("USE orvalo_temp");
        b.Ejecuta(sql);
        b.Ejecuta("USE " + b.Nombre());
    };
    enTemporal("CREATE TABLE checadas (id int, fechayhora datetime)\r\nINSERT INTO checadas VALUES (1, "
               "{ d '2025-01-01'})");
    EXPECT_EQ(dialecto.TablasConFilas(b.cn()), std::vector<std::string>{"checadas"});
    Origen origen{"Planta", "servidor", b.Nombre(), "equipo", "2026-12-06 10:00", "2025-03-01", "2025-03-31"};
    EXPECT_NE(ErrorDe([&] { dialecto.CreaTemporal(b.cn(), origen); }).Descripcion.find("origen desconocido"),
              std::string::npos);
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

// La identidad, con sentencias sueltas, como la leen y la corrigen las revisiones de la corrida.
// IDENT_CURRENT de una tabla vaciada con TRUNCATE da la semilla; tras TRUNCATE, la primera fila que
// sigue a DBCC CHECKIDENT (RESEED, n) recibe n; con filas, recibe n + incremento (documentación de
// IDENT_CURRENT y de DBCC CHECKIDENT). Con incremento negativo, "volver atrás" es subir.
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
    EXPECT_EQ(aviso.Mensajes[0].rfind("Checking identity information: current identity value '", 0), 0u)
        << aviso.Mensajes[0];
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

// Lo que Babelfish rechaza y SQL Server acepta, con los textos de la corrida: la copia entre bases,
// el mantenimiento y sp_spaceused. El rechazo no toca la tabla ni deja nada en orvalo_temp.
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
        EXPECT_NE(e.Descripcion.find("cross-db 'SELECT INTO' statement is not supported in Babelfish"),
                  std::string::npos)
            << e.Descripcion;
        EXPECT_EQ(dialecto.TablasTemporal(b.cn()), std::vector<std::string>{});
        for (const char* clave : {"DBREINDEX_CHECADAS", "SHRINK", "UPDATEUSAGE"}) {
            const auto m = ErrorDe([&] { b.Ejecuta(sqlserver::SentenciaDeClave(clave, "", b.Nombre())); });
            EXPECT_EQ(m.Numero, 33557097) << clave << ": " << m.Descripcion;
            EXPECT_EQ(m.Estado, "42000") << clave;
        }
        EXPECT_NE(ErrorDe([&] { b.Ejecuta("sp_spaceused"); }).Descripcion.find("sp_spaceused"),
                  std::string::npos);
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

// Con SET XACT_ABORT ON un error termina la transacción en cualquier servidor, y Babelfish la termina
// aunque no se pida: después del error no queda transacción que confirmar (@@TRANCOUNT es 0), y lo
// hecho dentro se deshizo.
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

// Una depuración completa de dos bases por la línea de comandos, con cada estrategia. Babelfish
// rechaza la copia entre bases y el mantenimiento: esos pasos terminan con la cruz roja y el mensaje
// del servidor, su tabla no cambia, orvalo_temp no se queda con filas y la orden sale con 1; nunca un
// aborto ni un falso éxito. El borrado en su lugar sí lo acepta. En un SQL Server de verdad todo
// termina bien y cada base pierde solo lo del rango.
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
        EXPECT_EQ(todo.find("abort"), std::string::npos) << todo;
        if (babelfish) {
            EXPECT_EQ(r.codigo, 1) << todo;
            EXPECT_NE(
                todo.find("Error: 33557097[FreeTDS][SQL Server] DBCC DBREINDEX is not currently supported"),
                std::string::npos)
                << todo;
            if (estrategia == "copia") {
                EXPECT_NE(todo.find("cross-db 'SELECT INTO' statement is not supported in Babelfish"),
                          std::string::npos)
                    << todo;
            }
        } else {
            EXPECT_EQ(r.codigo, 0) << todo;
            EXPECT_FALSE(ExisteOrvaloTemp(norte));
        }
    }
    BorraOrvaloTemp();
}

// Una corrida por servidor: el candado de aplicación (sp_getapplock de sesión) lo tiene una sola
// sesión; la segunda corrida se rechaza antes de cambiar nada y sale con 2. Al soltarlo, o al cerrarse
// la sesión que lo tenía, se puede tomar otra vez.
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
    ASSERT_EQ(primero.Toma(uno, dialecto, "prueba"), std::nullopt);
    ASSERT_EQ(dos.AbreConexion("Planta"), 0);
    const auto rechazo = segundo.Toma(dos, dialecto, "otra");
    ASSERT_TRUE(rechazo);
    EXPECT_NE(rechazo->find("Otra depuración está en curso en el servidor"), std::string::npos) << *rechazo;

    const auto r = CorreOrden(
        tmp, {{"Planta", b.Cadena()}},
        {"--depurar", "--conexion", "Planta", "--desde", "2025-03-01", "--hasta", "2025-03-31", "--si"});
    EXPECT_EQ(r.codigo, 2) << r.salida << r.errores;
    EXPECT_NE(r.errores.find("Otra depuración está en curso"), std::string::npos) << r.errores;
    EXPECT_EQ(FilasDe(b, "checadas"), antes);

    primero.Suelta();
    ASSERT_EQ(dos.AbreConexion("Planta"), 0);
    EXPECT_EQ(segundo.Toma(dos, dialecto, "otra"), std::nullopt);
}
