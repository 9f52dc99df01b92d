#pragma once

#include "db/Conexion.h"

#include <chrono>
#include <string>

namespace ov::db {

// Cuánto espera una sentencia a que otro proceso suelte la tabla o la base antes de fallar.
inline constexpr std::chrono::seconds kEsperaPorOmision{60};

// La sentencia que fija el límite en cada servidor; 0 es sin límite. Vacía si el servidor no tiene una.
std::string SentenciaEspera(Dialecto dialecto, std::chrono::seconds espera);

// Fija el límite en una conexión abierta. Lanza ErrorBD.
void FijaEspera(Conexion& cn, std::chrono::seconds espera);

// Si el error es el de una espera agotada: SQLite ocupada o bloqueada (5, 6), SQL Server 1222.
bool EsEsperaAgotada(const ErrorBD& e);

} // namespace ov::db
