#pragma once

#include "db/Conexion.h"
#include "purge/Archivo.h"
#include "purge/Dialecto.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace ov {

// Lo que dice un archivo de filas eliminadas.
struct LecturaArchivo {
    OrigenArchivo Origen;
    std::vector<TablaArchivada> Tablas; // en el orden en que se archivaron
};

// Lee su origen y sus tablas; lanza db::ErrorBD con un texto para el operador si no es un archivo así.
LecturaArchivo LeeArchivoDepuracion(db::Conexion& archivo);

struct TablaRestaurada {
    std::string Tabla;
    long long Archivadas = 0; // filas de la tabla en el archivo
    long long Repuestas = 0;  // las que faltaban y volvieron
    std::string Error;        // vacío si le fue bien
};

// Devuelve a la base de destino las filas de cada tabla del archivo: cada tabla en su transacción, con
// sus mismos valores de identidad, sin disparar disparadores y sin duplicar (las que ya están se saltan).
// Una tabla que falla se deshace y se informa; las demás siguen.
std::vector<TablaRestaurada> RestauraArchivo(db::Conexion& archivo, const LecturaArchivo& lectura,
                                             db::Conexion& destino);

// "checadas: 120 filas repuestas de 150 archivadas (30 ya estaban)".
std::string DescribeRestaurada(const TablaRestaurada& t);

} // namespace ov
