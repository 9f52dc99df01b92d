#pragma once

#include "connections/modNalvora.h"
#include "purge/Rango.h"
#include "tasks/Plan.h"

#include <string>
#include <vector>

namespace ov {

// Lo que un paso de datos marcado quitaría de su tabla, con la misma condición de la corrida.
struct CuentaTabla {
    std::string Tabla;
    long long Eliminar = 0;
    long long Total = 0;
    std::string Error; // no se pudo contar: por qué
};

// Las tablas marcadas de una conexión, en el orden del plan.
struct CuentaConexion {
    std::string Conexion;
    std::vector<CuentaTabla> Tablas;
    std::string Error; // la conexión no abrió: por qué (sin contraseñas)
};

// Cuenta, sin cambiar nada, cada paso de datos marcado del plan. Las conexiones sin pasos de
// datos marcados no aparecen. Nunca lanza: un error se guarda en su conexión o en su tabla.
std::vector<CuentaConexion> CuentaLoQueSeElimina(ModNalvora& modulo, const Plan& plan, const Rango& r);

// El párrafo que sigue a la segunda pregunta: por conexión, "tabla eliminadas de total".
std::string ParrafoRecuento(const std::vector<CuentaConexion>& cuentas);

// La segunda pregunta tal cual, y después el párrafo de las cuentas.
std::string SegundaPreguntaConRecuento(const std::string& pregunta,
                                       const std::vector<CuentaConexion>& cuentas);

// 8203 como "8 203", con un blanco que no se parte (U+00A0): se lee igual en cualquier configuración
// regional y el cuadro no corta la cifra en dos renglones.
std::string ConMiles(long long n);

} // namespace ov
