#include "db/Lote.h"

#include "db/TextoOdbc.h"

namespace ov::db {

namespace {

// Tope de SQL_ERROR seguidos de SQLMoreResults: un driver que no avanza no cuelga el lote.
constexpr int MaxErroresSeguidos = 64;

bool Exito(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

Llamada Con(SQLRETURN rc, SQLHSTMT st) {
    return {rc, rc == SQL_SUCCESS ? std::vector<Diagnostico>{} : LeeDiagnosticos(SQL_HANDLE_STMT, st)};
}

} // namespace

Resultado AgotaLote(OrigenLote& origen) {
    Resultado resultado;
    std::optional<ErrorBD> error;
    auto anota = [&error, &resultado](const Llamada& l) {
        if (!error) {
            error = ErrorDe(l);
        }
        for (const Diagnostico& d : l.Diagnosticos) {
            if (!EsError(d)) {
                resultado.Mensajes.push_back(ErrorDeDiagnostico(d).Descripcion);
            }
        }
    };

    Llamada llamada = origen.Ejecuta();
    bool primera = true;
    int erroresSeguidos = 0;
    for (;;) {
        anota(llamada);
        if (Exito(llamada.rc)) {
            erroresSeguidos = 0;
            const SQLSMALLINT columnas = origen.Columnas();
            if (columnas > 0 && !resultado.Registros) {
                Recordset registros;
                anota(origen.Lee(registros, columnas));
                resultado.Registros = std::move(registros);
            }
            resultado.FilasAfectadas.push_back(origen.Cuenta());
        } else if (llamada.rc == SQL_NO_DATA) {
            if (!primera) {
                break;
            }
            // SQL_NO_DATA de SQLExecDirect: UPDATE o DELETE que no tocó filas; puede haber más.
            resultado.FilasAfectadas.push_back(0);
        } else if (llamada.rc == SQL_ERROR) {
            // Los drivers de SQL Server siguen con la sentencia siguiente del lote tras un error.
            if (++erroresSeguidos > MaxErroresSeguidos) {
                break;
            }
        } else {
            break;
        }
        primera = false;
        llamada = origen.MasResultados();
    }
    if (error) {
        throw *error;
    }
    return resultado;
}

Llamada LoteOdbc::Ejecuta() {
    return Con(odbc::ExecDirect(st_, sql_), st_);
}

Llamada LoteOdbc::MasResultados() {
    return Con(SQLMoreResults(st_), st_);
}

SQLSMALLINT LoteOdbc::Columnas() {
    SQLSMALLINT n = 0;
    return SQL_SUCCEEDED(SQLNumResultCols(st_, &n)) ? n : 0;
}

long long LoteOdbc::Cuenta() {
    SQLLEN n = -1;
    return SQL_SUCCEEDED(SQLRowCount(st_, &n)) ? static_cast<long long>(n) : -1;
}

Llamada LoteOdbc::Lee(Recordset& destino, SQLSMALLINT columnas) {
    return LeeRecordset(st_, columnas, destino, fila_);
}

namespace {

Llamada LeeCampo(SQLHSTMT st, SQLUSMALLINT columna, Campo& campo) {
    SQLULEN tamano = 0;
    const SQLRETURN rc = odbc::DescribeColumna(st, columna, campo.Name, tamano);
    if (!SQL_SUCCEEDED(rc)) {
        return Con(rc, st);
    }
    campo.DefinedSize = static_cast<long long>(tamano);
    return {};
}

// El valor como texto, por trozos: los textos largos no caben en un búfer.
Llamada LeeValor(SQLHSTMT st, SQLUSMALLINT columna, Valor& valor) {
    const SQLRETURN rc = odbc::DatoTexto(st, columna, valor);
    return SQL_SUCCEEDED(rc) ? Llamada{} : Con(rc, st);
}

} // namespace

Llamada LeeRecordset(SQLHSTMT st, SQLSMALLINT columnas, Recordset& destino, const RecibeFila* recibe) {
    destino.Campos.assign(static_cast<size_t>(columnas), Campo{});
    for (SQLSMALLINT i = 0; i < columnas; ++i) {
        Llamada l = LeeCampo(st, static_cast<SQLUSMALLINT>(i + 1), destino.Campos[static_cast<size_t>(i)]);
        if (!Exito(l.rc)) {
            return l;
        }
    }
    for (;;) {
        const SQLRETURN rc = SQLFetch(st);
        if (rc == SQL_NO_DATA) {
            return {};
        }
        if (!Exito(rc)) {
            return Con(rc, st);
        }
        if (rc == SQL_SUCCESS_WITH_INFO) {
            // Un error de SQL Server a media lectura puede llegar como aviso de SQLFetch.
            Llamada aviso = Con(rc, st);
            if (ErrorDe(aviso)) {
                return aviso;
            }
        }
        std::vector<Valor> fila(static_cast<size_t>(columnas));
        for (SQLSMALLINT i = 0; i < columnas; ++i) {
            Llamada l = LeeValor(st, static_cast<SQLUSMALLINT>(i + 1), fila[static_cast<size_t>(i)]);
            if (!Exito(l.rc)) {
                return l;
            }
        }
        if (recibe != nullptr) {
            (*recibe)(fila); // si lanza, la lectura se abandona con su error
        } else {
            destino.Filas.push_back(std::move(fila));
        }
    }
}

} // namespace ov::db
