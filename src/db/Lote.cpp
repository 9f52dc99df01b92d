#include "db/Lote.h"

#include <sqlext.h>

#include <algorithm>
#include <array>

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
    const SQLRETURN rc =
        SQLExecDirect(st_, reinterpret_cast<SQLCHAR*>(sql_.data()), static_cast<SQLINTEGER>(sql_.size()));
    return Con(rc, st_);
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
    return LeeRecordset(st_, columnas, destino);
}

namespace {

Llamada LeeCampo(SQLHSTMT st, SQLUSMALLINT columna, Campo& campo) {
    std::array<SQLCHAR, 512> nombre{};
    SQLSMALLINT largo = 0, tipo = 0, decimales = 0, nulos = 0;
    SQLULEN tamano = 0;
    SQLRETURN rc = SQLDescribeCol(st, columna, nombre.data(), static_cast<SQLSMALLINT>(nombre.size()), &largo,
                                  &tipo, &tamano, &decimales, &nulos);
    if (!SQL_SUCCEEDED(rc)) {
        return Con(rc, st);
    }
    campo.DefinedSize = static_cast<long long>(tamano);
    if (largo < static_cast<SQLSMALLINT>(nombre.size())) {
        campo.Name.assign(reinterpret_cast<const char*>(nombre.data()), static_cast<size_t>(largo));
        return {};
    }
    // Nombre más largo que el búfer: se pide completo.
    std::string largoNombre(static_cast<size_t>(largo) + 1, '\0');
    SQLSMALLINT bytes = 0;
    rc = SQLColAttribute(st, columna, SQL_DESC_NAME, largoNombre.data(),
                         static_cast<SQLSMALLINT>(largoNombre.size()), &bytes, nullptr);
    if (!SQL_SUCCEEDED(rc)) {
        return Con(rc, st);
    }
    largoNombre.resize(std::min(static_cast<size_t>(bytes), largoNombre.size()));
    campo.Name = std::move(largoNombre);
    return {};
}

// El valor como texto, por trozos: los textos largos no caben en un búfer.
Llamada LeeValor(SQLHSTMT st, SQLUSMALLINT columna, Valor& valor) {
    std::array<char, 4096> buf{};
    constexpr SQLLEN util = static_cast<SQLLEN>(buf.size()) - 1; // el driver termina cada trozo con NUL
    std::string texto;
    for (;;) {
        SQLLEN indicador = 0;
        const SQLRETURN rc =
            SQLGetData(st, columna, SQL_C_CHAR, buf.data(), static_cast<SQLLEN>(buf.size()), &indicador);
        if (rc == SQL_NO_DATA) {
            break;
        }
        if (!Exito(rc)) {
            return Con(rc, st);
        }
        if (indicador == SQL_NULL_DATA) {
            valor.reset();
            return {};
        }
        const bool trunco = indicador == SQL_NO_TOTAL || indicador > util;
        texto.append(buf.data(), static_cast<size_t>(trunco ? util : std::max<SQLLEN>(indicador, 0)));
        if (!trunco) {
            break;
        }
    }
    valor = std::move(texto);
    return {};
}

} // namespace

Llamada LeeRecordset(SQLHSTMT st, SQLSMALLINT columnas, Recordset& destino) {
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
        destino.Filas.push_back(std::move(fila));
    }
}

} // namespace ov::db
