#pragma once

#include "connections/modNalvora.h"
#include "purge/Dialecto.h"

#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace ov {

// Lo que guarda una orvalo_temp que quedó de otra corrida.
struct TablaEnTemporal {
    std::string Nombre;
    long long Filas = 0;
    std::optional<long long> FilasVivas; // de la tabla de la base abierta a la que pertenece la copia
    std::string Desde, Hasta;            // la fecha menor y la mayor de sus filas (AAAA-MM-DD), si tienen
};

struct EstadoTemporal {
    bool Existe = false;
    bool NoEsBase = false; // SQLite: hay un orvalo_temp.db que no es una base de datos
    std::string Lugar;     // la carpeta o el servidor
    std::optional<Origen> origen;
    std::vector<TablaEnTemporal> Tablas; // sin la del origen
};

// Lee la orvalo_temp del lugar de la conexión abierta en cn. Solo con el candado de corrida tomado:
// así ninguna corrida la borra mientras se lee y la lectura nunca la crea.
EstadoTemporal LeeTemporal(db::Conexion& cn, DialectoDepuracion& dialecto);

// Si la base abierta en cn es la de origen de la temporal; con origen desconocido, nullopt.
std::optional<bool> EsLaBaseDeOrigen(db::Conexion& cn, DialectoDepuracion& dialecto, const EstadoTemporal& e);

// El rechazo si la base de la conexión abierta es la propia orvalo_temp: ni se depura ni se borra.
std::optional<std::string> RevisaQueNoSeaLaTemporal(db::Conexion& cn, const std::string& conexion);
// El rechazo si otra conexión del almacén tiene por base la temporal de cn (su orvalo_temp.db, o una base
// orvalo_temp en SQL Server): descartarla borraría esa base.
std::optional<std::string> OtraConexionEsLaTemporal(ModNalvora& modulo, db::Conexion& cn);

// Si el error es el de un orvalo_temp.db que no es una base de datos, y qué puede hacer el operador.
bool EsTemporalIlegible(const db::ErrorBD& e);
std::string TextoTemporalIlegible(const std::string& lugar, const std::string& conexion);

// Abre la conexión, toma el candado de corrida, lee su orvalo_temp y lo suelta todo; o el motivo por
// el que no se pudo.
std::variant<EstadoTemporal, std::string> LeeSobrante(ModNalvora& modulo, const std::string& conexion);

struct ResultadoReposicion {
    std::vector<std::string> Lineas; // una por tabla, para la bitácora y el operador
    bool Bien = true;                // toda tabla volvió o era redundante, y orvalo_temp se borró
};

// Repone cada tabla de la orvalo_temp de la conexión en su tabla viva, sin duplicar nada: cada una en
// su transacción; la que falla se deshace, se queda en orvalo_temp y se informa. Cuando ya no guarda
// filas de nadie, orvalo_temp se borra. Toma el candado de corrida mientras trabaja.
// Con origen registrado solo se repone en esa base; con origen desconocido, solo si el operador
// confirmó a sabiendas que la base de la conexión es la de esas filas (baseConfirmada).
ResultadoReposicion ReponeTemporal(ModNalvora& modulo, const std::string& conexion,
                                   const std::function<void(const std::string&)>& registra,
                                   bool baseConfirmada = false);

// Borra la orvalo_temp de la conexión, con todo lo que guarde (el operador ya lo confirmó).
ResultadoReposicion DescartaTemporal(ModNalvora& modulo, const std::string& conexion,
                                     const std::function<void(const std::string&)>& registra);

// "checadas: 120 filas (la tabla viva tiene 0)" para cada tabla, separadas por "; ".
std::string DescribeTablas(const EstadoTemporal& e);

// Un sobrante como lo necesita la ventana para que el operador elija a qué base pertenece.
struct SobranteParaElegir {
    std::string Conexion; // la que lo encontró
    EstadoTemporal Estado;
    std::string Desde, Hasta;            // las fechas de todas las filas copiadas
    std::vector<std::string> Candidatas; // conexiones del mismo servidor o carpeta, en su orden
    std::optional<std::string> DeOrigen; // la candidata cuya base es la del origen registrado
};
std::variant<SobranteParaElegir, std::string> DescribeSobrante(ModNalvora& modulo,
                                                               const std::string& conexion);

// Repone el sobrante en la conexión que el operador eligió de las candidatas; sin elegida (ninguna),
// no se repone nada y orvalo_temp se queda como está. Si orvalo_temp ya no guarda lo que se mostró,
// no se toca.
ResultadoReposicion ReponeEnLaElegida(ModNalvora& modulo, const SobranteParaElegir& sobrante,
                                      const std::optional<std::string>& elegida,
                                      const std::function<void(const std::string&)>& registra);

} // namespace ov
