#pragma once

#include <QObject>
#include <QThread>
#include <exception>
#include <functional>

namespace ov::app {

// Un hilo obrero para las operaciones largas (sondeo, depuración): la ventana sigue pintándose
// mientras una sentencia espera al servidor, sin bucles de eventos anidados. Un trabajo a la vez.
class TrabajoEnSegundoPlano : public QObject {
    Q_OBJECT
public:
    // Los avisos y el final se entregan en el hilo de `ventana`, que debe vivir más que este objeto.
    explicit TrabajoEnSegundoPlano(QObject* ventana);
    // Espera a que acabe el trabajo en curso: una operación nunca se corta a la mitad.
    ~TrabajoEnSegundoPlano() override;

    // Corre `trabajo` en el hilo obrero; después, en el hilo de la ventana, `alTerminar` con la
    // excepción que escapó del trabajo (nula si no hubo). Falso si ya hay un trabajo en curso.
    bool Inicia(std::function<void()> trabajo, std::function<void(std::exception_ptr)> alTerminar);

    // Desde el trabajo: `fn` corre en el hilo de la ventana, en el orden en que se publicó y
    // siempre antes de `alTerminar`.
    void Publica(std::function<void()> fn);

    bool Ocupado() const { return ocupado_; }
    const QThread* Hilo() const { return &hilo_; }

private:
    QThread hilo_;
    QObject* obrero_; // vive en hilo_; ahí se ejecutan los trabajos
    QObject* ventana_;
    bool ocupado_ = false; // solo se toca en el hilo de la ventana
};

} // namespace ov::app
