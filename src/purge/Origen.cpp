#include "purge/Origen.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace ov {

std::vector<std::string> CamposOrigen(const Origen& o) {
    return {o.Conexion, o.Servidor, o.Base, o.Maquina, o.Inicio, o.Desde, o.Hasta};
}

std::string DescribeOrigen(const std::optional<Origen>& o) {
    if (!o) {
        return "de origen desconocido (sin la tabla " + std::string(kTablaOrigen) + ")";
    }
    return "de la conexión " + o->Conexion + " (base " + o->Base + ", servidor " + o->Servidor + ", equipo " +
           o->Maquina + ", iniciada el " + o->Inicio + ", rango del " + o->Desde + " al " + o->Hasta + ")";
}

std::string NombreEquipo() {
#ifdef _WIN32
    wchar_t nombre[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD largo = MAX_COMPUTERNAME_LENGTH + 1;
    if (GetComputerNameW(nombre, &largo)) {
        std::string ascii;
        for (DWORD i = 0; i < largo; ++i) {
            ascii += nombre[i] < 128 ? static_cast<char>(nombre[i]) : '?';
        }
        return ascii;
    }
    return "desconocido";
#else
    char nombre[256] = {};
    if (gethostname(nombre, sizeof nombre - 1) == 0) {
        return nombre;
    }
    return "desconocido";
#endif
}

} // namespace ov
