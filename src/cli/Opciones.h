#pragma once

#include "db/Espera.h"
#include "purge/Dialecto.h"

#include <chrono>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace ov {

struct Opciones {
    enum class Orden { Ninguna, Version, Ayuda, Conexiones, Depurar, Temporal, Reponer, DescartarTemporal,
                       RestaurarArchivo };
    Orden orden = Orden::Ninguna;
    std::string registro;
    std::vector<std::string> conexiones;
    std::string desde, hasta;
    std::vector<int> pasos; // 1 a 8; vacío: todos
    bool simular = false;
    Estrategia estrategia = Estrategia::Auto;
    bool si = false;
    std::string origen; // --reponer: la conexión cuya base confirma el operador para filas sin origen
    std::string archivo; // --depurar: carpeta del archivo de lo eliminado; --restaurar-archivo: el archivo
    std::chrono::seconds espera = db::kEsperaPorOmision; // por una base ocupada; 0 es sin límite
};

// Lee los argumentos; devuelve las opciones o el texto del error, en español.
std::variant<Opciones, std::string> LeeOpciones(const std::vector<std::string>& argumentos);

} // namespace ov
