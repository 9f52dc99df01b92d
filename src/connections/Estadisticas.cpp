#include "connections/Estadisticas.h"

#include "log/Fechas.h"
#include "tasks/Tarea.h"

#include "db/CadenaConexion.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>

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

bool ExisteTablaTransacciones(const std::vector<std::string>& tablas) {
    return std::find(tablas.begin(), tablas.end(), "Transacciones") != tablas.end();
}

bool ExisteTablaTransacciones(db::Conexion& cn) {
    return ExisteTablaTransacciones(cn.Tablas());
}

EstadisticasFila SondeaBase(db::Conexion& cn, bool hayTransacciones) {
    EstadisticasFila e;
    e.Tamano = cn.dialecto() == db::Dialecto::SQLite ? TamanoSQLite(cn) : TamanoSqlServer(cn);
    MenorYMayor(cn, hayTransacciones ? kMinMaxTransacciones : kMinMaxChecadas, true, e.MenorChecada,
                e.MayorChecada);
    MenorYMayor(cn, kMinMaxKardex, false, e.MenorKardex, e.MayorKardex);
    return e;
}

namespace {

// Cuántas bases se sondean a la vez: un servidor que no contesta cuesta su espera de inicio de sesión,
// pero no la de los demás.
constexpr std::size_t kSondeosALaVez = 8;

// Lo que cada fila necesita para abrirse sin tocar el almacén ni recorrer los drivers del entorno
// ODBC compartido (SQLDrivers guarda su posición en el entorno: no se llama desde varios hilos).
struct Pedido {
    int fila = 0;
    std::optional<std::string> conn; // nullopt: ninguna entrada tiene ese nombre
    std::string nombre;
};

struct Respuesta {
    enum class Tipo { Cifras, SinConexion, Error };
    int fila = 0;
    Tipo tipo = Tipo::Error;
    EstadisticasFila cifras;
    bool hayTransacciones = false;
    std::string texto; // por qué no abrió, o el error
};

std::vector<Pedido> Pedidos(const Registro& registro, const std::vector<std::string>& nombres) {
    // El almacén se lee una vez para todas las filas; cada nombre da con la entrada de número menor.
    std::unordered_map<std::string, std::string> connDe;
    for (auto& e : Conexiones(registro)) {
        connDe.try_emplace(NombreComparable(e.Name), std::move(e.Conn));
    }
    std::vector<Pedido> pedidos;
    for (std::size_t i = 0; i < nombres.size(); ++i) {
        Pedido p{static_cast<int>(i + 1), std::nullopt, nombres[i]};
        if (const auto it = connDe.find(NombreComparable(nombres[i])); it != connDe.end()) {
            p.conn = it->second;
        }
        pedidos.push_back(std::move(p));
    }
    return pedidos;
}

// Una fila, en su propio hilo y con su propia conexión. Nunca lanza.
Respuesta Sondea(const Pedido& p, ModNalvora& modulo, const std::vector<std::string>& drivers) {
    Respuesta r;
    r.fila = p.fila;
    if (!p.conn || modulo.AbreConn(*p.conn, drivers) != 0) {
        r.tipo = Respuesta::Tipo::SinConexion;
        r.texto = p.conn ? modulo.UltimoError() : NoHayConexion(p.nombre);
        return r;
    }
    auto& cn = modulo.cnBD();
    try {
        if (cn.dialecto() == db::Dialecto::Otro) {
            // sp_spaceused y las consultas de fechas son de SQL Server: en otro servidor no se corren.
            throw db::ErrorBD(-1, "[ovNalvora]",
                              "El servidor se identifica como \"" + cn.NombreDBMS() +
                                  "\"; solo se sondean y depuran bases de SQL Server y SQLite.");
        }
        r.hayTransacciones = ExisteTablaTransacciones(cn);
        r.cifras = SondeaBase(cn, r.hayTransacciones);
        r.tipo = Respuesta::Tipo::Cifras;
    } catch (const db::ErrorBD& e) {
        r.texto = TextoError(e.Numero, e.Fuente, e.Descripcion);
    } catch (const std::exception& e) {
        r.texto = TextoError(-1, "[ovNalvora]", e.what());
    } catch (...) {
        r.texto = TextoError(-1, "[ovNalvora]", "Error desconocido al sondear la base.");
    }
    try {
        if (cn.Abierta()) {
            cn.Close();
        }
    } catch (...) {
        // Ya se informa lo que la fila mostró; cerrar no cambia sus cifras.
    }
    return r;
}

// Las respuestas de los hilos, para quien llamó: los avisos salen siempre desde su hilo.
class Buzon {
public:
    void Deja(Respuesta r) {
        {
            const std::lock_guard<std::mutex> candado(m_);
            respuestas_.push_back(std::move(r));
        }
        hay_.notify_one();
    }
    Respuesta Toma() {
        std::unique_lock<std::mutex> candado(m_);
        hay_.wait(candado, [this] { return !respuestas_.empty(); });
        Respuesta r = std::move(respuestas_.front());
        respuestas_.pop_front();
        return r;
    }

private:
    std::mutex m_;
    std::condition_variable hay_;
    std::deque<Respuesta> respuestas_;
};

void Informa(const Respuesta& r, ObservadorSondeo& observador) {
    switch (r.tipo) {
    case Respuesta::Tipo::Cifras:
        observador.FilaSondeada(r.fila, r.cifras, r.hayTransacciones);
        break;
    case Respuesta::Tipo::SinConexion:
        observador.ErrorDeApertura(r.fila, r.texto);
        observador.FilaSinConexion(r.fila);
        break;
    case Respuesta::Tipo::Error:
        observador.FilaConError(r.fila, r.texto);
        break;
    }
}

} // namespace

void ActualizaEstadisticas(ModNalvora& modulo, const std::vector<std::string>& nombres,
                           ObservadorSondeo& observador) {
    const auto pedidos = Pedidos(modulo.registro(), nombres);
    std::vector<std::string> drivers;
    try {
        drivers = db::DriversInstalados();
    } catch (const db::ErrorBD&) {
        // Sin la lista, cada fila dirá al abrir por qué no pudo.
    }
    Buzon buzon;
    std::atomic<std::size_t> siguiente{0};
    const auto trabaja = [&] {
        ModNalvora propio(modulo.registro());
        propio.FijaEspera(modulo.Espera());
        for (std::size_t k; (k = siguiente++) < pedidos.size();) {
            buzon.Deja(Sondea(pedidos[k], propio, drivers));
        }
    };
    {
        std::vector<std::jthread> hilos;
        for (std::size_t n = 0; n < std::min(kSondeosALaVez, pedidos.size()); ++n) {
            hilos.emplace_back(trabaja);
        }
        // Si el observador lanza, los hilos terminan lo que tienen antes de que el error siga.
        for (std::size_t n = 0; n < pedidos.size(); ++n) {
            Informa(buzon.Toma(), observador);
        }
    }
}

} // namespace ov
