#include "app/ProgresoCorrida.h"

#include <algorithm>
#include <cstdio>

namespace ov::app {

std::string TextoDuracion(std::chrono::seconds s) {
    const long long total = std::max<long long>(0, s.count());
    char texto[32];
    if (total >= 3600) {
        std::snprintf(texto, sizeof texto, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    } else {
        std::snprintf(texto, sizeof texto, "%lld:%02lld", total / 60, total % 60);
    }
    return texto;
}

std::string TextoPaso(int k, int n, const std::string& paso, std::chrono::seconds delPaso,
                      std::chrono::seconds deLaCorrida) {
    return "Paso " + std::to_string(k) + " de " + std::to_string(n) + " (paso " + TextoDuracion(delPaso) +
           ", corrida " + TextoDuracion(deLaCorrida) + "): " + paso;
}

void ProgresoCorrida::Toma() {
    if (!activo_) {
        activo_ = true;
        segundero_.PonEnabled(true);
    }
}

void ProgresoCorrida::Contando() {
    Toma();
    contando_ = true;
    inicioCorrida_ = reloj_.Ahora();
    Muestra();
}

void ProgresoCorrida::Inicia(int marcados) {
    Toma();
    contando_ = false;
    paso_ = 0;
    pasos_ = marcados;
    texto_.clear();
    espera_.clear();
    inicioCorrida_ = inicioPaso_ = reloj_.Ahora();
    Muestra();
}

void ProgresoCorrida::Paso(const std::string& texto) {
    ++paso_;
    texto_ = texto;
    espera_.clear();
    inicioPaso_ = reloj_.Ahora();
    Muestra();
}

void ProgresoCorrida::Espera(std::string texto) {
    espera_ = std::move(texto);
    Muestra();
}

void ProgresoCorrida::Termina() {
    if (!activo_) {
        return;
    }
    activo_ = false;
    espera_.clear();
    segundero_.PonEnabled(false);
    etiqueta_.TerminaProgreso();
}

void ProgresoCorrida::Muestra() {
    if (!activo_) {
        return;
    }
    std::string texto;
    if (!espera_.empty()) {
        texto = espera_;
    } else if (contando_) {
        texto = "Contando las filas que se eliminarán... (" + TextoDuracion(Desde(inicioCorrida_)) + ")";
    } else if (paso_ == 0) {
        texto = "Iniciando la depuración de " + std::to_string(pasos_) + " pasos marcados (corrida " +
                TextoDuracion(Desde(inicioCorrida_)) + ")";
    } else {
        texto = TextoPaso(paso_, pasos_, texto_, Desde(inicioPaso_), Desde(inicioCorrida_));
    }
    etiqueta_.MuestraProgreso(texto);
}

} // namespace ov::app
