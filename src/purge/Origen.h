#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ov {

// De dónde salió una orvalo_temp: lo escribe la corrida que la crea, en la tabla kTablaOrigen.
struct Origen {
    std::string Conexion;
    std::string Servidor; // el servidor de SQL Server, o la carpeta de la base SQLite
    std::string Base;
    std::string Maquina;
    std::string Inicio; // yyyy-MM-dd HH:mm
    std::string Desde;  // yyyy-MM-dd
    std::string Hasta;
};

inline constexpr const char* kTablaOrigen = "ovnalvora_origen";

// Columnas de la tabla del origen, en su orden.
std::vector<std::string> CamposOrigen(const Origen& o);
inline constexpr const char* kColumnasOrigen = "conexion, servidor, base, maquina, inicio, desde, hasta";

// "la conexión Planta Sur (base ..., servidor ..., equipo ..., iniciada ..., del ... al ...)",
// o "origen desconocido" si no hay origen.
std::string DescribeOrigen(const std::optional<Origen>& o);

// El nombre de esta máquina.
std::string NombreEquipo();

} // namespace ov
