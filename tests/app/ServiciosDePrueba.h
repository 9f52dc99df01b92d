#pragma once

#include "app/frmNalvora.h"
#include "connections/ArchivoReg.h"
#include "log/ServiciosVentana.h"

#include <QTest>
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

namespace ov::prueba {

// Respuestas preparadas y mensajes anotados: ningún cuadro de diálogo real detiene una prueba.
class ServiciosDePrueba final : public ServiciosVentana {
public:
    struct Mensaje {
        std::string Tipo, Texto, Titulo;
    };

    explicit ServiciosDePrueba(const Reloj& reloj) : reloj_(reloj) {}

    // Sin respuesta preparada contesta No, como el botón por omisión.
    bool PreguntaSiNo(const std::string& texto, const std::string& titulo) override {
        Mensajes.push_back({"pregunta", texto, titulo});
        const bool r = !Respuestas.empty() && Respuestas.front();
        if (!Respuestas.empty()) {
            Respuestas.pop_front();
        }
        return r;
    }
    void Informa(const std::string& texto, const std::string& titulo) override {
        Mensajes.push_back({"informa", texto, titulo});
    }
    void Advierte(const std::string& texto, const std::string& titulo) override {
        Mensajes.push_back({"advierte", texto, titulo});
    }
    const Reloj& reloj() const override { return reloj_; }

    std::deque<bool> Respuestas;
    std::vector<Mensaje> Mensajes;

private:
    const Reloj& reloj_;
};

// La ventana con el sondeo y la corrida contados en lugar de hechos.
class VentanaDePrueba : public app::frmNalvora {
public:
    using frmNalvora::frmNalvora;
    int Sondeos = 0;
    int Corridas = 0;

protected:
    void ActualizaEstadisticas() override { ++Sondeos; }
    void EjecutaProceso() override { ++Corridas; }
};

// Otra ventana toma el foco y luego se vuelve a la principal, como tras un cuadro de mensaje.
inline bool ReactivaDesdeOtra(QWidget& ventana) {
    QWidget otra;
    otra.show();
    otra.activateWindow();
    if (!QTest::qWaitForWindowActive(&otra)) {
        return false;
    }
    ventana.activateWindow();
    return QTest::qWaitForWindowActive(&ventana);
}

// Un registro sin conexiones, para las pruebas que no miran la lista.
inline const Registro& SinConexiones() {
    static const ArchivoReg registro("/no/existe/orvalo.reg");
    return registro;
}

// La ventana de verdad, con los sondeos contados y, si se pide, un obrero que lanza.
class VentanaContada : public app::frmNalvora {
public:
    using frmNalvora::frmNalvora;
    int Sondeos = 0;
    bool LanzaAlCorrer = false;

protected:
    void ActualizaEstadisticas() override {
        ++Sondeos;
        frmNalvora::ActualizaEstadisticas();
    }
    ResultadoCorrida CorreDepuracion(Plan& plan, const Rango& rango, ObservadorCorrida& observador) override {
        if (LanzaAlCorrer) {
            throw std::runtime_error("se agotó la memoria del obrero");
        }
        return frmNalvora::CorreDepuracion(plan, rango, observador);
    }
};

} // namespace ov::prueba
