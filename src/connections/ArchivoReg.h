#pragma once

#include "connections/Registro.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace ov {

// Registro leído de un archivo .reg (REGEDIT4 o versión 5.00). Se lee una vez por apertura de
// clave, así un cambio del archivo se ve en la siguiente lectura, como en el registro de verdad.
class ArchivoReg final : public Registro {
public:
    explicit ArchivoReg(std::filesystem::path archivo);
    std::unique_ptr<ClaveRegistro> Abre(const std::string& ruta) const override;
    const std::filesystem::path& Archivo() const { return archivo_; }

private:
    std::filesystem::path archivo_;
};

// Dónde buscar el archivo: --registro, OVNALVORA_REGISTRO, orvalo.reg junto al programa,
// /etc/orvalo/orvalo.reg. Devuelve la primera opción que se dio o que existe.
std::filesystem::path UbicaArchivoReg(const std::string& opcion, const std::filesystem::path& carpetaPrograma);

// El registro de la plataforma: Windows en Windows, el archivo .reg en otro caso.
std::unique_ptr<Registro> RegistroDeLaPlataforma(const std::string& opcion,
                                                 const std::filesystem::path& carpetaPrograma);

} // namespace ov
