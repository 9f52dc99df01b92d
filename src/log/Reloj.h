#pragma once

#include <chrono>

namespace ov {

// Hora local de pared, sin zona: así la escriben la bitácora y las fechas SQL.
using FechaHora = std::chrono::local_seconds;
using Fecha = std::chrono::local_days;

// Reloj inyectable: las pruebas cruzan meses sin esperar.
class Reloj {
public:
    virtual ~Reloj() = default;
    virtual FechaHora Ahora() const = 0;
};

class RelojSistema final : public Reloj {
public:
    FechaHora Ahora() const override;
};

class RelojFijo final : public Reloj {
public:
    explicit RelojFijo(FechaHora ahora) : ahora_(ahora) {}
    FechaHora Ahora() const override { return ahora_; }
    void Fija(FechaHora ahora) { ahora_ = ahora; }

private:
    FechaHora ahora_;
};

const Reloj& RelojDelSistema();

} // namespace ov
