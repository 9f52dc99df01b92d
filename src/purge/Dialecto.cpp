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

// La regla de la estrategia, en un solo lugar. Borrar en su lugar escribe lo que sale (y sus índices);
// copiar y reponer escribe dos veces lo que queda. Sin un índice que lleve a las fechas, cada fila que
// sale se busca recorriendo la tabla y se quita de índices en desorden: borrar deja de convenir mucho
// antes. Cada dialecto da el umbral medido, con índice y sin él. Una tabla referenciada por otras, o
// cuya reposición no admite su identidad, solo se puede borrar en su lugar.
Estrategia DialectoDepuracion::Elige(Estrategia pedida, const CostoTabla& c, const std::string& tabla) const {
    if (pedida == Estrategia::Copia && c.Referenciada) {
        throw ErrorPropio("Otras tablas referencian a " + tabla +
                          " con llaves foráneas: vaciarla borraría o rechazaría sus filas. Use "
                          "--estrategia borrado o auto; no se cambió nada.");
    }
    if (pedida == Estrategia::Copia && !c.CopiaPosible) {
        throw ErrorPropio("La reposición de " + tabla +
                          " no admite sus columnas de identidad. Use --estrategia borrado o auto; no se "
                          "cambió nada.");
    }
    if (pedida != Estrategia::Auto) {
        return pedida;
    }
    if (c.Referenciada || !c.CopiaPosible) {
        return Estrategia::Borrado;
    }
    const double salen = c.Antes > 0 ? static_cast<double>(c.Salen) / static_cast<double>(c.Antes) : 0.0;
    return salen <= UmbralBorrado(c.ConIndice) ? Estrategia::Borrado : Estrategia::Copia;
}

CostoTabla DialectoDepuracion::MideCosto(db::Sesion& cn, const TablaDatos& t, const Rango& r, long long antes,
                                         Estrategia pedida, std::optional<long long> salen) {
    CostoTabla c;
    c.Antes = antes;
    c.ConIndice = FechaConIndice(cn, t, r);
    c.Referenciada = EsReferenciada(cn, t.Tabla);
    c.CopiaPosible = CopiaAdmiteIdentidad(t.Tabla, LeeIdentidad(cn, t.Tabla).has_value());
    if (salen) {
        c.Salen = *salen;
    } else if (c.ConIndice && pedida != Estrategia::Copia) {
        c.Salen = CuentaEliminables(cn, t, r);
    } else if (pedida == Estrategia::Auto && (c.Salen = EstimaSalen(cn, t, r, antes)) >= 0) {
        // Sin índice contar es recorrer la tabla: para elegir basta una muestra, si el servidor la da.
    } else if (pedida == Estrategia::Auto) {
        // Si no, se para de contar en cuanto lo conservado alcanza para borrar.
        const auto minimo = static_cast<long long>(
            std::ceil((1.0 - UmbralBorrado(false)) * static_cast<double>(antes) - 1e-9));
        c.Salen = antes - CuentaConservadasHasta(cn, t, r, minimo);
    }
    return c;
}

// Antes de confirmar: el contador de identidad no retrocedió y cada disparador quedó como estaba.
void DialectoDepuracion::RevisaAlFinal(db::Sesion& cn, const std::string& tabla,
                                       const std::optional<Identidad>& id,
                                       const std::vector<Disparador>& disparadores) {
    if (id) {
        RevisaIdentidad(cn, tabla, *id);
    }
    if (LeeDisparadores(cn, tabla) != disparadores) {
        throw ErrorPropio("Los disparadores de " + tabla + " no quedaron como estaban; se deshizo todo.");
    }
}

void DialectoDepuracion::RestauraTrasDeshacer(db::Sesion& cn, const std::string& tabla,
                                              const std::vector<Disparador>& disparadores) noexcept {
    try {
        if (LeeDisparadores(cn, tabla) != disparadores) {
            DejaDisparadores(cn, tabla, disparadores);
        }
    } catch (...) {
        // Sin conexión no se puede; el servidor deshace lo que la transacción cambió.
    }
}

