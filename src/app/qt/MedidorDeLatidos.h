#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace ov::app {

// Mide cuánto tarda en dar vuelta el bucle de eventos del hilo en que vive: un temporizador
// corto y el mayor intervalo visto entre dos de sus disparos. Sirve para mostrar que la ventana
// sigue respondiendo mientras corre un trabajo largo.
class MedidorDeLatidos : public QObject {
    Q_OBJECT
public:
    explicit MedidorDeLatidos(int periodoMs = 10, QObject* padre = nullptr);

    void Inicia();  // borra lo medido y empieza
    void Detiene(); // cuenta también el tramo desde el último latido
    qint64 MayorIntervaloMs() const { return mayor_; }
    int Latidos() const { return latidos_; }

private:
    void Late();

    QTimer temporizador_;
    QElapsedTimer desdeUltimo_;
    qint64 mayor_ = 0;
    int latidos_ = 0;
};

} // namespace ov::app
