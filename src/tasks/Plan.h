#pragma once

#include "tasks/Tarea.h"

#include <optional>
#include <string>
#include <vector>

namespace ov {

// Una fila de List1 tal como la ve el constructor del plan.
struct FilaConexion {
    std::string Nombre; // el texto de la fila, con sus blancos
    bool Marcada = false;
    bool HayTransacciones = false; // de su propia base, según su último sondeo
};

inline constexpr int kPasosPorConexion = 8;
inline constexpr int kMaxPasos = 32767;
inline constexpr int kMaxConexionesMarcadas = kMaxPasos / kPasosPorConexion; // 4095

// Tareas y nodos de Lista: posiciones paralelas contadas desde 1.
class Plan {
public:
    // Nodos en el árbol.
    int Count() const { return static_cast<int>(nodos_.size()); }
    Nodo& NodoEn(int k) { return nodos_.at(static_cast<size_t>(k - 1)); }
    const Nodo& NodoEn(int k) const { return nodos_.at(static_cast<size_t>(k - 1)); }
    Tarea& TareaEn(int k) { return tareas_.at(static_cast<size_t>(k - 1)); }
    const Tarea& TareaEn(int k) const { return tareas_.at(static_cast<size_t>(k - 1)); }
    // Elementos de Tareas: uno vacío cuando no hay filas marcadas; ninguno antes de construir.
    int ElementosTareas() const { return static_cast<int>(tareas_.size()); }

    // List1_ItemCheck: reconstruye todo desde las filas, en el orden en que se muestran.
    void Reconstruye(const std::vector<FilaConexion>& filas);

private:
    void AgregaPaso(const std::string& nombre, int paso, bool hayTransacciones);
    std::vector<Tarea> tareas_;
    std::vector<Nodo> nodos_;
};

// Mensaje de rechazo si las filas marcadas pasan del límite de 32,767 pasos.
std::optional<std::string> RevisaLimiteDelPlan(const std::vector<FilaConexion>& filas);

} // namespace ov
