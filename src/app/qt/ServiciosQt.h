#pragma once

#include "app/ControlesVentana.h"
#include "log/ServiciosVentana.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <memory>

namespace ov::app {

// Un cuadro de mensaje con los botones en español y ancho para su título completo.
std::unique_ptr<QMessageBox> NuevaCaja(QMessageBox::Icon icono, const std::string& titulo,
                                       const std::string& texto, QMessageBox::StandardButtons botones,
                                       QWidget* padre);

// Los servicios de ventana con cuadros de mensaje de Qt, modales sobre la ventana principal, y los
// de la plataforma: el puntero, el hilo de la ventana y el fin del programa.
class ServiciosQt final : public ServiciosVentana, public ServiciosPlataforma {
public:
    explicit ServiciosQt(const Reloj& reloj) : reloj_(reloj) {}

    // La ventana se crea después de los servicios: se da aquí para que los cuadros la tengan de dueña.
    void FijaVentana(QWidget* ventana) { ventana_ = ventana; }

    bool PreguntaSiNo(const std::string& texto, const std::string& titulo) override;
    void Informa(const std::string& texto, const std::string& titulo) override;
    void Advierte(const std::string& texto, const std::string& titulo) override;
    const Reloj& reloj() const override { return reloj_; }

    void PonPuntero(Puntero puntero) override;
    // Lo publicado va a la cola de la ventana; si ésta ya no existe, se descarta.
    void Publica(std::function<void()> fn) override;
    void TerminaPrograma() override;
    // Un cuadro de carpetas modal sobre la ventana, sin bucle propio: responde por su señal.
    void EligeCarpeta(const std::string& titulo, const std::string& inicial,
                      std::function<void(const std::string&)> alElegir) override;

private:
    const Reloj& reloj_;
    QPointer<QWidget> ventana_;
};

} // namespace ov::app
