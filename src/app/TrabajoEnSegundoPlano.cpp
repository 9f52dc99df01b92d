#include "app/TrabajoEnSegundoPlano.h"

#include <QMetaObject>

namespace ov::app {

TrabajoEnSegundoPlano::TrabajoEnSegundoPlano(QObject* ventana) : obrero_(new QObject), ventana_(ventana) {
    hilo_.setObjectName(QStringLiteral("obrero"));
    obrero_->moveToThread(&hilo_);
    connect(&hilo_, &QThread::finished, obrero_, &QObject::deleteLater);
    hilo_.start();
}

TrabajoEnSegundoPlano::~TrabajoEnSegundoPlano() {
    hilo_.quit();
    hilo_.wait();
}

bool TrabajoEnSegundoPlano::Inicia(std::function<void()> trabajo,
                                   std::function<void(std::exception_ptr)> alTerminar) {
    if (ocupado_) {
        return false;
    }
    ocupado_ = true;
    QMetaObject::invokeMethod(
        obrero_,
        [this, trabajo = std::move(trabajo), alTerminar = std::move(alTerminar)]() mutable {
            std::exception_ptr error;
            try {
                trabajo();
            } catch (...) {
                // Una excepción no puede cruzar de hilo por sí sola: viaja como valor.
                error = std::current_exception();
            }
            // Se encola después de todo lo que el trabajo publicó, así que llega al final.
            Publica([this, alTerminar = std::move(alTerminar), error] {
                ocupado_ = false;
                if (alTerminar) {
                    alTerminar(error);
                }
            });
        },
        Qt::QueuedConnection);
    return true;
}

void TrabajoEnSegundoPlano::Publica(std::function<void()> fn) {
    QMetaObject::invokeMethod(ventana_, std::move(fn), Qt::QueuedConnection);
}

} // namespace ov::app
