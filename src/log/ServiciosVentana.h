#pragma once

#include "log/Reloj.h"

#include <string>

namespace ov {

// Lo que el motor y la ventana piden al entorno: preguntas, avisos, reloj. La ventana lo
// implementa con cuadros de mensaje; la línea de comandos con la terminal; las pruebas con
// respuestas preparadas.
class ServiciosVentana {
public:
    virtual ~ServiciosVentana() = default;
    // Sí/No, icono de pregunta, No por omisión. Verdadero solo con Sí.
    virtual bool PreguntaSiNo(const std::string& texto, const std::string& titulo) = 0;
    // Aviso con el icono de información y un botón Aceptar.
    virtual void Informa(const std::string& texto, const std::string& titulo) = 0;
    // Aviso de error (entrada rechazada, falla fuera de las tareas).
    virtual void Advierte(const std::string& texto, const std::string& titulo) = 0;
    virtual const Reloj& reloj() const = 0;
};

} // namespace ov
