// Depuración y sondeo en un servidor T-SQL de verdad; cada prueba dice qué espera de Babelfish y de SQL
// Server.
#include "apoyo/BaseSqlite.h"
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

#include <map>
#include <sstream>

using namespace ov;
using namespace ov::prueba;
using db::ErrorDe;

namespace {

struct Salida {
    int codigo;
    std::string salida, errores;
};

// La línea de comandos con un registro cuya primera conexión, "Planta", es la cadena dada.
Salida CorreOrden(const CarpetaTemporal& tmp, const std::string& cadena, std::vector<std::string> args,
                  std::vector<std::pair<std::string, std::string>> otras = {}) {
    otras.insert(otras.begin(), {"Planta", cadena});
    EscribeArchivo(tmp / "orvalo.reg", ArchivoRegCon(otras));
    args.insert(args.begin(), {"--registro", (tmp / "orvalo.reg").string()});
    std::istringstream entrada;
    std::ostringstream salida, errores;
    EntornoConsola e{entrada, salida, errores, false, tmp.Ruta(), nullptr};
    const int codigo = CorreLineaComandos(args, e);
    return {codigo, salida.str(), errores.str()};
}

// Depurar Planta desde el 1 de marzo de 2025 hasta `hasta`, con las opciones dadas.
std::vector<std::string> Depura(const std::string& hasta, std::vector<std::string> opciones) {
    opciones.insert(opciones.begin(),
                    {"--depurar", "--conexion", "Planta", "--desde", "2025-03-01", "--hasta", hasta});
    return opciones;
}

bool ExisteOrvaloTemp(BaseTsql& b) {
    return !b.Valor("SELECT DB_ID('orvalo_temp')").empty();
}

} // namespace

// --conexiones sondea el tamaño y las fechas; Babelfish rechaza sp_spaceused y la fila dice el error. Su
// PostgreSQL, por el driver de PostgreSQL, no es SQL Server ni SQLite: no se le manda nada y su fila lo dice.
TEST(DepuracionTsql, SondeoDelTamanoYLasFechas) {
    OV_EXIGE_SERVIDOR_TSQL();
    BaseTsql b;
    CreaBaseOrvalo(b);
    CarpetaTemporal tmp;
    const std::string& c = ServidorDePruebas().Cadena;
    const std::string pg = "Driver={PostgreSQL Unicode};Server=127.0.0.1;Database=postgres;Port=" +
                           std::to_string(std::stoi(db::ValorDeClave(c, "Port")) + 40000) +
                           ";UID=" + db::ValorDeClave(c, "UID") + ";PWD=" + db::ValorDeClave(c, "PWD");
    const bool babelfish = ServidorDePruebas().Babelfish;
    const auto r = CorreOrden(tmp, b.Cadena(), {"--conexiones"}, {{"Postgres", pg}});
    EXPECT_CONTIENE(r.salida,
                    babelfish ? "Planta\t\t\t\t\t\terror: 33557097[FreeTDS][SQL Server] 'sp_spaceused' is "
                                "not currently supported in Babelfish\n"
                              : "\t2025-02-28 23:59\t2025-04-01 00:00\t2025-02-28\t2025-04-01\tok\n");
    EXPECT_CONTIENE(r.salida,
                    babelfish ? "Postgres\t\t\t\t\t\terror: -1[ovNalvora] El servidor se identifica como "
                                "\"PostgreSQL\"; solo se sondean y depuran bases de SQL Server y SQLite.\n"
                              : "Postgres\t\t\t\t\t\tsin conexión");
    // Babelfish da los nombres en minúsculas: la tabla de una tarea no puede decidirse por la mayúscula.
    BaseTsql conTransacciones;
    CreaBaseOrvalo(conTransacciones, true);
    EXPECT_EQ(ExisteTablaTransacciones(conTransacciones.cn()), !ServidorDePruebas().Babelfish);
    EXPECT_EQ(DialectoSqlServer().HayTransacciones(conTransacciones.cn()), !ServidorDePruebas().Babelfish);
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
    enTemporal("DROP TABLE checadas");
    dialecto.CreaTemporal(b.cn(), origen);
    EXPECT_EQ(dialecto.TablasConFilas(b.cn()), std::vector<std::string>{});
    const auto leido = dialecto.LeeOrigen(b.cn());
    EXPECT_EQ(leido ? leido->Conexion + " " + leido->Hasta : "sin origen", "Planta 2025-03-31");
    dialecto.BorraTemporal(b.cn());
    EXPECT_EQ(dialecto.TablasTemporal(b.cn()), std::nullopt);

    // Una conexión cuya base es orvalo_temp no se depura ni se descarta: es la del operador.
    b.Ejecuta(sqlserver::kCreaTemporal);
    CarpetaTemporal tmp;
    std::string cadena = b.Cadena();
    cadena.replace(cadena.find(b.Nombre()), b.Nombre().size(), "orvalo_temp");
    for (const auto& orden :
         {std::vector<std::string>{"--descartar-temporal", "--conexion", "Planta", "--si"},
          Depura("2025-03-31", {"--si"})}) {
        const auto r = CorreOrden(tmp, cadena, orden);
        EXPECT_NE(r.codigo, 0) << orden[0];
        EXPECT_CONTIENE(r.salida + r.errores, "la base orvalo_temp del servidor");
        EXPECT_TRUE(ExisteOrvaloTemp(b)) << orden[0];
    }
    BorraOrvaloTemp();
}

