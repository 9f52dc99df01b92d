#include "app/qt/ServiciosQt.h"

#include "app/qt/ConversionesQt.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QPushButton>
#include <QSpacerItem>

namespace ov::app {

namespace {

// Los textos de los botones se fijan aquí: sin traducciones de Qt instaladas saldrían en inglés.
void PonTexto(QMessageBox& caja, QMessageBox::StandardButton boton, const char* texto) {
    if (QAbstractButton* b = caja.button(boton)) {
        b->setText(QString::fromUtf8(texto));
    }
}

// El cuadro toma el ancho de su texto y el sistema corta el título que no cabe: se le da el ancho
// del título, en la letra de la barra (algo mayor que la del cuadro), más el ícono y el botón de cierre.
int AnchoParaElTitulo(const QMessageBox& caja, const QString& titulo) {
    QFont barra = QApplication::font("QMdiSubWindowTitleBar");
    barra.setBold(true);
    const int texto = std::max(QFontMetrics(barra).horizontalAdvance(titulo),
                               caja.fontMetrics().horizontalAdvance(titulo) * 5 / 4);
    constexpr int kIconoYCierre = 110;
    return texto + kIconoYCierre;
}

} // namespace

std::unique_ptr<QMessageBox> NuevaCaja(QMessageBox::Icon icono, const std::string& titulo,
                                       const std::string& texto, QMessageBox::StandardButtons botones,
                                       QWidget* padre) {
    auto caja = std::make_unique<QMessageBox>(icono, Q(titulo), Q(texto), botones, padre);
    PonTexto(*caja, QMessageBox::Yes, "&Sí");
    PonTexto(*caja, QMessageBox::No, "&No");
    PonTexto(*caja, QMessageBox::Ok, "Aceptar");
    if (auto* rejilla = qobject_cast<QGridLayout*>(caja->layout())) {
        rejilla->addItem(new QSpacerItem(AnchoParaElTitulo(*caja, Q(titulo)), 0, QSizePolicy::Minimum,
                                         QSizePolicy::Expanding),
                         rejilla->rowCount(), 0, 1, rejilla->columnCount());
    }
    return caja;
}

bool ServiciosQt::PreguntaSiNo(const std::string& texto, const std::string& titulo) {
    auto caja = NuevaCaja(QMessageBox::Question, titulo, texto, QMessageBox::Yes | QMessageBox::No, ventana_);
    caja->setDefaultButton(QMessageBox::No);
    caja->setEscapeButton(QMessageBox::No);
    return caja->exec() == QMessageBox::Yes;
}

void ServiciosQt::Informa(const std::string& texto, const std::string& titulo) {
    NuevaCaja(QMessageBox::Information, titulo, texto, QMessageBox::Ok, ventana_)->exec();
}

void ServiciosQt::Advierte(const std::string& texto, const std::string& titulo) {
    NuevaCaja(QMessageBox::Warning, titulo, texto, QMessageBox::Ok, ventana_)->exec();
}

void ServiciosQt::PonPuntero(Puntero puntero) {
    if (puntero == Puntero::RelojDeArena) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void ServiciosQt::Publica(std::function<void()> fn) {
    QMetaObject::invokeMethod(ventana_ ? static_cast<QObject*>(ventana_) : qApp, std::move(fn),
                              Qt::QueuedConnection);
}

void ServiciosQt::TerminaPrograma() {
    QCoreApplication::quit();
}

void ServiciosQt::EligeCarpeta(const std::string& titulo, const std::string& inicial,
                               std::function<void(const std::string&)> alElegir) {
    auto* cuadro = new QFileDialog(ventana_, Q(titulo), Q(inicial));
    cuadro->setFileMode(QFileDialog::Directory);
    cuadro->setOption(QFileDialog::ShowDirsOnly);
    cuadro->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(cuadro, &QFileDialog::fileSelected,
                     [alElegir = std::move(alElegir)](const QString& carpeta) { alElegir(S(carpeta)); });
    cuadro->open();
}

} // namespace ov::app
