#pragma once

#include "cli/LineaComandos.h"
#include "cli/Opciones.h"
#include "connections/Registro.h"

namespace ov {

int ComandoConexiones(const Registro& registro, EntornoConsola& entorno);
int ComandoDepurar(const Opciones& opciones, const Registro& registro, EntornoConsola& entorno);

} // namespace ov
