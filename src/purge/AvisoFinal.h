#pragma once

#include "purge/EjecutaProceso.h"

#include <string>

namespace ov {

// Quien muestra el aviso: la ventana remite a su lista de tareas; la consola, a las líneas que ya
// imprimió y a sus opciones.
enum class DestinoAviso { Ventana, Consola };

// El aviso final de una corrida. Cada paso que falló se nombra por lo que se intentó (su texto en
// proceso, no el de terminado), y se nombran las conexiones cuyos pasos no corrieron porque no abrieron.
std::string AvisoFinal(const ResultadoCorrida& res, DestinoAviso destino);

// "Eliminando las checadas reales de Planta Sur..." → "Eliminando las checadas reales de Planta Sur."
std::string LoQueSeIntento(const std::string& textoEnProceso);

} // namespace ov
