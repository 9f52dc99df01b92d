#include "tasks/Plan.h"

#include <array>

namespace ov {

namespace {

struct Paso {
    const char* clave;
    const char* claveChecadas; // solo las dos primeras cambian sin "Transacciones"
    const char* pendiente;
    const char* enProceso;
    const char* terminado;
};

const std::array<Paso, kPasosPorConexion> kPasos{{
    {"TRANSACCIONES", "CHECADAS", "Se eliminarán las checadas reales de ",
     "Eliminando las checadas reales de ", "Checadas reales eliminadas de "},
    {"DBREINDEX_TRANSACCIONES", "DBREINDEX_CHECADAS", "Se recrearán los índices de las checadas reales de ",
     "Recreando los índices de las checadas reales de ", "Indices recreados de las checadas reales de "},
    {"KARDEX", "KARDEX", "Se eliminarán las asistencias y programaciones de ",
     "Eliminando las asistencias y programaciones de ", "Asistencias y programaciones eliminadas de "},
    {"DBREINDEX_KARDEX", "DBREINDEX_KARDEX",
     "Se recrearán los índices de las asistencias y programaciones de ",
     "Recreando los índices de las asistencias y programaciones de ",
     "Indices recreados de las asistencias y programaciones de "},
    {"BITACORA", "BITACORA", "Se eliminarán los registros de bitácora de ",
     "Eliminando los registros de bitácora de ", "Registros de bitácora eliminados de "},
    {"DBREINDEX_BITACORA", "DBREINDEX_BITACORA", "Se recrearán los índices de los registros de bitácora de ",
     "Recreando los índices de los registros de bitácora de ",
     "Indices recreados de los registros de bitácora de "},
    {"SHRINK", "SHRINK", "Se liberará espacio de ", "Liberando espacio de ", "Espacio liberado de "},
    {"UPDATEUSAGE", "UPDATEUSAGE", "Se actualizarán cifras de uso de ", "Actualizando cifras de uso de ",
     "Cifras de uso actualizadas de "},
}};

} // namespace

void Plan::Reconstruye(const std::vector<FilaConexion>& filas) {
    nodos_.clear();
    tareas_.assign(1, Tarea{});
    for (const auto& fila : filas) {
        if (!fila.Marcada) {
            continue;
        }
        for (int paso = 0; paso < kPasosPorConexion; ++paso) {
            AgregaPaso(fila.Nombre, paso, fila.HayTransacciones);
        }
    }
}

void Plan::AgregaPaso(const std::string& nombre, int paso, bool hayTransacciones) {
    const auto& p = kPasos[static_cast<size_t>(paso)];
    const size_t k = nodos_.size() + 1;
    tareas_.resize(k);
    Tarea& t = tareas_[k - 1];
    t = Tarea{};
    t.Clave = hayTransacciones ? p.clave : p.claveChecadas;
    t.Conexion = nombre;
    t.Pendiente = p.pendiente + nombre + ".";
    t.EnProceso = p.enProceso + nombre + "...";
    t.Terminado = p.terminado + nombre + ".";
    Nodo n;
    n.Texto = t.Pendiente;
    nodos_.push_back(n);
}

std::optional<std::string> RevisaLimiteDelPlan(const std::vector<FilaConexion>& filas) {
    int marcadas = 0;
    for (const auto& f : filas) {
        marcadas += f.Marcada ? 1 : 0;
    }
    if (marcadas > kMaxConexionesMarcadas) {
        return "No se pueden marcar más de " + std::to_string(kMaxConexionesMarcadas) +
               " conexiones: el plan no puede pasar de " + std::to_string(kMaxPasos) + " pasos.";
    }
    return std::nullopt;
}

} // namespace ov
