// El archivo de lo eliminado de cada conexión de una corrida: se abre con la primera tabla que se
// depura y se cierra con el bloque de su conexión.
#include "log/Fechas.h"
#include "log/Version.h"
#include "purge/Archivo.h"
#include "purge/Dialecto.h"
#include "purge/EjecutaProceso.h"

namespace ov {

GuardaEliminadas* Depuracion::Archivo(db::Conexion& cn, DialectoDepuracion& dialecto, const Rango& r,
                                      const std::string& conexion) {
    if (carpetaArchivo_.empty()) {
        return nullptr;
    }
    if (!archivo_) {
        archivo_ = std::make_unique<ArchivoDepuracion>(
            carpetaArchivo_,
            OrigenArchivo{conexion, dialecto.Servidor(cn), dialecto.Base(cn), FormatoFecha(r.Desde),
                          FormatoFecha(r.Hasta), FormatoFechaHoraSegundos(inicio_), "", TextoVersion()},
            inicio_, cn.dialecto());
    }
    return archivo_.get();
}

void Depuracion::TerminaArchivo() {
    if (archivo_) {
        archivo_->Termina(FormatoFechaHoraSegundos(bitacora_.reloj().Ahora()));
        for (const auto& aviso : archivo_->TomaAvisos()) {
            Registra(aviso);
        }
        archivo_.reset();
    }
}

} // namespace ov
