#pragma once

#include "connections/modNalvora.h"
#include "purge/Dialecto.h"

#include <string>

namespace ov {

// [a],[b],[c] con las columnas de la tabla en la base de la conexión nombrada; vacía si la
// conexión no abre. Deja cnBD abierta en esa conexión. Lanza db::ErrorBD si la consulta falla.
std::string ListaColumnas(ModNalvora& modulo, const DialectoDepuracion& dialecto, const std::string& tabla,
                          const std::string& conexion);
// Lo mismo en una conexión ya abierta: la tarea las lee en la suya sin volver a abrirla.
std::string ColumnasDe(db::Sesion& cn, const DialectoDepuracion& dialecto, const std::string& tabla);

} // namespace ov
