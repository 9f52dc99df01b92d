#pragma once

#include "db/Conexion.h"

#include <chrono>
#include <string>

namespace ov::db {

// Cuánto espera una sentencia a que otro proceso suelte la tabla o la base antes de fallar.
inline constexpr std::chrono::seconds kEsperaPorOmision{60};

// SQLite: el límite va en la cadena (Timeout=, en milisegundos), antes de conectar; el driver pone
// su propio manejador de espera en cada sentencia y PRAGMA busy_timeout no le cambia nada. Una cadena
// que ya dice su Timeout se respeta. 0 es sin límite.
void PonEsperaSQLite(CadenaOdbc& cadena, std::chrono::seconds espera);

// SQL Server: la sentencia que fija el límite en una conexión abierta; vacía en otros servidores.
std::string SentenciaEspera(Dialecto dialecto, std::chrono::seconds espera);
// Fija el límite en una conexión abierta de SQL Server; en otros servidores no hace nada. Lanza ErrorBD.
void FijaEspera(Conexion& cn, std::chrono::seconds espera);

// Si el error es el de una espera agotada: SQLite ocupada o bloqueada (5, 6), SQL Server 1222.
bool EsEsperaAgotada(const ErrorBD& e);

} // namespace ov::db
