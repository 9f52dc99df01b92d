#pragma once

#include "apoyo/CarpetaTemporal.h"
#include "app/frmNalvora.h"
#include "log/ServiciosVentana.h"

#include <QTest>
#include <deque>
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

inline const std::string kCaption = "Depuración de base de datos Orvalo v2.2.0";

// Un aviso de la ventana: advertencia con su título y, si se pide, un trozo de su texto.
inline bool EsAviso(const ServiciosDePrueba::Mensaje& m, const std::string& trozo = "") {
    return m.Tipo == "advierte" && m.Titulo == kCaption && m.Texto.find(trozo) != std::string::npos;
}

} // namespace ov::prueba