CuentaDepuracion DialectoDepuracion::DepuraTabla(db::Sesion& cn, const TablaDatos& t, const Rango& r,
                                                 const SentenciaTarea& reposicion, Estrategia pedida,
                                                 GuardaEliminadas* archivo, bool temporalLista) {
    CuentaDepuracion c;
    std::vector<Disparador> disparadores;
    bool leidos = false, faltaTemporal = false;
    if (archivo != nullptr) {
        archivo->Prepara(cn);
    }
    try {
        // Todo lo que decide y verifica se cuenta aquí, bajo el candado de la tabla.
        c.Antes = Comienza(cn, t.Tabla);
        const auto id = LeeIdentidad(cn, t.Tabla);
        disparadores = LeeDisparadores(cn, t.Tabla);
        leidos = true;
        const CostoTabla costo = MideCosto(cn, t, r, c.Antes, pedida);
        c.Usada = Elige(pedida, costo, t.Tabla);
        if (c.Usada == Estrategia::Copia && !temporalLista) {
            faltaTemporal = true;
            throw FaltaTemporal{};
        }
        // Lo que sale queda en el archivo, en disco, antes de tocar la tabla.
        const long long archivadas = archivo != nullptr ? archivo->Guarda(cn, t, r) : -1;
        PreparaEscritura(cn, t.Tabla, t.Columna);
        ApagaDisparadores(cn, t.Tabla, disparadores);
        if (c.Usada == Estrategia::Borrado) {
            // La prueba: la cuenta del propio DELETE contra la que dio el índice. Solo una llave foránea
            // que apunte a la tabla (un borrado en cascada) o un servidor que no diga su cuenta la
            // dejan corta, y sin índice no hay otra: entonces la tabla se vuelve a contar (count(*)
            // recorre el índice más chico) y no debe tener ninguna fila de más ni de menos.
            const long long esperadas = costo.ConIndice ? costo.Salen : -1;
            long long borradas = cn.Execute(Borra(t, r)).UltimaCuenta();
            const bool recuenta = esperadas < 0 || borradas < 0 || costo.Referenciada;
            c.Conservadas = recuenta ? CuentaFilas(cn, t.Tabla) : c.Antes - borradas;
            if (borradas < 0) {
                borradas = c.Antes - c.Conservadas; // el servidor no la dio: la da la tabla
            }
            if (c.Conservadas != c.Antes - borradas || (esperadas >= 0 && borradas != esperadas)) {
                throw ErrorPropio("Se borraron " + std::to_string(c.Antes - c.Conservadas) + " filas de " +
                                  t.Tabla + " y se esperaban " +
                                  std::to_string(esperadas >= 0 ? esperadas : borradas) +
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
        if (archivo != nullptr && archivadas != c.Eliminadas()) {
            throw ErrorPropio("Se archivaron " + std::to_string(archivadas) + " filas de " + t.Tabla +
                              " y salían " + std::to_string(c.Eliminadas()) +
                              "; se deshizo todo y la tabla quedó como estaba.");
        }
        DejaDisparadores(cn, t.Tabla, disparadores);
        RevisaAlFinal(cn, t.Tabla, id, disparadores);
        if (c.Usada == Estrategia::Copia) {
            cn.Execute(BorraCopia(t.Tabla));
        }
        Confirma(cn);
    } catch (...) {
        Deshaz(cn);
        if (leidos) {
            RestauraTrasDeshacer(cn, t.Tabla, disparadores);
        }
        if (archivo != nullptr) {
            archivo->Suelta(cn);
            // Sin orvalo_temp la tabla se vuelve a depurar enseguida: aún no hay nada que anotar.
            if (!faltaTemporal) {
                archivo->NoDepurada(t.Tabla);
            }
        }
        throw;
    }
    if (archivo != nullptr) {
        archivo->Suelta(cn);
        archivo->Depurada(t.Tabla);
    }
    return c;
}

long long DialectoDepuracion::ReponeCopia(db::Sesion& cn, const std::string& tabla,
                                          const std::string& columnas) {
    return ReponeDesde(cn, tabla, columnas, {NombreTemporal(tabla), {}, BorraCopia(tabla)});
}

long long DialectoDepuracion::ReponeDesde(db::Sesion& cn, const std::string& tabla,
                                          const std::string& columnas, const FuenteReposicion& fuente) {
    long long faltan = 0;
    std::vector<Disparador> disparadores;
    bool leidos = false;
    try {
        const long long antes = Comienza(cn, tabla);
        PreparaEscritura(cn, tabla, {}); // las filas que faltan vuelven en cualquier orden
        const auto id = LeeIdentidad(cn, tabla);
        disparadores = LeeDisparadores(cn, tabla);
        leidos = true;
        if (fuente.Carga) {
            fuente.Carga(cn);
        }
        faltan = CuentaFaltantes(cn, fuente.Nombre, tabla, columnas);
        if (faltan > 0) {
            ApagaDisparadores(cn, tabla, disparadores);
            Ejecuta(cn, Faltantes(cn, fuente.Nombre, tabla, columnas));
            DejaDisparadores(cn, tabla, disparadores);
            const long long despues = CuentaFilas(cn, tabla);
            if (despues != antes + faltan) {
                throw ErrorPropio("Se esperaban " + std::to_string(antes + faltan) + " filas en " + tabla +
                                  " y hay " + std::to_string(despues) + "; se deshizo todo.");
            }
            // La copia se borra solo si cada una de sus filas está en la tabla, tal como se copió.
            if (CuentaFaltantes(cn, fuente.Nombre, tabla, columnas) != 0) {
                throw ErrorPropio("Tras reponer, a " + tabla + " todavía le faltan filas de su copia; se " +
                                  "deshizo todo.");
            }
            RevisaAlFinal(cn, tabla, id, disparadores);
        }
        cn.Execute(fuente.Borra);
        Confirma(cn);
    } catch (...) {
        Deshaz(cn);
        if (leidos) {
            RestauraTrasDeshacer(cn, tabla, disparadores);
        }
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
