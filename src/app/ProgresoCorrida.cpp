#include "app/ProgresoCorrida.h"

#include "app/ConversionesQt.h"

#include <QLabel>
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

ProgresoCorrida::ProgresoCorrida(QLabel* etiqueta, const Reloj& reloj, QObject* padre)
    : QObject(padre), etiqueta_(etiqueta), reloj_(reloj) {
    cadaSegundo_.setInterval(1000);
    connect(&cadaSegundo_, &QTimer::timeout, this, &ProgresoCorrida::Muestra);
}

std::chrono::seconds ProgresoCorrida::Desde(FechaHora inicio) const {
    return reloj_.Ahora() - inicio;
}

// La etiqueta se ensancha a toda la ventana y deja de verse gris aunque esté bloqueada.
void ProgresoCorrida::Toma() {
    if (activo_) {
        return;
    }
    activo_ = true;
    textoOriginal_ = etiqueta_->text();
    lugarOriginal_ = etiqueta_->geometry();
    alineacionOriginal_ = etiqueta_->alignment();
    paletaOriginal_ = etiqueta_->palette();
    const QWidget* ventana = etiqueta_->parentWidget();
    const int margen = 3;
    etiqueta_->setGeometry(margen, lugarOriginal_.y(), ventana->width() - 2 * margen,
                           lugarOriginal_.height());
    etiqueta_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette p = paletaOriginal_;
    p.setColor(QPalette::Disabled, QPalette::WindowText, p.color(QPalette::Active, QPalette::WindowText));
    etiqueta_->setPalette(p);
    cadaSegundo_.start();
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
    inicioCorrida_ = inicioPaso_ = reloj_.Ahora();
    Muestra();
}

void ProgresoCorrida::Paso(const std::string& texto) {
    ++paso_;
    texto_ = texto;
    inicioPaso_ = reloj_.Ahora();
    Muestra();
}

void ProgresoCorrida::Termina() {
    if (!activo_) {
        return;
    }
    activo_ = false;
    cadaSegundo_.stop();
    etiqueta_->setText(textoOriginal_);
    etiqueta_->setGeometry(lugarOriginal_);
    etiqueta_->setAlignment(alineacionOriginal_);
    etiqueta_->setPalette(paletaOriginal_);
    etiqueta_->setToolTip({});
}

void ProgresoCorrida::Muestra() {
    std::string texto;
    if (contando_) {
        texto = "Contando las filas que se eliminarán... (" + TextoDuracion(Desde(inicioCorrida_)) + ")";
    } else if (paso_ == 0) {
        texto = "Iniciando la depuración de " + std::to_string(pasos_) + " pasos marcados (corrida " +
                TextoDuracion(Desde(inicioCorrida_)) + ")";
    } else {
        texto = TextoPaso(paso_, pasos_, texto_, Desde(inicioPaso_), Desde(inicioCorrida_));
    }
    // Un paso de nombre largo se corta al final; completo, en la ayuda emergente.
    const QString completo = Q(texto);
    etiqueta_->setText(etiqueta_->fontMetrics().elidedText(completo, Qt::ElideRight, etiqueta_->width()));
    etiqueta_->setToolTip(completo);
}

} // namespace ov::app
