#include "app/qt/MedidorDeLatidos.h"

#include <algorithm>

namespace ov::app {

MedidorDeLatidos::MedidorDeLatidos(int periodoMs, QObject* padre) : QObject(padre) {
    temporizador_.setInterval(periodoMs);
    temporizador_.setTimerType(Qt::PreciseTimer);
    connect(&temporizador_, &QTimer::timeout, this, &MedidorDeLatidos::Late);
}

void MedidorDeLatidos::Inicia() {
    mayor_ = 0;
    latidos_ = 0;
    desdeUltimo_.start();
    temporizador_.start();
}

void MedidorDeLatidos::Detiene() {
    if (temporizador_.isActive()) {
        Late();
        temporizador_.stop();
    }
}

void MedidorDeLatidos::Late() {
    mayor_ = std::max(mayor_, desdeUltimo_.restart());
    ++latidos_;
}

} // namespace ov::app
