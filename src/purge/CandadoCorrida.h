#pragma once

#include "connections/modNalvora.h"
#include "purge/Dialecto.h"

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ov {

// Una sola corrida a la vez por servidor (SQL Server) o por carpeta (SQLite), porque ahí vive una sola
// orvalo_temp. El candado dura lo que la corrida y ni un momento más: si el proceso muere, el sistema
// lo suelta con él.
class CandadoCorrida {
public:
    CandadoCorrida();
    ~CandadoCorrida();
    CandadoCorrida(const CandadoCorrida&) = delete;
    CandadoCorrida& operator=(const CandadoCorrida&) = delete;

    // Toma el candado del lugar de la conexión abierta en cnBD con ese nombre. En SQL Server el
    // candado se queda con esa sesión y cnBD se vuelve a abrir en la misma conexión (queda cerrada si
    // ya no abre). Devuelve el rechazo si otra corrida lo tiene.
    std::optional<std::string> Toma(ModNalvora& modulo, DialectoDepuracion& dialecto,
                                    const std::string& conexion, const std::string& quien);
    void Suelta() noexcept;

    // Lo que sostiene un candado: un archivo bloqueado o una sesión del servidor.
    class Tenido {
    public:
        virtual ~Tenido() = default;
    };

private:
    std::set<std::string> lugares_;
    std::vector<std::unique_ptr<Tenido>> tenidos_;
};

// El recurso de sp_getapplock y el archivo del candado junto a orvalo_temp.db.
inline constexpr const char* kRecursoCandado = "ovNalvora orvalo_temp";
inline constexpr const char* kArchivoCandado = "orvalo_temp.candado";
std::string SentenciaTomaCandado();
std::string SentenciaSueltaCandado();
// Lo que significa el resultado de sp_getapplock: nullopt si lo concedió (0 o 1); si no, el rechazo.
// Solo -1 (se agotó la espera) es otra depuración en curso.
std::optional<std::string> RechazoDelCandado(const db::Valor& resultado, const std::string& servidor);

} // namespace ov
