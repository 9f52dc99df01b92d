#include "cli/LineaComandos.h"

#include "cli/Comandos.h"
#include "cli/Opciones.h"
#include "connections/ArchivoReg.h"
#include "log/Version.h"

#include <ostream>

namespace ov {

namespace {

const char* const kAyuda =
    "Uso:\n"
#ifdef _WIN32
    // En Windows la ventana es el otro programa: este, sin argumentos, solo muestra esta ayuda.
    "  ovnalvora-ventana              abre la ventana\n"
#else
    "  ovnalvora                      abre la ventana\n"
#endif
    "  ovnalvora [--registro ARCHIVO] --conexiones\n"
    "  ovnalvora [--registro ARCHIVO] --depurar --conexion NOMBRE [--conexion NOMBRE ...]\n"
    "            --desde AAAA-MM-DD --hasta AAAA-MM-DD [--pasos N[,N...]] [--simular] [--si]\n"
    "            [--estrategia auto|copia|borrado] [--espera SEGUNDOS] [--archivo CARPETA]\n"
    "  ovnalvora [--registro ARCHIVO] --restaurar-archivo ARCHIVO [--conexion NOMBRE] [--si]\n"
    "  ovnalvora [--registro ARCHIVO] --temporal --conexion NOMBRE\n"
    "  ovnalvora [--registro ARCHIVO] --reponer --conexion NOMBRE [--origen NOMBRE] [--si]\n"
    "  ovnalvora [--registro ARCHIVO] --descartar-temporal --conexion NOMBRE [--si]\n"
    "  ovnalvora --version | --ayuda (-h, /?)\n"
    "\n"
    "  --registro ARCHIVO  archivo .reg con las conexiones de Orvalo\n"
    "  --conexiones        lista las conexiones con su tamaño y sus fechas\n"
    "  --depurar           elimina las checadas, el kardex y la bitácora del rango de fechas\n"
    "  --pasos N,N         pasos de cada conexión, del 1 al 8 (todos si se omite)\n"
    "  --simular           muestra lo que se eliminaría y las sentencias, sin cambiar nada\n"
    "  --si                responde Sí a las preguntas\n"
    "  --estrategia E      copia: copia lo que queda, vacía y repone; borrado: borra en su lugar;\n"
    "                      auto (por omisión): borra en su lugar cuando sale poco\n"
    "  --temporal          muestra lo que guarda la base temporal orvalo_temp y de dónde salió\n"
    "  --reponer           devuelve a sus tablas las filas de orvalo_temp, sin duplicar ninguna\n"
    "  --origen NOMBRE     con --reponer, si orvalo_temp no dice de qué base salió: confirma que sus\n"
    "                      filas son de la base de esa conexión (la misma de --conexion)\n"
    "  --descartar-temporal  borra orvalo_temp con lo que guarde (también un orvalo_temp.db dañado)\n"
    "  --archivo CARPETA   guarda antes cada fila que se elimine en un archivo SQLite de esa carpeta,\n"
    "                      uno por conexión y corrida\n"
    "  --restaurar-archivo ARCHIVO  devuelve las filas de ese archivo a la base de donde salieron (a otra,\n"
    "                      solo nombrando su --conexion), sin duplicar ninguna\n"
    "  --espera SEGUNDOS   cuánto esperar en total, en toda la corrida, a una base que otro proceso\n"
    "                      retiene (60; 0 es sin límite)\n"
    "\n"
    "Los pasos de cada conexión (--pasos):\n"
    "  1  elimina las checadas del rango (tabla transacciones, o checadas si no la hay)\n"
    "  2  recrea los índices de las checadas\n"
    "  3  elimina las asistencias y programaciones del rango (kardex)\n"
    "  4  recrea los índices del kardex\n"
    "  5  elimina los registros de bitácora del rango\n"
    "  6  recrea los índices de la bitácora\n"
    "  7  libera espacio en la base (DBCC SHRINKDATABASE)\n"
    "  8  actualiza las cifras de uso de la base (DBCC UPDATEUSAGE)\n"
    "\n"
    "En SQL Server el inicio de sesión de la conexión necesita permiso para: crear y borrar una base\n"
    "(orvalo_temp), TRUNCATE TABLE y SET IDENTITY_INSERT en las tablas depuradas, desactivar y activar\n"
    "los disparadores de esas tablas (ALTER TABLE), los comandos DBCC (DBREINDEX, SHRINKDATABASE,\n"
    "UPDATEUSAGE, CHECKIDENT) y sp_getapplock en master. Basta con el rol dbcreator del servidor y\n"
    "db_owner en la base de Orvalo.\n"
    "\n"
    "Salida: 0 todo terminó bien; 1 algún paso falló o no corrió; 2 argumentos o arranque rechazado.\n";

int Corre(const std::vector<std::string>& argumentos, EntornoConsola& entorno) {
    const auto leidas = LeeOpciones(argumentos);
    if (const auto* error = std::get_if<std::string>(&leidas)) {
        entorno.errores << *error << "\nUse --ayuda para ver las opciones.\n";
        return 2;
    }
    const Opciones& o = std::get<Opciones>(leidas);
    switch (o.orden) {
    case Opciones::Orden::Version:
        entorno.salida << kTituloAplicacion << " " << TextoVersion() << "\n";
        return 0;
    case Opciones::Orden::Ayuda:
        entorno.salida << kAyuda;
        return 0;
    case Opciones::Orden::Conexiones:
    case Opciones::Orden::Depurar:
    case Opciones::Orden::Temporal:
    case Opciones::Orden::Reponer:
    case Opciones::Orden::DescartarTemporal:
    case Opciones::Orden::RestaurarArchivo:
        break;
    case Opciones::Orden::Ninguna:
        return 2;
    }
    const auto registro = RegistroDeLaPlataforma(o.registro, entorno.carpetaPrograma);
    if (const auto* archivo = dynamic_cast<const ArchivoReg*>(registro.get())) {
        const auto error =
            archivo->Archivo().empty()
                ? std::optional<std::string>("No se encontró el archivo de conexiones: use "
                                             "--registro ARCHIVO o la variable OVNALVORA_REGISTRO.")
                : RevisaArchivoReg(archivo->Archivo());
        if (error) {
            entorno.errores << *error << '\n';
            return 2;
        }
    }
    if (o.orden == Opciones::Orden::Conexiones) {
        return ComandoConexiones(*registro, entorno);
    }
    if (o.orden == Opciones::Orden::Depurar) {
        return ComandoDepurar(o, *registro, entorno);
    }
    if (o.orden == Opciones::Orden::RestaurarArchivo) {
        return ComandoRestaurarArchivo(o, *registro, entorno);
    }
    return ComandoTemporal(o, *registro, entorno);
}

} // namespace

int CorreLineaComandos(const std::vector<std::string>& argumentos, EntornoConsola& entorno) {
    // Nada escapa sin aviso: una falla que nadie previó termina con su texto y el código 1.
    try {
        return Corre(argumentos, entorno);
    } catch (const std::exception& e) {
        entorno.errores << "Error inesperado: " << e.what()
                        << "\nLa operación no terminó. Revise la bitácora y la base temporal orvalo_temp.\n";
    } catch (...) {
        entorno.errores << "Error inesperado de origen desconocido."
                        << "\nLa operación no terminó. Revise la bitácora y la base temporal orvalo_temp.\n";
    }
    return 1;
}

} // namespace ov
