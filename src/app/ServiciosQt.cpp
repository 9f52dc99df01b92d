#include "app/ServiciosQt.h"

#include "app/ConversionesQt.h"

#include <QMessageBox>
#include <QPushButton>

namespace ov::app {

namespace {

// Los textos de los botones se fijan aquí: sin traducciones de Qt instaladas saldrían en inglés.
void PonTexto(QMessageBox& caja, QMessageBox::StandardButton boton, const char* texto) {
    if (QAbstractButton* b = caja.button(boton)) {
        b->setText(QString::fromUtf8(texto));
    }
}

} // namespace

bool ServiciosQt::PreguntaSiNo(const std::string& texto, const std::string& titulo) {
    QMessageBox caja(QMessageBox::Question, Q(titulo), Q(texto), QMessageBox::Yes | QMessageBox::No,
                     ventana_);
    caja.setDefaultButton(QMessageBox::No);
    caja.setEscapeButton(QMessageBox::No);
    PonTexto(caja, QMessageBox::Yes, "&Sí");
    PonTexto(caja, QMessageBox::No, "&No");
    return caja.exec() == QMessageBox::Yes;
}

void ServiciosQt::Informa(const std::string& texto, const std::string& titulo) {
    QMessageBox caja(QMessageBox::Information, Q(titulo), Q(texto), QMessageBox::Ok, ventana_);
    PonTexto(caja, QMessageBox::Ok, "Aceptar");
    caja.exec();
}

void ServiciosQt::Advierte(const std::string& texto, const std::string& titulo) {
    QMessageBox caja(QMessageBox::Warning, Q(titulo), Q(texto), QMessageBox::Ok, ventana_);
    PonTexto(caja, QMessageBox::Ok, "Aceptar");
    caja.exec();
}

} // namespace ov::app
