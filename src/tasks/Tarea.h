#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ov {

struct Tarea {
    std::string Conexion;
    std::string Sentencia;
    std::string Pendiente;
    std::string EnProceso;
    std::string Terminado;
    std::int32_t NumError = 0;
    std::string DescripcionError;
    std::string FuenteError;
    std::string Clave;
};

// Índices de ImageList1.
enum class Imagen : int { Ninguna = 0, Tambor = 1, Flecha = 2, Palomita = 3, Advertencia = 4, Cruz = 5 };

// Lo que la ventana muestra de un nodo de Lista.
struct Nodo {
    std::string Texto;
    Imagen Image = Imagen::Ninguna;
    bool Bold = false;
    bool Checked = false; // solo lo cambia el operador
};

enum class Aspecto { Pendiente, Reinicio, EnProceso, Terminado, Fallido };

// "Error: ", número, "[", fuente, "] ", descripción. La fuente va una vez entre corchetes sencillos,
// la guarde el error con ellos ("[SQLite]", "[FreeTDS][SQL Server]") o sin ellos.
std::string TextoError(std::int32_t numero, const std::string& fuente, const std::string& descripcion);

// El texto del error seguido de " Tarea: " y el texto de terminado.
std::string TextoFalla(const Tarea& t);

// Aplica un aspecto al nodo a partir de su tarea.
void AplicaAspecto(Nodo& n, const Tarea& t, Aspecto a);

} // namespace ov
