#pragma once

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace ov::db {
class Conexion;
}

namespace ov::prueba {

// Acceso directo a un archivo SQLite para preparar y revisar lo que hizo el programa.
class BaseSqlite {
public:
    explicit BaseSqlite(const std::filesystem::path& archivo, bool crea = false);
    ~BaseSqlite();
    BaseSqlite(const BaseSqlite&) = delete;
    BaseSqlite& operator=(const BaseSqlite&) = delete;

    void Ejecuta(const std::string& sql);
    std::string Valor(const std::string& sql); // primera columna de la primera fila; "" si NULL
    long long Cuenta(const std::string& sql) { return std::stoll(Valor(sql)); }
    // Todas las filas de la tabla, cada valor citado, en el orden de sus columnas: dos huellas iguales
    // son las mismas filas, repeticiones incluidas. Sin orden de rowid, que una reposición cambia.
    std::string Huella(const std::string& tabla);

private:
    std::unique_ptr<db::Conexion> cn_;
};

// La huella de una tabla a partir de sus filas ya escritas como texto: cuántas y cuáles, sin orden.
inline std::string HuellaDeFilas(std::vector<std::string> filas) {
    std::sort(filas.begin(), filas.end());
    std::string huella = std::to_string(filas.size()) + ":";
    for (const auto& f : filas) {
        huella += f + "\n";
    }
    return huella;
}

// Lo que deja una depuración que murió tras vaciar checadas en la base de Planta Sur: en la
// orvalo_temp.db de su carpeta, las filas que cumplen `copia` y, si `conOrigen`, la fila de su origen;
// en la tabla viva, borradas las que cumplen `borra`. Devuelve cuántas se copiaron.
long long DejaSobrante(const std::filesystem::path& sur, const std::string& copia, bool conOrigen,
                       const std::string& borra);

// Corre el generador de la demostración en la carpeta; falla la prueba si no termina bien.
void GeneraDemo(const std::filesystem::path& carpeta, int checadas);

} // namespace ov::prueba
