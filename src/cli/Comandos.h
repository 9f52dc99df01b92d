#pragma once

#include "cli/LineaComandos.h"
#include "cli/Opciones.h"
#include "connections/Registro.h"
#include "db/Espera.h"
#include "purge/Dialecto.h"
#include "purge/Rango.h"
#include "tasks/Plan.h"

#include <functional>
#include <iosfwd>
#include <string>

namespace ov {

int ComandoConexiones(const Registro& registro, EntornoConsola& entorno);
// Un campo de una línea separada por tabuladores: tabuladores, saltos, NUL y demás controles escapados.
std::string CampoDeUnaLinea(const std::string& texto);
int ComandoDepurar(const Opciones& opciones, const Registro& registro, EntornoConsola& entorno);
// --temporal, --reponer y --descartar-temporal: la vuelta de una orvalo_temp que quedó.
int ComandoTemporal(const Opciones& opciones, const Registro& registro, EntornoConsola& entorno);
// --restaurar-archivo: las filas de un archivo de lo eliminado vuelven a su base.
int ComandoRestaurarArchivo(const Opciones& opciones, const Registro& registro, EntornoConsola& entorno);
// Una base retenida por otro proceso, en la consola (ver db::LineaDeEspera).
void DiceEspera(std::ostream& salida, const db::AvisoEspera& aviso);
// Pregunta en la terminal; Sí solo con "s".
bool PreguntaEnTerminal(EntornoConsola& entorno, const std::string& texto);
// Cada línea a la bitácora del programa y, con su hora, a la consola.
std::function<void(const std::string&)> RegistroEnConsola(EntornoConsola& entorno);
// --simular: cuántas filas saldrían y el guion de lo que se ejecutaría, sin cambiar nada.
int ComandoSimular(Plan& plan, const Rango& r, Estrategia estrategia, const Registro& registro,
                   EntornoConsola& entorno);

} // namespace ov
