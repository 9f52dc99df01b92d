#pragma once

#include "app/ControlesVentana.h"
#include "log/ServiciosVentana.h"

namespace ov::app::win32 {

class Ventana;

// Los cuadros de mensaje (292 pregunta, 64 informa) y lo demás que la ventana pide a Windows.
class ServiciosWin32 final : public ServiciosVentana, public ServiciosPlataforma {
public:
    ServiciosWin32(Ventana& ventana, const Reloj& reloj) : ventana_(ventana), reloj_(reloj) {}

    bool PreguntaSiNo(const std::string& texto, const std::string& titulo) override;
    void Informa(const std::string& texto, const std::string& titulo) override;
    void Advierte(const std::string& texto, const std::string& titulo) override;
    const Reloj& reloj() const override { return reloj_; }

    void PonPuntero(Puntero puntero) override;
    void Publica(std::function<void()> fn) override;
    void TerminaPrograma() override;
    // El cuadro de carpetas del shell, modal sobre la ventana, como los de mensajes.
    void EligeCarpeta(const std::string& titulo, const std::string& inicial,
                      std::function<void(const std::string&)> alElegir) override;

private:
    Ventana& ventana_;
    const Reloj& reloj_;
};

} // namespace ov::app::win32
