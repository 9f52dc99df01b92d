#include "connections/Registry1.h"

namespace ov {

namespace {
constexpr std::int32_t kErrorManejadorInvalido = 6; // ERROR_INVALID_HANDLE: la clave no se abrió
} // namespace

Consulta ConsultaValor(ClaveRegistro* clave, const std::string& nombre) {
    Consulta c;
    if (clave == nullptr) {
        c.Estado = kErrorManejadorInvalido;
        return c;
    }
    std::uint32_t tipo = 0;
    std::uint32_t bytes = 0;
    c.Estado = clave->ConsultaTipo(nombre, tipo, bytes);
    if (c.Estado != 0) {
        return c;
    }
    if (tipo == kRegSz) {
        std::vector<unsigned char> datos(bytes, 0);
        c.Estado = clave->ConsultaDatos(nombre, datos);
        if (c.Estado != 0) {
            c.Valor = std::monostate{};
            return c;
        }
        // Se quita el NUL guardado con el texto; si se guardó sin él, el texto acaba en su cuenta de bytes.
        std::string texto(datos.begin(), datos.end());
        if (!texto.empty() && texto.back() == '\0') {
            texto.pop_back();
        }
        c.Valor = std::move(texto);
    } else if (tipo == kRegDword) {
        std::vector<unsigned char> datos(4, 0);
        c.Estado = clave->ConsultaDatos(nombre, datos);
        if (c.Estado == 0) {
            std::uint32_t n = 0;
            for (std::size_t k = 0; k < datos.size() && k < 4; ++k) {
                n |= static_cast<std::uint32_t>(datos[k]) << (8 * k);
            }
            c.Valor = static_cast<std::int32_t>(n);
        }
    } else {
        c.Estado = -1;
    }
    return c;
}

bool ExisteValor(const Registro& registro, const std::string& ruta, const std::string& nombre) {
    const auto clave = registro.Abre(ruta);
    return ConsultaValor(clave.get(), nombre).Estado == 0;
}

ValorRegistro LeeValor(const Registro& registro, const std::string& ruta, const std::string& nombre) {
    const auto clave = registro.Abre(ruta);
    Consulta c = ConsultaValor(clave.get(), nombre);
    return c.Estado == 0 ? std::move(c.Valor) : ValorRegistro{};
}

} // namespace ov
