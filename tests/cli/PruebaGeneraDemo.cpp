// El generador de la demostración, corrido como lo corre el operador, y sus archivos leídos con SQLite.
#include "apoyo/BaseSqlite.h"
#include "apoyo/CarpetaTemporal.h"
#include "apoyo/Contiene.h"
#include "connections/TextoUtf8.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

using namespace ov::prueba;
namespace fs = std::filesystem;

namespace {

int CorreGenerador(const std::string& argumentos) {
    const int estado =
        std::system((std::string("'") + OV_GENERA_DEMO + "' " + argumentos + " >/dev/null 2>&1").c_str());
    return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
}

} // namespace

TEST(GeneraDemo, TablasFechasDisparadorYRegistro) {
    CarpetaTemporal tmp;
    const fs::path demo = tmp / "demo";
    ASSERT_EQ(CorreGenerador("'" + demo.string() + "' --checadas 3000"), 0);

    BaseSqlite norte(demo / "orvalo_norte.db"), sur(demo / "orvalo_sur.db");
    const std::string tablas = "SELECT group_concat(name, ',') FROM (SELECT name FROM sqlite_master WHERE "
                               "type = 'table' AND name NOT LIKE 'sqlite%' ORDER BY name)";
    EXPECT_EQ(norte.Valor(tablas), "Transacciones,bitacora,checadas,kardex");
    EXPECT_EQ(sur.Valor(tablas), "bitacora,checadas,kardex");

    // Cada tabla tiene filas sin fecha (al menos dos) y sus fechas son texto bien formado (ninguna mala).
    for (auto [base, tabla, f, formato] :
         {std::tuple{&norte, "Transacciones", "fechayhora", "%Y-%m-%d %H:%M:%S"},
          std::tuple{&norte, "kardex", "fecha", "%Y-%m-%d"},
          std::tuple{&sur, "checadas", "fechayhora", "%Y-%m-%d %H:%M:%S"},
          std::tuple{&sur, "bitacora", "fechahora", "%Y-%m-%d %H:%M:%S"}}) {
        EXPECT_EQ(base->Valor(std::string("SELECT (sum(") + f + " IS NULL) >= 2) || ' ' || sum(strftime('" +
                              formato + "', " + f + ") IS NOT " + f + ") FROM " + tabla),
                  "1 0")
            << tabla;
    }

    // El disparador no se disparó al generar, pero escribe en bitacora en cada alta de kardex.
    EXPECT_EQ(sur.Cuenta("SELECT count(*) FROM bitacora WHERE usuario = 'kardex'"), 0);
    sur.Ejecuta("INSERT INTO kardex VALUES (7, '2026-12-01', '08:00', '16:00', 'Asistencia')");
    EXPECT_EQ(sur.Valor("SELECT accion FROM bitacora ORDER BY id DESC LIMIT 1"),
              "Alta de kardex del empleado 7 del 2026-12-01");

    // orvalo.reg como lo escribe regedit: UTF-16LE con BOM, CRLF, rutas absolutas.
    const std::string bytes = LeeArchivo(demo / "orvalo.reg");
    ASSERT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    const std::string reg = ov::Utf8DeUtf16le(bytes.substr(2));
    EXPECT_EMPIEZA(reg, "Windows Registry Editor Version 5.00\r\n\r\n");
    const std::string clave = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Quintara\\Orvalo\\Conexiones\\";
    EXPECT_CONTIENE(reg, clave + "1]\r\n\"Name\"=\"Planta Sur\"\r\n\"Conn\"=\"Driver=SQLite3;Database=" +
                             fs::canonical(demo).string() + "/orvalo_sur.db\"\r\n");
    EXPECT_CONTIENE(reg, clave + "2]\r\n\"Name\"=\"Corporativo SQL\"\r\n\"Conn\"=\"Provider=SQLOLEDB.1;");
    EXPECT_CONTIENE(reg, "\\\\\\\\SRV-") << "las diagonales inversas van escapadas";
}

TEST(GeneraDemo, ArgumentosMalosDanDosYSinDondeEscribirDaUno) {
    CarpetaTemporal tmp;
    const std::string destino = "'" + (tmp / "destino").string() + "'";
    for (const std::string& argumentos :
         {std::string(""), destino + " --checadas 7x", destino + " --filas 10"}) {
        EXPECT_EQ(CorreGenerador(argumentos), 2) << argumentos;
    }
    EXPECT_FALSE(fs::exists(tmp / "destino"));
    EscribeArchivo(tmp / "archivo", "x");
    EXPECT_EQ(CorreGenerador("'" + (tmp / "archivo").string() + "' --checadas 10"), 1);
}
