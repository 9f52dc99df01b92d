#pragma once

#include "log/Reloj.h"

#include <filesystem>
#include <string>

namespace ov {

inline constexpr std::uintmax_t kLimiteLog = 512000;
inline constexpr const char* kMensajeLogCorrecto = "Escritura en texto realizada correctamente.";
inline const std::string kBannerInicio = std::string(71, '*') + "\\";
inline const std::string kBannerFin = std::string(71, '*') + "/";

// Agrega una línea al archivo de bitácora. Nunca lanza: el resultado y Mensaje dicen si se escribió.
bool EscribeLog(const std::filesystem::path& Ruta, const std::string& Texto, bool Reiniciar, bool SoloCrear,
                bool Rotar, std::string& Mensaje, const Reloj& reloj = RelojDelSistema());

// La carpeta Log del programa, el título y la extensión: de aquí sale cada archivo mensual.
std::filesystem::path RutaLogDe(const std::filesystem::path& carpetaPrograma);

// "yyyy-MM-dd HH:mm", TAB, texto.
std::string LineaConHora(const Reloj& reloj, const std::string& texto);

// Como llama el sistema: rotando, y sin mirar el resultado.
class Bitacora {
public:
    Bitacora(std::filesystem::path ruta, const Reloj& reloj) : ruta_(std::move(ruta)), reloj_(reloj) {}
    void Linea(const std::string& texto) const;   // con fecha y hora
    void SinHora(const std::string& texto) const; // los banners
    const std::filesystem::path& Ruta() const { return ruta_; }
    const Reloj& reloj() const { return reloj_; }

private:
    std::filesystem::path ruta_;
    const Reloj& reloj_;
};

} // namespace ov
