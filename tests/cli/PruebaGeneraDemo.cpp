// El generador de la demostración, corrido como lo corre el operador, y sus archivos leídos con SQLite.
#include "apoyo/CarpetaTemporal.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace fs = std::filesystem;
using ov::prueba::CarpetaTemporal;
using ov::prueba::EscribeArchivo;
using ov::prueba::LeeArchivo;

namespace {

struct Corrida {
    int Codigo;
    std::string Salida, Error;
};

Corrida CorreGenerador(const CarpetaTemporal& tmp, const std::string& argumentos) {
    const std::string salida = (tmp / "salida.txt").string(), error = (tmp / "error.txt").string();
    const std::string orden =
        std::string("'") + OV_GENERA_DEMO + "' " + argumentos + " >'" + salida + "' 2>'" + error + "'";
    const int estado = std::system(orden.c_str());
    return {WIFEXITED(estado) ? WEXITSTATUS(estado) : -1, LeeArchivo(salida), LeeArchivo(error)};
}

struct CierraBase {
    void operator()(sqlite3* b) const { sqlite3_close(b); }
};
using Base = std::unique_ptr<sqlite3, CierraBase>;

Base Abre(const fs::path& archivo) {
    sqlite3* b = nullptr;
    EXPECT_EQ(sqlite3_open_v2(archivo.c_str(), &b, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK) << archivo;
    return Base(b);
}

// Primera columna de la primera fila, como texto ("" si es NULL).
std::string Valor(sqlite3* b, const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(b, sql.c_str(), -1, &s, nullptr), SQLITE_OK)
        << sql << ": " << sqlite3_errmsg(b);
    std::string r;
    if (s != nullptr && sqlite3_step(s) == SQLITE_ROW && sqlite3_column_text(s, 0) != nullptr) {
        r = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    }
    sqlite3_finalize(s);
    return r;
}

long Cuenta(sqlite3* b, const std::string& sql) {
    return std::stol(Valor(b, sql));
}

// Solo ASCII: las rutas de la carpeta temporal no llevan otra cosa.
std::string DecodificaUtf16le(const std::string& bytes) {
    std::string r;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const unsigned u = static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1])
                                                                      << 8;
        r += u < 0x80 ? static_cast<char>(u) : '?';
    }
    return r;
}

