#pragma once

#include "connections/Registro.h"

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace ov {

// Registro leído de un archivo .reg (REGEDIT4 o versión 5.00). Se lee una vez por apertura de
// clave, así un cambio del archivo se ve en la siguiente lectura, como en el registro de verdad;
// Instantanea lo lee una vez para toda una búsqueda.
class ArchivoReg final : public Registro {
public:
    explicit ArchivoReg(std::filesystem::path archivo);
    std::unique_ptr<ClaveRegistro> Abre(const std::string& ruta) const override;
    std::unique_ptr<Registro> Instantanea() const override;
    std::string Ubicacion() const override;
    const std::filesystem::path& Archivo() const { return archivo_; }

private:
    std::filesystem::path archivo_;
};

// Un registro exportado mide unos kilobytes; uno mayor no se lee.
inline constexpr std::uintmax_t kTopeArchivoReg = 16u * 1024u * 1024u;

// Por qué no se puede usar el archivo como almacén de conexiones (no existe, no es un archivo
// regular, pasa del tope o no se deja leer); nada si se puede.
std::optional<std::string> RevisaArchivoReg(const std::filesystem::path& archivo);

// Dónde buscar el archivo: --registro, OVNALVORA_REGISTRO, orvalo.reg junto al programa,
// /etc/orvalo/orvalo.reg. Devuelve la primera opción que se dio o que existe.
std::filesystem::path UbicaArchivoReg(const std::string& opcion,
                                      const std::filesystem::path& carpetaPrograma);

// El registro de la plataforma: Windows en Windows, el archivo .reg en otro caso.
std::unique_ptr<Registro> RegistroDeLaPlataforma(const std::string& opcion,
                                                 const std::filesystem::path& carpetaPrograma);

} // namespace ov
