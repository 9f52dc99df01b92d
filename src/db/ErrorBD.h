#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace ov::db {

// El único tipo de error del acceso a datos: número nativo, fuente entre corchetes y descripción.
class ErrorBD : public std::runtime_error {
public:
    ErrorBD(std::int32_t numero, std::string fuente, std::string descripcion, std::string estado = {})
        : std::runtime_error(descripcion), Numero(numero), Fuente(std::move(fuente)),
          Descripcion(std::move(descripcion)), Estado(std::move(estado)) {}

    std::int32_t Numero;
    std::string Fuente;      // p. ej. "[FreeTDS][SQL Server]"
    std::string Descripcion; // el mensaje sin ese prefijo
    std::string Estado;      // SQLSTATE
};

} // namespace ov::db
