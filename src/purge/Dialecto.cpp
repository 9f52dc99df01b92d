#include "purge/Dialecto.h"

#include "purge/DialectoSQLite.h"
#include "purge/DialectoSqlServer.h"

#include <algorithm>
#include <cmath>

namespace ov {

std::string SentenciaTarea::Texto() const {
    std::string texto;
    for (const auto& parte : Partes) {
        if (!texto.empty()) {
            texto += ";\r\n";
        }
        texto += parte;
    }
    return texto;
}

db::ErrorBD ErrorPropio(const std::string& descripcion) {
    return db::ErrorBD(-1, "[ovNalvora]", descripcion);
}

std::optional<std::vector<std::string>> DialectoDepuracion::TablasConFilas(db::Sesion& cn) {
    auto tablas = TablasTemporal(cn);
    if (tablas) {
        std::erase_if(*tablas, [](const std::string& t) { return t == kTablaOrigen; });
    }
    return tablas;
}

std::optional<Origen> DialectoDepuracion::LeeOrigen(db::Sesion& cn) {
    const auto tablas = TablasTemporal(cn);
    if (!tablas || std::find(tablas->begin(), tablas->end(), kTablaOrigen) == tablas->end()) {
        return std::nullopt;
    }
    UneTemporal(cn);
    const auto r =
        cn.Execute("select " + std::string(kColumnasOrigen) + " from " + NombreTemporal(kTablaOrigen));
    if (!r.Registros || r.Registros->Filas.empty()) {
        return std::nullopt;
    }
    const auto& f = r.Registros->Filas[0];
    auto v = [&f](size_t i) { return i < f.size() ? f[i].value_or("") : std::string(); };
    return Origen{v(0), v(1), v(2), v(3), v(4), v(5), v(6)};
}

void DialectoDepuracion::CreaTemporal(db::Sesion& cn, const Origen& origen) {
    if (const auto tablas = TablasConFilas(cn)) {
        if (!tablas->empty()) {
            throw ErrorPropio("La base temporal orvalo_temp ya guarda tablas de otra depuración " +
                              DescribeOrigen(LeeOrigen(cn)) + "; no se toca.");
        }
        BorraTemporal(cn);
    }
    CreaVacia(cn);
    EscribeOrigen(cn, origen);
}

const char* NombreEstrategia(Estrategia e) {
    switch (e) {
    case Estrategia::Copia:
        return "copia";
    case Estrategia::Borrado:
        return "borrado";
    case Estrategia::Auto:
        break;
    }
    return "auto";
}

std::optional<Estrategia> LeeEstrategia(const std::string& texto) {
    for (const Estrategia e : {Estrategia::Auto, Estrategia::Copia, Estrategia::Borrado}) {
        if (texto == NombreEstrategia(e)) {
            return e;
        }
    }
    return std::nullopt;
}

Estrategia DialectoDepuracion::Elige(Estrategia pedida, long long antes, long long conservadas) const {
    if (pedida != Estrategia::Auto) {
        return pedida;
    }
    const double salen =
        antes > 0 ? static_cast<double>(antes - conservadas) / static_cast<double>(antes) : 0.0;
    return salen <= UmbralBorrado() ? Estrategia::Borrado : Estrategia::Copia;
}

// Antes de confirmar: el contador de identidad no retrocedió y kardex conserva sus disparadores.
void DialectoDepuracion::RevisaAlFinal(db::Sesion& cn, const std::string& tabla,
                                       const std::optional<Identidad>& id) {
    if (id) {
        RevisaIdentidad(cn, tabla, *id);
    }
    if (tabla == "kardex" && !DisparadoresHabilitados(cn)) {
        throw ErrorPropio("Los disparadores de kardex quedaron deshabilitados; se deshizo todo.");
    }
}

CuentaDepuracion DialectoDepuracion::DepuraTabla(db::Sesion& cn, const TablaDatos& t, const Rango& r,
                                                 const SentenciaTarea& reposicion, Estrategia pedida) {
    CuentaDepuracion c;
    try {
        Comienza(cn, t.Tabla);
        const auto id = LeeIdentidad(cn, t.Tabla);
        c.Antes = CuentaFilas(cn, t.Tabla);
        // Las cifras que deciden se cuentan aquí, bajo el candado de la tabla.
        // Para elegir basta saber si lo que se conserva llega al mínimo para borrar en su lugar; se
        // cuenta por el índice y solo hasta ahí, así que cuesta poco cuando sale casi todo.
        c.Usada = pedida;
        if (pedida == Estrategia::Auto) {
            const auto minimo = static_cast<long long>(
                std::ceil((1.0 - UmbralBorrado()) * static_cast<double>(c.Antes) - 1e-9));
            c.Usada = Elige(pedida, c.Antes, CuentaConservadasHasta(cn, t, r, minimo));
        }
        if (c.Usada == Estrategia::Borrado) {
            const long long conservar = c.Antes - CuentaEliminables(cn, t, r);
            const long long borradas = cn.Execute(Borra(t, r)).UltimaCuenta();
            c.Conservadas = CuentaFilas(cn, t.Tabla);
            if (c.Conservadas != conservar || (borradas >= 0 && borradas != c.Antes - conservar)) {
                throw ErrorPropio("Se borraron " + std::to_string(c.Antes - c.Conservadas) + " filas de " +
                                  t.Tabla + " y se esperaban " + std::to_string(c.Antes - conservar) +
                                  "; se deshizo todo y la tabla quedó como estaba.");
            }
        } else {
            cn.Execute(Copia(t, r));
            c.Conservadas = CuentaTemporal(cn, t.Tabla);
            cn.Execute(Vacia(t.Tabla));
            if (id) {
                Resiembra(cn, t.Tabla, *id);
            }
            const long long informadas = Ejecuta(cn, reposicion);
            const long long repuestas = CuentaFilas(cn, t.Tabla);
            // La cuenta de la tabla manda; la del servidor, si la dio, tiene que coincidir también.
            if (repuestas != c.Conservadas || (informadas >= 0 && informadas != c.Conservadas)) {
                throw ErrorPropio("Se reinsertaron " +
                                  std::to_string(informadas >= 0 ? informadas : repuestas) + " filas de " +
                                  std::to_string(c.Conservadas) + " conservadas en " + t.Tabla +
                                  "; se deshizo todo y la tabla quedó como estaba.");
            }
        }
        RevisaAlFinal(cn, t.Tabla, id);
        if (c.Usada == Estrategia::Copia) {
            cn.Execute(BorraCopia(t.Tabla));
        }
        Confirma(cn);
    } catch (...) {
        Deshaz(cn);
        throw;
    }
    return c;
}

long long DialectoDepuracion::ReponeCopia(db::Sesion& cn, const std::string& tabla,
                                          const std::string& columnas) {
    long long faltan = 0;
    try {
        Comienza(cn, tabla);
        const auto id = LeeIdentidad(cn, tabla);
        const long long antes = CuentaFilas(cn, tabla);
        faltan = CuentaFaltantes(cn, tabla, columnas);
        if (faltan > 0) {
            Ejecuta(cn, Faltantes(cn, tabla, columnas));
            const long long despues = CuentaFilas(cn, tabla);
            if (despues != antes + faltan) {
                throw ErrorPropio("Se esperaban " + std::to_string(antes + faltan) + " filas en " + tabla +
                                  " y hay " + std::to_string(despues) + "; se deshizo todo.");
            }
            // La copia se borra solo si cada una de sus filas está en la tabla, tal como se copió.
            if (CuentaFaltantes(cn, tabla, columnas) != 0) {
                throw ErrorPropio("Tras reponer, a " + tabla + " todavía le faltan filas de su copia; se " +
                                  "deshizo todo.");
            }
            RevisaAlFinal(cn, tabla, id);
        }
        cn.Execute(BorraCopia(tabla));
        Confirma(cn);
    } catch (...) {
        Deshaz(cn);
        throw;
    }
    return faltan;
}

std::unique_ptr<DialectoDepuracion> DialectoPara(db::Conexion& cn) {
    const db::Dialecto d = cn.dialecto();
    return DialectoPara(d, d == db::Dialecto::Otro ? cn.NombreDBMS() : std::string());
}

std::unique_ptr<DialectoDepuracion> DialectoPara(db::Dialecto d, const std::string& nombreServidor) {
    switch (d) {
    case db::Dialecto::SQLite:
        return std::make_unique<DialectoSQLite>();
    case db::Dialecto::SqlServer:
        return std::make_unique<DialectoSqlServer>();
    case db::Dialecto::Otro:
        break;
    }
    // Las sentencias de SQL Server en otro servidor no se sabe qué harían: no se depura.
    throw ErrorPropio("El servidor se identifica como \"" + nombreServidor +
                      "\"; solo se depuran bases de SQL Server y SQLite.");
}

// Los literales de fecha conservan su espaciado: con blanco el de Desde, sin él el de Hasta.
// Con Hasta en el último día del calendario no hay día siguiente: nada posterior que conservar.
std::string CondicionConservar(const TablaDatos& t, const Rango& r) {
    const auto hasta = DiaTrasHasta(r);
    return " where " + t.Columna + " < { d '" + FormatoFecha(r.Desde) + "'} or " +
           (hasta ? t.Columna + " >= { d'" + FormatoFecha(*hasta) + "'} or " : std::string()) + t.Columna +
           " is null";
}

std::string CondicionEliminar(const TablaDatos& t, const Rango& r) {
    const auto hasta = DiaTrasHasta(r);
    return " where " + t.Columna + " >= { d '" + FormatoFecha(r.Desde) + "'}" +
           (hasta ? " and " + t.Columna + " < { d'" + FormatoFecha(*hasta) + "'}" : std::string());
}

std::string Delimita(const std::string& texto, char abre, char cierra) {
    std::string s(1, abre);
    for (char c : texto) {
        s += c;
        if (c == cierra) {
            s += cierra;
        }
    }
    return s + cierra;
}

} // namespace ov
