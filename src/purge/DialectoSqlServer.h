#pragma once

#include "purge/Dialecto.h"

namespace ov {

// SQL Server: los textos del programa original, más lo que hace falta alrededor para no perder filas.
class DialectoSqlServer final : public DialectoDepuracion {
public:
    std::optional<std::vector<std::string>> TablasTemporal(db::Conexion& cn) override;
    void CreaVacia(db::Conexion& cn) override;
    void BorraTemporal(db::Conexion& cn) override;
    void UneTemporal(db::Conexion&) override {}

    Respaldo RespaldaYVacia(db::Conexion& cn, const TablaDatos& t, const Rango& r) override;
    std::vector<std::string> SentenciasRespaldo(const TablaDatos& t, const Rango& r) const override;
    void BorraTablaTemporal(db::Conexion& cn, const std::string& tabla) override;

    std::string ConsultaColumnas(const std::string& tabla) const override;
    std::string NombreParaColumnas(const std::string& tabla) const override { return "dbo." + tabla; }

    SentenciaTarea Sentencia(db::Conexion& cn, const std::string& clave, const std::string& columnas,
                             const std::string& base) override;
    long long Ejecuta(db::Conexion& cn, const SentenciaTarea& s) override;

    void HabilitaDisparadores(db::Conexion& cn) override;
    bool DisparadoresHabilitados(db::Conexion& cn) override;
    void RevisaIdentidad(db::Conexion& cn, const std::string& tabla, long long anterior) override;

    long long CuentaFilas(db::Conexion& cn, const std::string& tabla) override;
    long long CuentaConservadas(db::Conexion& cn, const TablaDatos& t, const Rango& r) override;
};

// Los textos, sueltos para poder compararlos letra por letra.
namespace sqlserver {
inline constexpr const char* kCreaTemporal = "CREATE DATABASE orvalo_temp ";
inline constexpr const char* kBorraTemporal = "Drop Database orvalo_temp ";
inline constexpr const char* kExisteTemporal = "select db_id('orvalo_temp') as id";
inline constexpr const char* kTablasTemporal = "select name from orvalo_temp.sys.tables order by name";
inline constexpr const char* kHabilitaDisparadores = "alter table kardex enable trigger all";
inline constexpr const char* kDisparadoresDeshabilitados =
    "select count(*) as deshabilitados from sys.triggers where parent_id = object_id('dbo.kardex') and "
    "is_disabled = 1";
std::string Copia(const TablaDatos& t, const Rango& r);
std::string Vacia(const TablaDatos& t);
std::string Bloquea(const TablaDatos& t);
std::string LeeIdentidad(const std::string& tabla);
std::string CuentaTemporal(const std::string& tabla);
std::string Resiembra(const std::string& tabla, long long valor);
std::string BorraTablaTemporal(const std::string& tabla);
std::string SentenciaDeClave(const std::string& clave, const std::string& columnas, const std::string& base);
} // namespace sqlserver

} // namespace ov