// Una depuración de marzo a diciembre sobre una base preparada, paso por paso: lo que la base le pide a la
// estrategia (disparadores, llaves foráneas, identidad) y lo que queda.
TEST(DepuracionTsql, DisparadoresLlavesEIdentidadDecidenComoSeDepura) {
    OV_EXIGE_SERVIDOR_TSQL();
    struct Caso {
        const char *nombre, *estrategia, *paso, *mensaje;
        std::vector<std::string> prepara;
        std::string consulta;
        std::vector<std::string> esperado;
    };
    const std::vector<std::string> conIdentidad{
        "DROP TABLE bitacora", "CREATE TABLE bitacora (id int IDENTITY PRIMARY KEY, fechahora datetime)",
        "INSERT INTO bitacora (fechahora) SELECT fechayhora FROM checadas"};
    const std::string padreEHijo = "SELECT (SELECT COUNT(*) FROM checadas), (SELECT COUNT(*) FROM detalle)";
    const std::string conIdent = "SELECT COUNT(*), IDENT_CURRENT('dbo.bitacora') FROM bitacora";
    const std::vector<Caso> casos{
        // Un DELETE de kardex no dispara su disparador de bajas; el que el DBA deshabilitó sigue así.
        {"disparadores",
         "borrado",
         "3",
         "por borrado",
         {"CREATE TRIGGER kardex_baja ON kardex AFTER DELETE AS INSERT INTO bitacora (id, texto) "
          "SELECT 1000 + ROW_NUMBER() OVER (ORDER BY empleado), 'baja' FROM deleted",
          "CREATE TRIGGER kardex_apagado ON kardex AFTER DELETE AS INSERT INTO bitacora (id, texto) "
          "VALUES (999, 'x')",
          "alter table kardex disable trigger kardex_apagado"},
         "SELECT (SELECT COUNT(*) FROM bitacora), name, is_disabled FROM sys.triggers "
         "WHERE parent_id = OBJECT_ID('dbo.kardex') ORDER BY name",
         {"21|kardex_apagado|1", "21|kardex_baja|0", "21|kardex_bitacora|0"}},
        // Referenciada por otra tabla: se borra en su lugar aunque salga casi toda, y solo se van los
        // hijos de lo borrado; la copia se rechaza antes de tocar nada.
        {"llaves, auto",
         "auto",
         "1",
         "por borrado",
         {"CREATE TABLE detalle (id int PRIMARY KEY, checada int REFERENCES checadas (id) ON DELETE CASCADE)",
          "INSERT INTO detalle SELECT id, id FROM checadas"},
         padreEHijo,
         {"6|6"}},
        {"llaves, copia",
         "copia",
         "1",
         "Otras tablas referencian a checadas con llaves foráneas",
         {"CREATE TABLE detalle (id int PRIMARY KEY, checada int REFERENCES checadas (id))",
          "INSERT INTO detalle SELECT id, id FROM checadas"},
         padreEHijo,
         {"21|21"}},
        // Una bitácora con identidad: la reposición del producto no la admite.
        {"identidad, auto", "auto", "5", "por borrado", conIdentidad, conIdent, {"6|21"}},
        {"identidad, copia", "copia", "5", "no admite sus columnas", conIdentidad, conIdent, {"21|21"}},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        BorraOrvaloTemp();
        BaseTsql b;
        CreaBaseOrvalo(b);
        for (const auto& sql : c.prepara) {
            b.Ejecuta(sql);
        }
        CarpetaTemporal tmp;
        const auto r = CorreOrden(
            tmp, b.Cadena(), Depura("2025-12-31", {"--pasos", c.paso, "--estrategia", c.estrategia, "--si"}));
        EXPECT_EQ(r.codigo, std::string(c.estrategia) == "copia" ? 1 : 0) << r.salida << r.errores;
        EXPECT_CONTIENE(r.salida + r.errores, c.mensaje);
        EXPECT_EQ(b.Filas(c.consulta), c.esperado);
    }
    BorraOrvaloTemp();
}

