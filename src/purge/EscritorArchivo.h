#pragma once

#include "db/Conexion.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace ov {

// Lo que escribe el archivo de lo eliminado. Con la biblioteca de SQLite donde la hay (sentencias
// preparadas, sin texto por fila); si no (Windows), por el driver ODBC de SQLite, en tandas de INSERT.
class EscritorArchivo {
public:
    virtual ~EscritorArchivo() = default;
    // Ejecuta una sentencia; devuelve las filas que cambió. Lanza db::ErrorBD.
    virtual long long Ejecuta(const std::string& sql) = 0;
    virtual void Comienza() = 0;
    virtual void Confirma() = 0;
    virtual void Deshace() noexcept = 0;
    // Filas de una tabla de columnas columnas: cada fila desde su valor desde. Termina escribe lo que quede.
    virtual void EmpiezaFilas(const std::string& tabla, std::size_t columnas) = 0;
    virtual void Fila(const std::vector<db::Valor>& fila, std::size_t desde) = 0;
    virtual void TerminaFilas() = 0;
    // La suma de verificación (SumaFilas) de las filas de la tabla, cada valor como texto de SQLite.
    virtual std::string Suma(const std::string& tabla) = 0;
    virtual void Cierra() = 0;
};

// Abre el archivo, que ya existe, con diario de reversión y synchronous=FULL. Lanza db::ErrorBD.
std::unique_ptr<EscritorArchivo> AbreEscritorArchivo(const std::filesystem::path& archivo);

} // namespace ov
