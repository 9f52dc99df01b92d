#pragma once

#include <exception>
#include <functional>
#include <thread>

namespace ov::app {

// Un hilo obrero para las operaciones largas (sondeo, cuentas, depuración): la ventana sigue
// pintándose mientras una sentencia espera al servidor, sin bucles de eventos anidados. Un
// trabajo a la vez; lo que publica y su final llegan al hilo de la ventana por `publica`.
class Obrero {
public:
    explicit Obrero(std::function<void(std::function<void()>)> publica) : publica_(std::move(publica)) {}
    // Espera al trabajo en curso: una operación nunca se corta a la mitad.
    ~Obrero();
    Obrero(const Obrero&) = delete;
    Obrero& operator=(const Obrero&) = delete;

    // Corre `trabajo` en otro hilo; después, en el hilo de la ventana, `alTerminar` con la excepción
    // que escapó (nula si no hubo), tras todo lo que el trabajo publicó. Falso si ya hay uno.
    bool Inicia(std::function<void()> trabajo, std::function<void(std::exception_ptr)> alTerminar);
    void Publica(std::function<void()> fn) { publica_(std::move(fn)); }
    // Espera a que el hilo vuelva (lo que publicó puede seguir en la cola de la ventana).
    void Espera();
    bool Ocupado() const { return ocupado_; }

private:
    std::function<void(std::function<void()>)> publica_;
    std::thread hilo_;
    bool ocupado_ = false; // solo se toca en el hilo de la ventana
};

} // namespace ov::app
