#include "connections/Estadisticas.h"

#include "log/Fechas.h"
#include "tasks/Tarea.h"

#include <cstdio>

namespace ov {

namespace {

// Sin SQL Server, el tamaño sale de las páginas de SQLite, con el mismo aspecto que sp_spaceused.
constexpr long long kTamanoDefinidoSQLite = 18;

std::string TamanoSQLite(db::Conexion& cn) {
    auto leeEntero = [&cn](const std::string& pragma) {
        const auto r = cn.Execute(pragma);
        if (!r.Registros || r.Registros->Filas.empty() || !r.Registros->Filas[0][0]) {
            throw db::ErrorBD(0, "[ovNalvora]", "No se pudo leer " + pragma + ".");
        }
        return std::stoll(*r.Registros->Filas[0][0]);
    };
    const long long bytes = leeEntero("PRAGMA page_count") * leeEntero("PRAGMA page_size");
    char texto[32];
    std::snprintf(texto, sizeof texto, "%.2f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return RellenaTamano(texto, kTamanoDefinidoSQLite);
}

std::string TamanoSqlServer(db::Conexion& cn) {
    const auto r = cn.Execute(kSentenciaTamano);
    if (!r.Registros) {
        throw db::ErrorBD(0, "[ovNalvora]", "sp_spaceused no devolvió resultados.");
    }
    const auto& valor = r.Registros->Primero("database_size");
    return RellenaTamano(valor.value_or(""), r.Registros->CampoLlamado("database_size").DefinedSize);
}

// Un texto de fecha del servidor al formato de la lista; uno que no se entienda se muestra tal cual.
std::string FormateaFecha(const db::Valor& v, bool conHora) {
    if (!v) {
        return {};
    }
    const auto fh = LeeFechaHora(SinBlancosALosLados(*v));
    if (!fh) {
        return *v;
    }
    return conHora ? FormatoFechaHora(*fh) : FormatoFecha(std::chrono::floor<std::chrono::days>(*fh));
}

void MenorYMayor(db::Conexion& cn, const char* sentencia, bool conHora, std::string& menor,
                 std::string& mayor) {
    const auto r = cn.Execute(sentencia);
    if (!r.Registros) {
        throw db::ErrorBD(0, "[ovNalvora]", "La consulta de fechas no devolvió resultados.");
    }
    if (r.Registros->Bof() && r.Registros->Eof()) {
        menor.clear();
        mayor.clear();
        return;
    }
    menor = FormateaFecha(r.Registros->Primero("menor"), conHora);
    mayor = FormateaFecha(r.Registros->Primero("mayor"), conHora);
}

} // namespace

std::string RellenaTamano(const std::string& valor, long long definido) {
    const std::string t = SinBlancosALosLados(valor);
    const long long blancos = definido - static_cast<long long>(t.size());
    return std::string(blancos > 0 ? static_cast<size_t>(blancos) : 0, ' ') + t;
}

bool ExisteTablaTransacciones(db::Conexion& cn) {
    for (const auto& nombre : cn.Tablas()) {
        if (nombre == "Transacciones") {
            return true;
        }
    }
    return false;
}

EstadisticasFila SondeaBase(db::Conexion& cn, bool hayTransacciones) {
    EstadisticasFila e;
    e.Tamano = cn.dialecto() == db::Dialecto::SQLite ? TamanoSQLite(cn) : TamanoSqlServer(cn);
    MenorYMayor(cn, hayTransacciones ? kMinMaxTransacciones : kMinMaxChecadas, true, e.MenorChecada,
                e.MayorChecada);
    MenorYMayor(cn, kMinMaxKardex, false, e.MenorKardex, e.MayorKardex);
    return e;
}

void ActualizaEstadisticas(ModNalvora& modulo, const std::vector<std::string>& nombres,
                           ObservadorSondeo& observador) {
    const int filas = static_cast<int>(nombres.size());
    for (int i = 1; i <= filas; ++i) {
        if (modulo.AbreConexion(nombres[static_cast<size_t>(i - 1)]) != 0) {
            observador.ErrorDeApertura(i, modulo.UltimoError());
            observador.FilaSinConexion(i);
            continue;
        }
        auto& cn = modulo.cnBD();
        try {
            const bool hay = ExisteTablaTransacciones(cn);
            const auto cifras = SondeaBase(cn, hay);
            cn.Close();
            observador.FilaSondeada(i, cifras, hay);
        } catch (const db::ErrorBD& e) {
            if (cn.Abierta()) {
                try {
                    cn.Close();
                } catch (const db::ErrorBD&) {
                    // Ya se informa el primer error de la fila.
                }
            }
            observador.FilaConError(i, TextoError(e.Numero, e.Fuente, e.Descripcion));
        }
    }
}

} // namespace ov
