#pragma once

#include "connections/modNalvora.h"

#include <string>
#include <vector>

namespace ov {

// Las cinco cifras de una fila de List1.
struct EstadisticasFila {
    std::string Tamano;       // rellenado a la izquierda con blancos hasta el tamaño definido
    std::string MenorChecada; // yyyy-MM-dd HH:mm o vacío
    std::string MayorChecada;
    std::string MenorKardex; // yyyy-MM-dd o vacío
    std::string MayorKardex;
};

// Lo que el sondeo informa fila por fila; la ventana lo aplica en su hilo, la consola lo imprime.
// Las filas se sondean a la vez y se informan según terminan, no en orden; cada aviso dice su fila.
// Todos los avisos llegan desde el hilo que llamó a ActualizaEstadisticas, uno tras otro.
class ObservadorSondeo {
public:
    virtual ~ObservadorSondeo() = default;
    // fila cuenta desde 1, en el orden en que se muestran las filas.
    virtual void FilaSondeada(int fila, const EstadisticasFila& cifras, bool hayTransacciones) = 0;
    virtual void FilaSinConexion(int fila) = 0;
    // Por qué no abrió la conexión de la fila (sin contraseñas); llega justo antes de FilaSinConexion.
    virtual void ErrorDeApertura(int /*fila*/, const std::string& /*error*/) {}
    // El error va como en una tarea fallida: "Error: " número "[" fuente "] " descripción.
    virtual void FilaConError(int fila, const std::string& error) = 0;
};

// Sondea cada base por su nombre de conexión, hasta ocho a la vez, cada una en su propia conexión.
// Una falla con la base abierta no detiene el sondeo: se informa en su fila. Un servidor que no es
// SQL Server ni SQLite da error en su fila sin que se le mande nada. cnBD de modulo no se usa.
void ActualizaEstadisticas(ModNalvora& modulo, const std::vector<std::string>& nombres,
                           ObservadorSondeo& observador);

// Si la base abierta en cn tiene una tabla llamada exactamente "Transacciones".
bool ExisteTablaTransacciones(db::Conexion& cn);
// Lo mismo, con las tablas ya leídas del catálogo.
bool ExisteTablaTransacciones(const std::vector<std::string>& tablas);

// Sondea una sola base ya abierta. Lanza db::ErrorBD.
EstadisticasFila SondeaBase(db::Conexion& cn, bool hayTransacciones);

// Las sentencias del sondeo.
inline constexpr const char* kSentenciaTamano = "sp_spaceused";
inline constexpr const char* kMinMaxTransacciones =
    "select min(fechayhora) as menor, max(fechayhora) as mayor from transacciones";
inline constexpr const char* kMinMaxChecadas =
    "select min(fechayhora) as menor, max(fechayhora) as mayor from checadas";
inline constexpr const char* kMinMaxKardex = "select min(fecha) as menor, max(fecha) as mayor from kardex";

// D − len(T) blancos seguidos de T, con T recortado.
std::string RellenaTamano(const std::string& valor, long long definido);

} // namespace ov
