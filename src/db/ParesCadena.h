#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ov::db {

// Una pareja clave=valor de una cadena de conexión; la clave en minúsculas y con un solo blanco
// entre palabras, el valor ya sin comillas ni llaves.
struct Par {
    std::string Clave;
    std::string Valor;
};

using Pares = std::vector<Par>;

// Lectura al estilo OLE DB: valores entre '...' o "..." con la comilla doblada dentro.
// Lanza ErrorBD si está mal formada; el mensaje nunca lleva la cadena.
Pares ParesOleDb(std::string_view cadena);

// Lectura al estilo ODBC: valores entre {...} con la llave de cierre doblada dentro. Lanza ErrorBD.
Pares ParesOdbc(std::string_view cadena);

// El valor de la última aparición de la clave (ya normalizada), si está.
std::optional<std::string> Busca(const Pares& pares, std::string_view clave);

// El error de una cadena que no se puede usar, con una razón en español y sin la cadena.
[[noreturn]] void CadenaInvalida(const std::string& razon);

} // namespace ov::db
