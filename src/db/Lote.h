#pragma once

#include "db/Conexion.h"
#include "db/Diagnostico.h"

#include "db/Sql.h"

#include <string>

namespace ov::db {

// Las llamadas con que se recorre un lote. La real va sobre una sentencia ODBC; las pruebas
// dan una secuencia fingida para reproducir lo que hacen los drivers de SQL Server.
class OrigenLote {
public:
    virtual ~OrigenLote() = default;
    virtual Llamada Ejecuta() = 0;                                     // SQLExecDirect
    virtual Llamada MasResultados() = 0;                               // SQLMoreResults
    virtual SQLSMALLINT Columnas() = 0;                                // SQLNumResultCols; 0 si falla
    virtual long long Cuenta() = 0;                                    // SQLRowCount; -1 si falla
    virtual Llamada Lee(Recordset& destino, SQLSMALLINT columnas) = 0; // el resultado actual, completo
};

// Ejecuta y agota todos los resultados. El lote falla si cualquier llamada dejó un error,
// también el segundo o tercer resultado; el error es el primero que apareció. Lanza ErrorBD.
Resultado AgotaLote(OrigenLote& origen);

// El lote sobre una sentencia ODBC real.
class LoteOdbc final : public OrigenLote {
public:
    // Con fila, las filas del resultado se le pasan una a una y no se guardan.
    LoteOdbc(SQLHSTMT sentencia, std::string sql, const RecibeFila* fila = nullptr)
        : st_(sentencia), sql_(std::move(sql)), fila_(fila) {}
    Llamada Ejecuta() override;
    Llamada MasResultados() override;
    SQLSMALLINT Columnas() override;
    long long Cuenta() override;
    Llamada Lee(Recordset& destino, SQLSMALLINT columnas) override;

private:
    SQLHSTMT st_;
    std::string sql_;
    const RecibeFila* fila_;
};

// Lee el resultado actual de la sentencia: campos con su tamaño declarado y todas las filas
// como texto (Null es nullopt).
Llamada LeeRecordset(SQLHSTMT sentencia, SQLSMALLINT columnas, Recordset& destino,
                     const RecibeFila* fila = nullptr);

} // namespace ov::db
