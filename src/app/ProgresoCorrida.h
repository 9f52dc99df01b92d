#pragma once

#include "log/Reloj.h"

#include <QObject>
#include <QPalette>
#include <QRect>
#include <QString>
#include <QTimer>
#include <chrono>
#include <string>

class QLabel;

namespace ov::app {

// "1:05", o "1:02:03" pasada la hora.
std::string TextoDuracion(std::chrono::seconds s);

// El texto de la etiqueta bajo la lista mientras corre un paso.
std::string TextoPaso(int k, int n, const std::string& paso, std::chrono::seconds delPaso,
                      std::chrono::seconds deLaCorrida);

// Lo que la etiqueta bajo la lista (Label2) dice durante el conteo y la corrida: el paso en curso
// y cuánto llevan él y la corrida, cada segundo con el reloj inyectado. Al terminar la etiqueta
// vuelve a su texto, su lugar y su color.
class ProgresoCorrida : public QObject {
    Q_OBJECT
public:
    ProgresoCorrida(QLabel* etiqueta, const Reloj& reloj, QObject* padre = nullptr);

    void Contando();           // tras el primer Sí, mientras se cuentan las filas
    void Inicia(int marcados); // la corrida empieza, con n pasos marcados
    void Paso(const std::string& texto);
    void Termina();
    bool Activo() const { return activo_; }

private:
    void Toma();
    void Muestra();
    std::chrono::seconds Desde(FechaHora inicio) const;

    QLabel* etiqueta_;
    const Reloj& reloj_;
    QTimer cadaSegundo_;
    bool activo_ = false;
    bool contando_ = false;
    int paso_ = 0, pasos_ = 0;
    std::string texto_;
    FechaHora inicioCorrida_{}, inicioPaso_{};
    // Lo que la etiqueta era antes.
    QString textoOriginal_;
    QRect lugarOriginal_;
    Qt::Alignment alineacionOriginal_;
    QPalette paletaOriginal_;
};

} // namespace ov::app