// Dentro de un valor del .reg toda '\' escapa a '\' o '"', y ninguna comilla queda suelta.
bool ValorBienEscapado(const std::string& linea) {
    const auto inicio = linea.find("\"=\"");
    if (inicio == std::string::npos || linea.back() != '"') {
        return false;
    }
    for (std::size_t i = inicio + 3; i + 1 < linea.size(); ++i) {
        if (linea[i] == '"' || (linea[i] == '\\' && linea[++i] != '\\' && linea[i] != '"')) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(GeneraDemo, CreaLasDosBasesYElRegistroReemplazandoLoAnterior) {
    CarpetaTemporal tmp;
    const fs::path demo = tmp / "demo";
    fs::create_directories(demo);
    EscribeArchivo(demo / "orvalo_norte.db", "no es una base");
    EscribeArchivo(demo / "orvalo.reg", "viejo");

    const Corrida c = CorreGenerador(tmp, "'" + demo.string() + "' --checadas 4000 --semilla 7");
    ASSERT_EQ(c.Codigo, 0) << c.Error;
    EXPECT_EQ(c.Error, "");

    // La misma semilla da los mismos archivos; otra semilla, otros.
    ASSERT_EQ(CorreGenerador(tmp, "'" + (tmp / "igual").string() + "' --checadas 4000 --semilla 7").Codigo,
              0);
    ASSERT_EQ(CorreGenerador(tmp, "'" + (tmp / "otra").string() + "' --checadas 4000 --semilla 8").Codigo, 0);
    EXPECT_EQ(LeeArchivo(demo / "orvalo_sur.db"), LeeArchivo(tmp / "igual" / "orvalo_sur.db"));
    EXPECT_NE(LeeArchivo(demo / "orvalo_sur.db"), LeeArchivo(tmp / "otra" / "orvalo_sur.db"));

    const Base norte = Abre(demo / "orvalo_norte.db"), sur = Abre(demo / "orvalo_sur.db");
    const std::string tablas = "SELECT group_concat(name, ',') FROM (SELECT name FROM sqlite_master WHERE "
                               "type = 'table' AND name NOT LIKE 'sqlite%' ORDER BY name)";
    EXPECT_EQ(Valor(norte.get(), tablas), "Transacciones,bitacora,checadas,kardex");
    EXPECT_EQ(Valor(sur.get(), tablas), "bitacora,checadas,kardex");

    struct Columna {
        sqlite3* BaseDatos;
        const char *Tabla, *Fecha, *Formato;
    };
    const char* fechaHora = "%Y-%m-%d %H:%M:%S";
    for (const Columna& col : {Columna{norte.get(), "Transacciones", "fechayhora", fechaHora},
                               Columna{norte.get(), "checadas", "fechayhora", fechaHora},
                               Columna{norte.get(), "kardex", "fecha", "%Y-%m-%d"},
                               Columna{norte.get(), "bitacora", "fechahora", fechaHora},
                               Columna{sur.get(), "checadas", "fechayhora", fechaHora},
                               Columna{sur.get(), "kardex", "fecha", "%Y-%m-%d"},
                               Columna{sur.get(), "bitacora", "fechahora", fechaHora}}) {
        SCOPED_TRACE(std::string(col.Tabla));
        const std::string de = std::string(" FROM ") + col.Tabla, f = col.Fecha;
        const long sinFecha = Cuenta(col.BaseDatos, "SELECT count(*)" + de + " WHERE " + f + " IS NULL");
        EXPECT_TRUE(sinFecha >= 2 && sinFecha <= 3) << sinFecha;
        // Texto bien formado, fecha válida y nunca en domingo.
        EXPECT_EQ(Cuenta(col.BaseDatos, "SELECT count(*)" + de + " WHERE " + f + " IS NOT NULL AND (typeof(" +
                                            f + ") <> 'text' OR strftime('" + col.Formato + "', " + f +
                                            ") IS NOT " + f + " OR strftime('%w', " + f + ") = '0')"),
                  0);
        EXPECT_LE(Valor(col.BaseDatos, "SELECT max(" + f + ")" + de), "2026-11-30 23:59:59");
        EXPECT_GE(Valor(col.BaseDatos, "SELECT min(" + f + ")" + de), "2023-12-01");
    }

    // Las checadas pedidas van a Transacciones en el norte; su tabla checadas es vieja y pequeña.
    for (const auto& [b, tabla] :
         {std::pair{norte.get(), "Transacciones"}, std::pair{sur.get(), "checadas"}}) {
        const long checadas = Cuenta(b, std::string("SELECT count(fechayhora) FROM ") + tabla);
        EXPECT_NEAR(checadas, 4000, 400) << tabla;
        EXPECT_LT(Valor(b, std::string("SELECT min(fechayhora) FROM ") + tabla), "2024-01-01");
        EXPECT_GE(Valor(b, std::string("SELECT max(fechayhora) FROM ") + tabla), "2026-11-01");
        EXPECT_NEAR(Cuenta(b, "SELECT count(fecha) FROM kardex"), checadas / 2, checadas / 10);
        EXPECT_EQ(Cuenta(b, "SELECT count(*) FROM (SELECT 1 FROM kardex WHERE fecha IS NOT NULL GROUP BY "
                            "empleado, fecha HAVING count(*) > 1)"),
                  0);
    }
    const long antiguas = Cuenta(norte.get(), "SELECT count(fechayhora) FROM checadas");
    EXPECT_TRUE(antiguas >= 100 && antiguas <= 1000) << antiguas;
    EXPECT_LT(Valor(norte.get(), "SELECT max(fechayhora) FROM checadas"), "2024-12-01");

    // El disparador existe en las dos y escribe en bitacora; la generación no lo disparó.
    for (sqlite3* b : {norte.get(), sur.get()}) {
        const long antes = Cuenta(b, "SELECT count(*) FROM bitacora");
        EXPECT_EQ(Cuenta(b, "SELECT count(*) FROM bitacora WHERE usuario = 'kardex'"), 0);
        ASSERT_EQ(sqlite3_exec(b,
                               "INSERT INTO kardex VALUES (7, '2026-12-01', '08:00', '16:00', 'Asistencia')",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        EXPECT_EQ(Cuenta(b, "SELECT count(*) FROM bitacora"), antes + 1);
        EXPECT_EQ(Valor(b, "SELECT accion FROM bitacora ORDER BY id DESC LIMIT 1"),
                  "Alta de kardex del empleado 7 del 2026-12-01");
    }

    const std::string bytes = LeeArchivo(demo / "orvalo.reg");
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    const std::string reg = DecodificaUtf16le(bytes);
    EXPECT_EQ(reg.rfind("Windows Registry Editor Version 5.00\r\n\r\n", 0), 0u);
    for (std::size_t i = reg.find('\n'); i != std::string::npos; i = reg.find('\n', i + 1)) {
        ASSERT_EQ(reg[i - 1], '\r') << "salto sin CR en el byte " << i;
    }
    const std::string clave = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Quintara\\Orvalo\\Conexiones\\";
    const std::string carpeta = fs::canonical(demo).string();
    EXPECT_NE(reg.find(clave + "0]\r\n\"Name\"=\"Planta Norte\"\r\n\"Conn\"=\"Driver=SQLite3;Database=" +
                       carpeta + "/orvalo_norte.db\"\r\n"),
              std::string::npos)
        << reg;
    EXPECT_NE(reg.find(clave + "1]\r\n\"Name\"=\"Planta Sur\"\r\n\"Conn\"=\"Driver=SQLite3;Database=" +
                       carpeta + "/orvalo_sur.db\"\r\n"),
              std::string::npos);
    EXPECT_NE(reg.find(clave + "2]\r\n\"Name\"=\"Corporativo SQL\"\r\n\"Conn\"=\"Provider=SQLOLEDB.1;"),
              std::string::npos);
    EXPECT_NE(reg.find("Data Source=127.0.0.1,1;"), std::string::npos);
    EXPECT_EQ(reg.find(clave + "3]"), std::string::npos);
    for (std::size_t i = 0, fin; (fin = reg.find("\r\n", i)) != std::string::npos; i = fin + 2) {
        const std::string linea = reg.substr(i, fin - i);
        if (!linea.empty() && linea[0] == '"') {
            EXPECT_TRUE(ValorBienEscapado(linea)) << linea;
        }
    }
}

TEST(GeneraDemo, RechazaArgumentosMalosConDosYFallaDeEscrituraConUno) {
    CarpetaTemporal tmp;
    const std::string destino = "'" + (tmp / "destino").string() + "'";
    for (const std::string& argumentos :
         {std::string(""), destino + " --checadas abc", destino + " --checadas -5",
          destino + " --checadas 7x", destino + " --semilla", destino + " --filas 10", destino + " otra"}) {
        const Corrida c = CorreGenerador(tmp, argumentos);
        EXPECT_EQ(c.Codigo, 2) << argumentos;
        EXPECT_EQ(c.Error.rfind("genera_demo: ", 0), 0u) << argumentos;
        EXPECT_EQ(c.Salida, "") << argumentos;
    }
    EXPECT_FALSE(fs::exists(tmp / "destino"));

    // La carpeta pedida es un archivo: no hay dónde escribir.
    EscribeArchivo(tmp / "archivo", "x");
    const Corrida c = CorreGenerador(tmp, "'" + (tmp / "archivo").string() + "' --checadas 10");
    EXPECT_EQ(c.Codigo, 1);
    EXPECT_NE(c.Error.find("no se pudo crear la carpeta"), std::string::npos) << c.Error;
}
