#pragma once

#include "connections/modNalvora.h"
#include "purge/Dialecto.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ov {

// Lo que guarda una orvalo_temp que quedó de otra corrida.
struct TablaEnTemporal {
    std::string Nombre;
    long long Filas = 0;
    std::optional<long long> FilasVivas; // de la tabla de la base abierta a la que pertenece la copia
};

struct EstadoTemporal {
    bool Existe = false;
    std::string Lugar; // la carpeta o el servidor
    std::optional<Origen> origen;
    std::vector<TablaEnTemporal> Tablas; // sin la del origen
};

// Lee la orvalo_temp del lugar de la conexión abierta en cn.
EstadoTemporal LeeTemporal(db::Conexion& cn, DialectoDepuracion& dialecto);

// Si la base abierta en cn es la de origen de la temporal; con origen desconocido, nullopt.
std::optional<bool> EsLaBaseDeOrigen(db::Conexion& cn, DialectoDepuracion& dialecto, const EstadoTemporal& e);

struct ResultadoReposicion {
    std::vector<std::string> Lineas; // una por tabla, para la bitácora y el operador
    bool Bien = true;                // toda tabla volvió o era redundante, y orvalo_temp se borró
};

// Repone cada tabla de la orvalo_temp de la conexión en su tabla viva, sin duplicar nada: cada una en
// su transacción; la que falla se deshace, se queda en orvalo_temp y se informa. Cuando ya no guarda
// filas de nadie, orvalo_temp se borra. Toma el candado de corrida mientras trabaja.
ResultadoReposicion ReponeTemporal(ModNalvora& modulo, const std::string& conexion,
                                   const std::function<void(const std::string&)>& registra);

// Borra la orvalo_temp de la conexión, con todo lo que guarde (el operador ya lo confirmó).
ResultadoReposicion DescartaTemporal(ModNalvora& modulo, const std::string& conexion,
                                     const std::function<void(const std::string&)>& registra);

// "checadas: 120 filas (la tabla viva tiene 0)" para cada tabla, separadas por "; ".
std::string DescribeTablas(const EstadoTemporal& e);

} // namespace ov
