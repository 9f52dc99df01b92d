#include "connections/Registro.h"

namespace ov {

std::string TextoDe(const ValorRegistro& v) {
    if (const auto* t = std::get_if<std::string>(&v)) {
        return *t;
    }
    if (const auto* n = std::get_if<std::int32_t>(&v)) {
        return std::to_string(*n);
    }
    return {};
}

} // namespace ov
