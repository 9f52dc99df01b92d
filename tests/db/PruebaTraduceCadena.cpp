#include "apoyo/ErrorDe.h"
#include "db/CadenaConexion.h"

#include <gtest/gtest.h>

namespace ov::db {
namespace {

using Drivers = std::vector<std::string>;
const Drivers SoloFreeTds = {"PostgreSQL Unicode", "FreeTDS", "SQLite3"};
const Drivers Con18 = {"FreeTDS", "ODBC Driver 17 for SQL Server", "ODBC Driver 18 for SQL Server"};
const Drivers Con17 = {"FreeTDS", "ODBC Driver 17 for SQL Server", "SQL Server Native Client 11.0"};
const Drivers NativoPrimero = {"SQL Server Native Client 11.0", "FreeTDS"};
const Drivers SoloElViejo = {"SQLite3", "SQL Server"}; // el driver viejo de Windows, solo si no hay otro
const Drivers ElViejoPrimero = {"SQL Server", "FreeTDS"};

struct Caso {
    const char* cadena;
    const char* odbc;
    const char* base = "";
    long long segundos = 15;
    Drivers drivers = SoloFreeTds;
};

TEST(TraduceCadena, TablaDeClavesInstanciasPuertosYCifrado) {
    // Las opciones fijas de FreeTDS van sin llaves: ClientCharset={UTF-8} lo rechaza con HY001.
    const char* tds = ";TDS_Version=7.4;ClientCharset=UTF-8";
    const std::vector<Caso> casos = {
        {"Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Password=clave;Initial Catalog=Orvalo;"
         "Data Source=SRV\\SQL2008",
         "Driver={FreeTDS};Server={SRV\\SQL2008};Database={Orvalo};UID={sa};PWD={clave}", "Orvalo"},
        // Driver 18 exige cifrado si nadie dice nada: la cadena no lo pedía.
        {"Provider=SQLOLEDB;Data Source=SRV\\SQL2008;Initial Catalog=Orvalo;User ID=sa;Password=clave",
         "Driver={ODBC Driver 18 for SQL "
         "Server};Server={SRV\\SQL2008};Database={Orvalo};UID={sa};PWD={clave};"
         "Encrypt=Optional",
         "Orvalo", 15, Con18},
        {"Provider=SQLNCLI11;Data Source=SRV,1433;Initial Catalog=Orvalo;Integrated Security=SSPI",
         "Driver={ODBC Driver 17 for SQL Server};Server={SRV,1433};Database={Orvalo};Trusted_Connection=Yes",
         "Orvalo", 15, Con17},
        {"Provider=MSOLEDBSQL19;Server=SRV;Trusted_Connection=yes;Use Encryption for Data=True;"
         "Trust Server Certificate=True",
         "Driver={SQL Server Native Client 11.0};Server={SRV};Trusted_Connection=Yes;Encrypt=Yes;"
         "TrustServerCertificate=Yes",
         "", 15, NativoPrimero},
        {"Provider=MSOLEDBSQL;Data Source=SRV;Encrypt=Strict",
         "Driver={ODBC Driver 18 for SQL Server};Server={SRV};Encrypt=Strict", "", 15, Con18},
        {"Provider=SQLOLEDB.1;User ID=sa;Password=clave;Initial Catalog=Orvalo;Data Source=SRV\\SQL2008;"
         "Use Encryption for Data=True",
         "Driver={SQL Server};Server={SRV\\SQL2008};Database={Orvalo};UID={sa};PWD={clave};Encrypt=Yes",
         "Orvalo", 15, SoloElViejo},
        {"Provider=SQLOLEDB;Data Source=SRV", "Driver={FreeTDS};Server={SRV}", "", 15, ElViejoPrimero},
        // FreeTDS: el puerto gana a la instancia, nunca ambos.
        {"Provider=SQLOLEDB;Data Source=tcp:SRV\\INST,1500;User ID=sa;Connect Timeout=5",
         "Driver={FreeTDS};Server={SRV};Port={1500};UID={sa}", "", 5},
        {"Provider=SQLOLEDB;Data Source=(local);Encrypt=yes",
         "Driver={FreeTDS};Server={127.0.0.1};Encryption=require"},
        // Comillas al estilo OLE DB; en la salida, llaves con la de cierre doblada.
        {"Provider='SQLOLEDB';Password=\"a;b\"\"c}d\";User ID='o''brien' ; Initial Catalog = \"Planta 2\"; "
         "Desconocida=1",
         "Driver={FreeTDS};Database={Planta 2};UID={o'brien};PWD={a;b\"c}}d}", "Planta 2"},
        // MSDASQL usa el DSN, sea DSN= o Data Source; las propiedades extendidas son ODBC.
        {"Provider=MSDASQL.1;DSN=Orvalo;User ID=sa;Password=x", "DSN={Orvalo};UID={sa};PWD={x}"},
        {"Provider=MSDASQL;Data Source=MiDsn;Initial Catalog=Orvalo", "DSN={MiDsn};Database={Orvalo}",
         "Orvalo"},
        {"Provider=MSDASQL;Extended Properties=\"DSN=Orvalo;UID=sa;PWD={p;w}\"",
         "DSN={Orvalo};UID={sa};PWD={p;w}"},
        // Ya es ODBC: pasa igual; se leen la base y el tiempo de espera.
        {"Driver=SQLite3;Database=/datos/Orvalo Uno.db", "Driver=SQLite3;Database=/datos/Orvalo Uno.db",
         "/datos/Orvalo Uno.db"},
        {" DSN=Orvalo;Connect Timeout=7;PWD={a}}b}", " DSN=Orvalo;Connect Timeout=7;PWD={a}}b}", "", 7},
        {"Server=SRV;Driver={ODBC Driver 18 for SQL Server};Database=Orvalo",
         "Server=SRV;Driver={ODBC Driver 18 for SQL Server};Database=Orvalo", "Orvalo"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.cadena);
        std::string t = c.odbc;
        if (t.rfind("Driver={FreeTDS}", 0) == 0) {
            t += tds;
        }
        const CadenaOdbc r = TraduceCadena(c.cadena, c.drivers);
        EXPECT_EQ(r.Texto, t);
        EXPECT_EQ(r.BaseEsperada, c.base);
        EXPECT_EQ(r.TiempoLogin.count(), c.segundos);
    }
}

TEST(TraduceCadena, MalFormadaOSinDriverDaErrorSinLaCadenaNiLaContrasena) {
    const std::string malas[] = {
        "Provider=SQLOLEDB;Password='Secreta9;Data Source=SRV",     // comilla sin cerrar
        "Provider=SQLOLEDB;Password=\"Secreta9\"x;Data Source=SRV", // texto tras la comilla
        "Provider=SQLOLEDB;Secreta9;Data Source=SRV",               // sin signo igual
        "Provider=SQLOLEDB;=Secreta9",                              // sin nombre
        "Provider=SQLOLEDB;Password=Secreta9;Connect Timeout=diez",
        "Provider=SQLOLEDB;Password=Secreta9;Data Source=SRV,uno",
        "Provider=SQLOLEDB;Password=Secreta9;Integrated Security=quizas",
        "Driver={FreeTDS;PWD=Secreta9", // llave sin cerrar en una cadena ODBC
        "Provider=MSDASQL;User ID=sa;Password=Secreta9",
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=c:\\Secreta9.mdb",
        "  ; ",
        "Provider=SQLOLEDB;Data Source=SRV;User ID=sa;Password=Secreta9", // sin driver de SQL Server
    };
    for (const std::string& cadena : malas) {
        SCOPED_TRACE(cadena);
        const bool sinDriver = &cadena == &malas[std::size(malas) - 1];
        const ErrorBD e = ErrorDe([&] {
            TraduceCadena(cadena, sinDriver ? Drivers{"SQLite3", "PostgreSQL Unicode"} : SoloFreeTds);
        });
        const std::string texto = e.Fuente + e.Descripcion + e.what();
        EXPECT_EQ(texto.find("Secreta9"), std::string::npos) << texto;
        EXPECT_EQ(texto.find("Provider"), std::string::npos) << texto;
        EXPECT_NE(e.Descripcion.find("cadena de conexión"), std::string::npos) << e.Descripcion;
    }
}

} // namespace
} // namespace ov::db