// Documentación de IDENT_CURRENT y DBCC CHECKIDENT: tras TRUNCATE da la semilla y RESEED n da n; con
// filas, n + incremento. Con incremento negativo, "volver atrás" es subir.
TEST(DepuracionTsql, IdentidadAscendenteYDescendente) {
    OV_EXIGE_SERVIDOR_TSQL();
    BaseTsql b;
    struct Caso {
        const char* tabla;
        int semilla, incremento;
        const char *trasVaciar, *trasReponer, *siguiente;
        long long resiembra;
    };
    // Tres filas, vaciar, reponer dos con sus id: el contador queda en valores ya emitidos; la resiembra al
    // último emitido hace que la siguiente fila no reuse ninguno.
    for (const Caso& c :
         {Caso{"sube", 1, 1, "1|1", "2|1", "4", 3}, Caso{"baja", 100, -1, "100|-1", "99|-1", "97", 98}}) {
        SCOPED_TRACE(c.tabla);
        const std::string t = c.tabla;
        b.Ejecuta("CREATE TABLE " + t + " (id int IDENTITY(" + std::to_string(c.semilla) + "," +
                  std::to_string(c.incremento) + ") PRIMARY KEY, x int)");
        b.Ejecuta("INSERT INTO " + t + " (x) VALUES (1), (2), (3)");
        b.Ejecuta("SELECT * INTO #copia_" + t + " FROM " + t);
        b.Ejecuta("TRUNCATE TABLE " + t);
        EXPECT_EQ(b.Filas(sqlserver::LeeIdentidad(t)), std::vector<std::string>{c.trasVaciar});
        b.Ejecuta("SET IDENTITY_INSERT dbo." + t + " on\r\ninsert into dbo." + t +
                  " (id, x) select id, x from #copia_" + t + " where x <= 2\r\nSET IDENTITY_INSERT dbo." + t +
                  " off");
        EXPECT_EQ(b.Filas(sqlserver::LeeIdentidad(t)), std::vector<std::string>{c.trasReponer});
        b.Ejecuta(sqlserver::Resiembra(t, c.resiembra));
        b.Ejecuta("INSERT INTO " + t + " (x) VALUES (4)");
        EXPECT_EQ(b.Valor("SELECT id FROM " + t + " WHERE x = 4"), c.siguiente);
    }
}

// Por la línea de comandos, con cada estrategia: --simular cuenta con la condición de la corrida sin cambiar
// nada; una corrida a la vez por servidor; lo que Babelfish rechaza falla con su mensaje, sin tocar la tabla
// ni falso éxito (sale con 1); lo que acepta, y todo en SQL Server, pierde solo lo del rango.
TEST(DepuracionTsql, DepuracionCompletaPorLaLineaDeComandos) {
    OV_EXIGE_SERVIDOR_TSQL();
    const bool babelfish = ServidorDePruebas().Babelfish;
    for (const std::string estrategia : {"copia", "borrado"}) {
        BorraOrvaloTemp();
        BaseTsql b("ovnorte");
        CreaBaseOrvalo(b);
        std::map<std::string, std::vector<std::string>> antes;
        for (const char* tabla : {"checadas", "kardex", "bitacora"}) {
            antes[tabla] = FilasDe(b, tabla);
        }
        CarpetaTemporal tmp;
        auto orden = Depura("2025-03-31", {"--simular", "--estrategia", estrategia});
        const auto simulada = CorreOrden(tmp, b.Cadena(), orden);
        EXPECT_EQ(simulada.codigo, 0) << simulada.errores;
        EXPECT_EMPIEZA(simulada.salida,
                       "Conexión\tTabla\tEliminar\tConservar\tEstrategia\nPlanta\tchecadas\t9\t12\t" +
                           estrategia + "\nPlanta\tkardex\t9\t12\t" + estrategia);
        EXPECT_CONTIENE(simulada.salida, "DBCC SHRINKDATABASE ([" + b.Nombre() + "],0,TRUNCATEONLY)\nGO\n");
        EXPECT_FALSE(ExisteOrvaloTemp(b));
        // Con el candado sp_getapplock de sesión en otra conexión, la corrida sale con 2; soltado, se toma.
        orden[7] = "--si";
        ArchivoReg registro(tmp / "orvalo.reg");
        ModNalvora otro(registro);
        DialectoSqlServer dialecto;
        CandadoCorrida candado;
        ASSERT_EQ(otro.AbreConexion("Planta"), 0);
        ASSERT_EQ(candado.Toma(otro, dialecto, "Planta", "prueba"), std::nullopt);
        const auto rechazada = CorreOrden(tmp, b.Cadena(), orden);
        EXPECT_EQ(rechazada.codigo, 2) << rechazada.salida << rechazada.errores;
        EXPECT_CONTIENE(rechazada.errores, "Otra depuración está en curso en el servidor");
        EXPECT_EQ(FilasDe(b, "checadas"), antes["checadas"])
            << "ni simular ni la corrida rechazada cambian nada";
        candado.Suelta();
        const auto r = CorreOrden(tmp, b.Cadena(), orden);
        const std::string todo = r.salida + r.errores;
        const bool intactas = babelfish && estrategia == "copia";
        for (const auto& [tabla, filas] : antes) {
            // Quedan las 12 conservadas: el disparador de kardex no escribe en la bitácora.
            const auto despues = FilasDe(b, tabla);
            EXPECT_EQ(despues.size(), intactas ? 21u : 12u) << estrategia << " " << tabla;
            EXPECT_TRUE(!intactas || despues == filas) << tabla;
        }
        const auto temporal = dialecto.TablasConFilas(b.cn());
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
            EXPECT_FALSE(ExisteOrvaloTemp(b));
        }
    }
    BorraOrvaloTemp();
}

