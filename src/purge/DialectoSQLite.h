#pragma once

#include "purge/Dialecto.h"

#include <filesystem>
#include <utility>

namespace ov {

// SQLite: orvalo_temp es el archivo orvalo_temp.db junto a la base, unido como orvalo_temp;
// el driver ejecuta una sentencia por llamada.
class DialectoSQLite final : public DialectoDepuracion {
public:
    std::optional<std::vector<std::string>> TablasTemporal(db::Conexion& cn) override;
    void CreaVacia(db::Conexion& cn) override;
    void BorraTemporal(db::Conexion& cn) override;
    void UneTemporal(db::Conexion& cn) override;

    Respaldo RespaldaYVacia(db::Conexion& cn, const TablaDatos& t, const Rango& r) override;
    std::vector<std::string> SentenciasRespaldo(const TablaDatos& t, const Rango& r) const override;
    void BorraTablaTemporal(db::Conexion& cn, const std::string& tabla) override;

    std::string ConsultaColumnas(const std::string& tabla) const override;
    std::string NombreParaColumnas(const std::string& tabla) const override { return tabla; }

    SentenciaTarea Sentencia(db::Conexion& cn, const std::string& clave, const std::string& columnas,
                             const std::string& base) override;
    long long Ejecuta(db::Conexion& cn, const SentenciaTarea& s) override;

    void HabilitaDisparadores(db::Conexion& cn) override;
    bool DisparadoresHabilitados(db::Conexion& cn) override;
    void RevisaIdentidad(db::Conexion& cn, const std::string& tabla, long long anterior) override;

    long long CuentaFilas(db::Conexion& cn, const std::string& tabla) override;
    long long CuentaConservadas(db::Conexion& cn, const TablaDatos& t, const Rango& r) override;

    // El archivo de orvalo_temp para la base abierta en cn.
    static std::filesystem::path ArchivoTemporal(db::Conexion& cn);

private:
    // Disparadores de kardex leídos al armar su sentencia: nombre y texto para recrearlos.
    std::vector<std::pair<std::string, std::string>> disparadores_;
};

} // namespace ov
