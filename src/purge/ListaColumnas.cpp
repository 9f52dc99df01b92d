#include "purge/ListaColumnas.h"

namespace ov {

std::string ListaColumnas(ModNalvora& modulo, const DialectoDepuracion& dialecto, const std::string& tabla,
                          const std::string& conexion) {
    if (modulo.AbreConexion(conexion) != 0) {
        return {};
    }
    return ColumnasDe(modulo.cnBD(), dialecto, tabla);
}

std::string ColumnasDe(db::Sesion& cn, const DialectoDepuracion& dialecto, const std::string& tabla) {
    std::string lista;
    const auto r = cn.Execute(dialecto.ConsultaColumnas(tabla));
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
