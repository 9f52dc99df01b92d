#include "db/SqlServer.h"

#include <algorithm>
#include <cctype>

namespace ov::db {

namespace {
bool IgualesSinMayusculas(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}
} // namespace

std::string BaseActualSqlServer(const Ejecutor& ejecuta) {
    const Resultado r = ejecuta("SELECT DB_NAME()");
    if (r.Registros && !r.Registros->Filas.empty() && !r.Registros->Filas.front().empty() &&
        r.Registros->Filas.front().front()) {
        return *r.Registros->Filas.front().front();
    }
    return {};
}

void PreparaSqlServer(const Ejecutor& ejecuta, const std::string& baseEsperada) {
    // FreeTDS manda { d '...'} como texto: con un inicio de sesión en español se leería día-mes.
    // Con NOCOUNT encendido en las opciones del servidor ninguna sentencia informaría sus filas,
    // y la cuenta de cada reinserción saldría en cero.
    ejecuta(kPreparaSesion);
    if (baseEsperada.empty()) {
        return;
    }
    // FreeTDS calla las claves que no conoce: nunca depurar la base por omisión del inicio de sesión.
    const std::string actual = BaseActualSqlServer(ejecuta);
    if (!IgualesSinMayusculas(actual, baseEsperada)) {
        throw ErrorBD(4060, "[ovNalvora]",
                      "La conexión quedó en la base de datos \"" + actual + "\" y no en \"" + baseEsperada +
                          "\", que es la que pide la conexión.",
                      "08004");
    }
}

} // namespace ov::db
