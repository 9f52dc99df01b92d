#include "app/Obrero.h"

namespace ov::app {

Obrero::~Obrero() {
    Espera();
}

void Obrero::Espera() {
    if (hilo_.joinable()) {
        hilo_.join();
    }
}

bool Obrero::Inicia(std::function<void()> trabajo, std::function<void(std::exception_ptr)> alTerminar) {
    if (ocupado_) {
        return false;
    }
    // El hilo anterior ya publicó su final: solo le falta volver.
    Espera();
    ocupado_ = true;
    hilo_ = std::thread([this, trabajo = std::move(trabajo), alTerminar = std::move(alTerminar)]() mutable {
        std::exception_ptr error;
        try {
            trabajo();
        } catch (...) {
            // Una excepción no cruza de hilo por sí sola: viaja como valor.
            error = std::current_exception();
        }
        // Se encola después de todo lo que el trabajo publicó, así que llega al final.
        publica_([this, alTerminar = std::move(alTerminar), error] {
            ocupado_ = false;
            if (alTerminar) {
                alTerminar(error);
            }
        });
    });
    return true;
}

} // namespace ov::app
