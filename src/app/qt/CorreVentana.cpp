#include "app/qt/CorreVentana.h"
#include "app/frmNalvora.h"
#include "app/qt/ImageList.h"
#include "app/qt/ServiciosQt.h"
#include "app/qt/VentanaQt.h"
#include "connections/ArchivoReg.h"
#include "log/Version.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QTranslator>

namespace ov::app {

namespace {

// Sin Tahoma instalada, la de Wine tiene sus mismas medidas; si tampoco está, Qt sustituye.
void RegistraTahoma() {
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
        return;
    }
    for (const char* archivo : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"}) {
        if (QFile::exists(QString::fromLatin1(archivo))) {
            QFontDatabase::addApplicationFont(QString::fromLatin1(archivo));
        }
    }
}

std::filesystem::path CarpetaDelPrograma() {
    return std::filesystem::path(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
}

} // namespace

int CorreVentana(QApplication& aplicacion) {
    RegistraTahoma();
    // Los textos propios de Qt (menús contextuales, calendario) en español, si están instalados.
    QTranslator traduccion;
    if (traduccion.load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        aplicacion.installTranslator(&traduccion);
    }
    aplicacion.setApplicationName(QString::fromLatin1(kTituloAplicacion));
    aplicacion.setWindowIcon(IconoVentana());

    const Reloj& reloj = RelojDelSistema();
    ServiciosQt servicios(reloj);
    // Sin --registro: OVNALVORA_REGISTRO, orvalo.reg junto al programa o el del sistema.
    const auto registro = RegistroDeLaPlataforma("", CarpetaDelPrograma());
    VentanaQt ventana;
    servicios.FijaVentana(&ventana);
    frmNalvora comportamiento({ventana, servicios, servicios, reloj, CarpetaDelPrograma(), *registro});
    ventana.Conecta(&comportamiento);
    ventana.show();
    const int salida = aplicacion.exec();
    ventana.Conecta(nullptr);
    return salida;
}

} // namespace ov::app
