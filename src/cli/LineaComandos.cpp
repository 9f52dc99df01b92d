#include "cli/LineaComandos.h"

#include "log/Reloj.h"
#include "log/Version.h"

#include <ostream>

namespace ov {

namespace {

const char* const kAyuda =
    "Uso:\n"
    "  ovnalvora                      abre la ventana\n"
    "  ovnalvora [--registro ARCHIVO] --conexiones\n"
    "  ovnalvora [--registro ARCHIVO] --depurar --conexion NOMBRE [--conexion NOMBRE ...]\n"
    "            --desde AAAA-MM-DD --hasta AAAA-MM-DD [--pasos N[,N...]] [--simular] [--si]\n"
    "  ovnalvora --version | --ayuda\n"
    "\n"
    "  --registro ARCHIVO  archivo .reg con las conexiones de Orvalo\n"
    "  --conexiones        lista las conexiones con su tamaño y sus fechas\n"
    "  --depurar           elimina las checadas, el kardex y la bitácora del rango de fechas\n"
    "  --pasos N,N         pasos de cada conexión, del 1 al 8 (todos si se omite)\n"
    "  --simular           muestra lo que se eliminaría y las sentencias, sin cambiar nada\n"
    "  --si                responde Sí a las dos preguntas\n";

} // namespace

int CorreLineaComandos(const std::vector<std::string>& argumentos, EntornoConsola& entorno) {
    if (argumentos.size() == 1 && argumentos[0] == "--version") {
        entorno.salida << kTituloAplicacion << " " << TextoVersion() << "\n";
        return 0;
    }
    if (argumentos.size() == 1 && (argumentos[0] == "--ayuda" || argumentos[0] == "--help")) {
        entorno.salida << kAyuda;
        return 0;
    }
    entorno.errores << "Opción no reconocida: " << (argumentos.empty() ? std::string() : argumentos[0])
                    << "\nUse --ayuda para ver las opciones.\n";
    return 2;
}

} // namespace ov
