#include "purge/ListaColumnas.h"

namespace ov {

std::string ListaColumnas(ModNalvora& modulo, const DialectoDepuracion& dialecto, const std::string& tabla,
                          const std::string& conexion) {
    std::string lista;
    if (modulo.AbreConexion(conexion) != 0) {
        return lista;
    }
    const auto r = modulo.cnBD().Execute(dialecto.ConsultaColumnas(tabla));
    if (!r.Registros) {
        return lista;
    }
    const auto& campos = r.Registros->Campos;
    for (size_t i = 0; i < campos.size(); ++i) {
        lista += EntreCorchetes(campos[i].Name);
        if (i + 1 < campos.size()) {
            lista += ",";
        }
    }
    return lista;
}

} // namespace ov
