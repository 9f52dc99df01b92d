#include "db/CadenaConexion.h"

#include <gtest/gtest.h>

namespace ov::db {
namespace {

const std::vector<std::string> SoloFreeTds = {"PostgreSQL Unicode", "FreeTDS", "SQLite3"};
const std::vector<std::string> Con18 = {"FreeTDS", "ODBC Driver 17 for SQL Server",
                                        "ODBC Driver 18 for SQL Server"};
const std::vector<std::string> Con17 = {"FreeTDS", "ODBC Driver 17 for SQL Server",
                                        "SQL Server Native Client 11.0"};
const std::vector<std::string> ConNativo = {"SQL Server Native Client 11.0", "FreeTDS"};

struct Caso {
    const char* cadena;
    const std::vector<std::string>* drivers;
    const char* odbc;
    const char* base = "";
    long long segundos = 15;
};

TEST(TraduceCadena, TablaDeClavesInstanciasPuertosYCifrado) {
    // Las opciones fijas de FreeTDS van sin llaves: ClientCharset={UTF-8} lo rechaza con HY001.
    const char* tds = ";TDS_Version=7.4;ClientCharset=UTF-8";
    const std::vector<Caso> casos = {
        {"Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Password=clave;Initial Catalog=Orvalo;"
         "Data Source=SRV\\SQL2008",
         &SoloFreeTds, "Driver={FreeTDS};Server={SRV\\SQL2008};Database={Orvalo};UID={sa};PWD={clave}",
         "Orvalo"},
        // Driver 18 exige cifrado si nadie dice nada: la cadena no lo pedía.
        {"Provider=SQLOLEDB;Data Source=SRV\\SQL2008;Initial Catalog=Orvalo;User ID=sa;Password=clave",
         &Con18,
         "Driver={ODBC Driver 18 for SQL "
         "Server};Server={SRV\\SQL2008};Database={Orvalo};UID={sa};PWD={clave};"
         "Encrypt=Optional",
         "Orvalo"},
        {"Provider=SQLNCLI11;Data Source=SRV,1433;Initial Catalog=Orvalo;Integrated Security=SSPI", &Con17,
         "Driver={ODBC Driver 17 for SQL Server};Server={SRV,1433};Database={Orvalo};Trusted_Connection=Yes",
         "Orvalo"},
        {"Provider=MSOLEDBSQL19;Server=SRV;Trusted_Connection=yes;Use Encryption for Data=True;"
         "Trust Server Certificate=True",
         &ConNativo,
         "Driver={SQL Server Native Client 11.0};Server={SRV};Trusted_Connection=Yes;Encrypt=Yes;"
         "TrustServerCertificate=Yes"},
        {"Provider=MSOLEDBSQL;Data Source=SRV;Encrypt=Strict", &Con18,
         "Driver={ODBC Driver 18 for SQL Server};Server={SRV};Encrypt=Strict"},
        // FreeTDS: el puerto gana a la instancia, nunca ambos.
        {"Provider=SQLOLEDB;Data Source=tcp:SRV\\INST,1500;User ID=sa;Connect Timeout=5", &SoloFreeTds,
         "Driver={FreeTDS};Server={SRV};Port={1500};UID={sa}", "", 5},
        {"Provider=SQLOLEDB;Data Source=(local);Encrypt=yes", &SoloFreeTds,
         "Driver={FreeTDS};Server={127.0.0.1};Encryption=require", "", 15},
        // Comillas al estilo OLE DB; en la salida, llaves con la de cierre doblada.
        {"Provider='SQLOLEDB';Password=\"a;b\"\"c}d\";User ID='o''brien' ; Initial Catalog = \"Planta 2\"; "
         "Desconocida=1",
         &SoloFreeTds, "Driver={FreeTDS};Database={Planta 2};UID={o'brien};PWD={a;b\"c}}d}", "Planta 2"},
        // MSDASQL usa el DSN, sea DSN= o Data Source; las propiedades extendidas son ODBC.
        {"Provider=MSDASQL.1;DSN=Orvalo;User ID=sa;Password=x", &SoloFreeTds,
         "DSN={Orvalo};UID={sa};PWD={x}"},
        {"Provider=MSDASQL;Data Source=MiDsn;Initial Catalog=Orvalo", &SoloFreeTds,
         "DSN={MiDsn};Database={Orvalo}", "Orvalo"},
        {"Provider=MSDASQL;Extended Properties=\"DSN=Orvalo;UID=sa;PWD={p;w}\"", &SoloFreeTds,
         "DSN={Orvalo};UID={sa};PWD={p;w}"},
        // Ya es ODBC: pasa igual; se leen la base y el tiempo de espera.
        {"Driver=SQLite3;Database=/datos/Orvalo Uno.db", &SoloFreeTds,
         "Driver=SQLite3;Database=/datos/Orvalo Uno.db", "/datos/Orvalo Uno.db"},
        {" DSN=Orvalo;Connect Timeout=7;PWD={a}}b}", &SoloFreeTds, " DSN=Orvalo;Connect Timeout=7;PWD={a}}b}",
         "", 7},
        {"Server=SRV;Driver={ODBC Driver 18 for SQL Server};Database=Orvalo", &SoloFreeTds,
         "Server=SRV;Driver={ODBC Driver 18 for SQL Server};Database=Orvalo", "Orvalo"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.cadena);
        std::string t = c.odbc;
        if (t.rfind("Driver={FreeTDS}", 0) == 0) {
            t += tds;
        }
        const CadenaOdbc r = TraduceCadena(c.cadena, *c.drivers);
        EXPECT_EQ(r.Texto, t);
        EXPECT_EQ(r.BaseEsperada, c.base);
        EXPECT_EQ(r.TiempoLogin.count(), c.segundos);
    }
}

TEST(TraduceCadena, MalFormadaOSinDriverDaErrorSinLaCadenaNiLaContrasena) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> malas = {
        {"Provider=SQLOLEDB;Password='Secreta9;Data Source=SRV", SoloFreeTds},     // comilla sin cerrar
        {"Provider=SQLOLEDB;Password=\"Secreta9\"x;Data Source=SRV", SoloFreeTds}, // texto tras la comilla
        {"Provider=SQLOLEDB;Secreta9;Data Source=SRV", SoloFreeTds},               // sin signo igual
        {"Provider=SQLOLEDB;=Secreta9", SoloFreeTds},                              // sin nombre
        {"Provider=SQLOLEDB;Password=Secreta9;Connect Timeout=diez", SoloFreeTds},
        {"Provider=SQLOLEDB;Password=Secreta9;Data Source=SRV,uno", SoloFreeTds},
        {"Provider=SQLOLEDB;Password=Secreta9;Integrated Security=quizas", SoloFreeTds},
        {"Driver={FreeTDS;PWD=Secreta9", SoloFreeTds}, // llave sin cerrar en una cadena ODBC
        {"Provider=MSDASQL;User ID=sa;Password=Secreta9", SoloFreeTds},
        {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=c:\\Secreta9.mdb", SoloFreeTds},
        {"  ; ", SoloFreeTds},
        {"Provider=SQLOLEDB;Data Source=SRV;User ID=sa;Password=Secreta9", {"SQLite3", "PostgreSQL Unicode"}},
    };
    for (size_t i = 0; i < malas.size(); ++i) {
        const auto& [cadena, drivers] = malas[i];
        SCOPED_TRACE(testing::Message() << "caso " << i);
        try {
            TraduceCadena(cadena, drivers);
            ADD_FAILURE() << "se aceptó una cadena inválida";
        } catch (const ErrorBD& e) {
            const std::string texto = e.Fuente + e.Descripcion + e.what();
            EXPECT_EQ(texto.find("Secreta9"), std::string::npos) << texto;
            EXPECT_EQ(texto.find("Provider"), std::string::npos) << texto;
            EXPECT_NE(e.Descripcion.find("cadena de conexión"), std::string::npos)
                << "descripción en español: " << e.Descripcion;
        }
    }
}

TEST(TraduceCadena, ValorDeClaveYDriversInstalados) {
    EXPECT_EQ(ValorDeClave("Driver=SQLite3;database={/a/b}}c.db}", "Database"), "/a/b}c.db");
    EXPECT_EQ(ValorDeClave("Driver=SQLite3", "Database"), "");
    EXPECT_EQ(ValorDeClave("Driver={SQLite3", "Driver"), "");
    // Los de esta máquina, registrados por sus paquetes.
    const auto drivers = DriversInstalados();
    EXPECT_NE(std::find(drivers.begin(), drivers.end(), "SQLite3"), drivers.end());
    EXPECT_NE(std::find(drivers.begin(), drivers.end(), "FreeTDS"), drivers.end());
}

} // namespace
} // namespace ov::db
