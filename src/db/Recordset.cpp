#include "db/Conexion.h"

#include <algorithm>
#include <cctype>

namespace ov::db {

namespace {
bool IgualSinMayusculas(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}
} // namespace

int Recordset::Indice(std::string_view nombre) const {
    for (size_t i = 0; i < Campos.size(); ++i) {
        if (IgualSinMayusculas(Campos[i].Name, nombre)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const Campo& Recordset::CampoLlamado(std::string_view nombre) const {
    const int i = Indice(nombre);
    if (i < 0) {
        throw ErrorBD(3265, "[ovNalvora]", "No se encontró el campo " + std::string(nombre) + ".");
    }
    return Campos[static_cast<size_t>(i)];
}

const Valor& Recordset::Primero(std::string_view nombre) const {
    const int i = Indice(nombre);
    if (i < 0) {
        throw ErrorBD(3265, "[ovNalvora]", "No se encontró el campo " + std::string(nombre) + ".");
    }
    if (Filas.empty()) {
        throw ErrorBD(3021, "[ovNalvora]", "El resultado no tiene filas.");
    }
    return Filas.front()[static_cast<size_t>(i)];
}

long long Resultado::UltimaCuenta() const {
    for (auto it = FilasAfectadas.rbegin(); it != FilasAfectadas.rend(); ++it) {
        if (*it >= 0) {
            return *it;
        }
    }
    return -1;
}

std::vector<Campo> Sesion::Recorre(const std::string& sql, const RecibeFila& fila) {
    Resultado r = Execute(sql);
    if (!r.Registros) {
        return {};
    }
    for (const auto& f : r.Registros->Filas) {
        fila(f);
    }
    return r.Registros->Campos;
}

} // namespace ov::db