// sp_getapplock: solo -1 (se agotó la espera) es otra depuración; -2 (cancelada), -3 (víctima de un
// interbloqueo) y -999 (parámetros o permisos) dicen lo suyo. Ver "sp_getapplock (Transact-SQL)", Return
// Code Values. El servidor de pruebas solo da 0 y -1 (DepuracionCompletaPorLaLineaDeComandos): los demás, por
// su valor.
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

// --archivo y --restaurar-archivo en el servidor: el archivo guarda las 9 filas de cada tabla con sus tipos e
// identidad, leídas en la transacción de la depuración; reponerlo deja cada tabla como estaba (sin que el
// disparador de kardex escriba en la bitácora), y reponerlo otra vez no inserta nada.
TEST(DepuracionTsql, ArchivarYReponerEnElServidor) {
    OV_EXIGE_SERVIDOR_TSQL();
    BorraOrvaloTemp();
    BaseTsql b("ovarchivo");
    CreaBaseOrvalo(b);
    // checadas con identidad: la reposición conserva sus valores (IDENTITY_INSERT con lista de columnas).
    b.Ejecuta("SELECT * INTO #c FROM checadas");
    b.Ejecuta("DROP TABLE checadas");
    b.Ejecuta("CREATE TABLE checadas (id int IDENTITY(1,1) PRIMARY KEY, empleado int, fechayhora datetime, "
              "reloj varchar(18))");
    b.Ejecuta("SET IDENTITY_INSERT checadas ON\r\nINSERT INTO checadas (id, empleado, fechayhora, reloj) "
              "SELECT id, empleado, fechayhora, reloj FROM #c\r\nSET IDENTITY_INSERT checadas OFF");
    const char* const tablas[] = {"checadas", "kardex", "bitacora"};
    std::map<std::string, std::vector<std::string>> antes;
    for (const char* tabla : tablas) {
        antes[tabla] = FilasDe(b, tabla);
    }
    const std::string identidad = b.Valor("SELECT IDENT_CURRENT('dbo.checadas')");
    CarpetaTemporal tmp;
    const auto r = CorreOrden(tmp, b.Cadena(),
                              Depura("2025-03-31", {"--pasos", "1,3,5", "--estrategia", "borrado", "--si",
                                                    "--archivo", (tmp / "archivo").string()}));
    ASSERT_EQ(r.codigo, 0) << r.salida << r.errores;
    const auto archivo = std::filesystem::directory_iterator(tmp / "archivo")->path();
    {
        BaseSqlite a(archivo);
        EXPECT_EQ(a.Valor("SELECT base FROM ovnalvora_origen"), b.Nombre());
        EXPECT_EQ(a.Valor("SELECT lower(group_concat(name || ' ' || type)) FROM pragma_table_info('kardex')"),
                  "empleado int,fecha datetime,tipo varchar(10)");
        for (const char* tabla : tablas) {
            EXPECT_EQ(
                a.Valor(std::string("SELECT estado || ' ' || filas FROM ovnalvora_tablas WHERE tabla = '") +
                        tabla + "'"),
                "depurada 9");
            EXPECT_EQ(a.Cuenta(std::string("SELECT count(*) FROM ") + tabla), 9) << tabla;
            EXPECT_EQ(FilasDe(b, tabla).size(), 12u) << tabla;
        }
    }
    for (const char* repuestas : {"9 filas repuestas de 9", "0 filas repuestas de 9"}) {
        const auto repone = CorreOrden(tmp, b.Cadena(), {"--restaurar-archivo", archivo.string(), "--si"});
        EXPECT_EQ(repone.codigo, 0) << repone.salida << repone.errores;
        for (const char* tabla : tablas) {
            EXPECT_CONTIENE(repone.salida, std::string(tabla) + ": " + repuestas);
            EXPECT_EQ(FilasDe(b, tabla), antes[tabla]) << tabla;
        }
    }
    EXPECT_EQ(b.Valor("SELECT IDENT_CURRENT('dbo.checadas')"), identidad);
    BorraOrvaloTemp();
}
