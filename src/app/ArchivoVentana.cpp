// La carpeta del archivo de lo eliminado, desde el menú de Lista; se recuerda para el usuario.
#include "app/AjustesUsuario.h"
#include "app/frmNalvora.h"

namespace ov::app {

namespace {
constexpr const char* kTituloCarpeta = "Carpeta para guardar lo eliminado";
} // namespace

std::vector<std::string> frmNalvora::OpcionesArchivo() const {
    if (carpetaArchivo_.empty()) {
        return {"Guardar lo eliminado en una carpeta..."};
    }
    return {"Guardar lo eliminado en otra carpeta (ahora en " + carpetaArchivo_ + ")...",
            "No guardar lo eliminado"};
}

void frmNalvora::MenuArchivo(int eleccion) {
    auto fija = [this](const std::string& carpeta) {
        if (bloqueada_) {
            return;
        }
        carpetaArchivo_ = carpeta;
        bitacora_->Linea(carpeta.empty() ? "Lo eliminado ya no se guarda en un archivo."
                                         : "Lo eliminado se guardará en un archivo en " + carpeta + ".");
        try {
            plataforma_.GuardaAjuste(kAjusteCarpetaArchivo, carpeta);
        } catch (const std::exception& e) {
            Advierte("No se pudo recordar la carpeta para la próxima vez: " + std::string(e.what()) +
                     ". Se usará en esta sesión.");
        }
    };
    if (eleccion == 1) {
        fija({});
        return;
    }
    plataforma_.EligeCarpeta(kTituloCarpeta, carpetaArchivo_, [fija](const std::string& carpeta) {
        if (!carpeta.empty()) {
            fija(carpeta);
        }
    });
}

} // namespace ov::app
