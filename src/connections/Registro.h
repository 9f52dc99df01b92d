#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace ov {

// Tipos del registro de Windows que importan aquí.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

inline constexpr std::int32_t kErrorArchivoNoEncontrado = 2; // ERROR_FILE_NOT_FOUND

// Un valor leído: vacío, texto (REG_SZ) o número (REG_DWORD).
using ValorRegistro = std::variant<std::monostate, std::string, std::int32_t>;

// Texto de un valor leído: vacío da "", un número su texto decimal.
std::string TextoDe(const ValorRegistro& v);

// Una clave abierta de HKEY_LOCAL_MACHINE, de solo lectura.
class ClaveRegistro {
public:
    virtual ~ClaveRegistro() = default;
    // Primera consulta: tipo y tamaño en bytes; devuelve 0 o el código de error del registro.
    virtual std::int32_t ConsultaTipo(const std::string& nombre, std::uint32_t& tipo,
                                      std::uint32_t& bytes) = 0;
    // Segunda consulta: los bytes del valor.
    virtual std::int32_t ConsultaDatos(const std::string& nombre, std::vector<unsigned char>& datos) = 0;
};

// El registro, de solo lectura: en Windows el de verdad; fuera, un archivo .reg exportado.
class Registro {
public:
    virtual ~Registro() = default;
    // Abre la ruta bajo HKEY_LOCAL_MACHINE; nullptr si no se pudo (la consulta fallará después).
    virtual std::unique_ptr<ClaveRegistro> Abre(const std::string& ruta) const = 0;
    // El almacén leído una sola vez, para una búsqueda o un recorrido que abre muchas claves.
    // El registro de Windows se consulta valor por valor: se usa él mismo.
    virtual std::unique_ptr<Registro> Instantanea() const;
    // Dónde se buscan las conexiones, para decirlo cuando no hay ninguna.
    virtual std::string Ubicacion() const { return "el registro"; }
};

} // namespace ov
