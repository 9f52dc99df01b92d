#pragma once

#include "app/ControlesVentana.h"
#include "log/Reloj.h"

#include <chrono>
#include <string>

namespace ov::app {

// "1:05", o "1:02:03" pasada la hora.
std::string TextoDuracion(std::chrono::seconds s);

// El texto de la etiqueta bajo la lista mientras corre un paso.
std::string TextoPaso(int k, int n, const std::string& paso, std::chrono::seconds delPaso,
                      std::chrono::seconds deLaCorrida);

// Lo que la etiqueta bajo la lista (Label2) dice durante el conteo y la corrida: el paso en curso
// y cuánto llevan él y la corrida, cada segundo (Segundero) con el reloj inyectado. Al terminar la
// etiqueta vuelve a su texto.
class ProgresoCorrida {
public:
    ProgresoCorrida(Etiqueta& etiqueta, Temporizador& segundero, const Reloj& reloj)
        : etiqueta_(etiqueta), segundero_(segundero), reloj_(reloj) {}

    void Contando();           // tras el primer Sí, mientras se cuentan las filas
    void Inicia(int marcados); // la corrida empieza, con n pasos marcados
    void Paso(const std::string& texto);
    // Otro proceso retiene una base: ese texto se muestra hasta el siguiente paso o línea de bitácora
    // (vacío lo quita).
    void Espera(std::string texto);
    void Termina();
    void Muestra(); // cada segundo
    bool Activo() const { return activo_; }

private:
    std::chrono::seconds Desde(FechaHora inicio) const { return reloj_.Ahora() - inicio; }
    void Toma();

    Etiqueta& etiqueta_;
    Temporizador& segundero_;
    const Reloj& reloj_;
    bool activo_ = false;
    bool contando_ = false;
    int paso_ = 0, pasos_ = 0;
    std::string texto_, espera_;
    FechaHora inicioCorrida_{}, inicioPaso_{};
};

} // namespace ov::app
