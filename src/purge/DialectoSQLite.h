#pragma once

#include "purge/Dialecto.h"

#include <filesystem>

namespace ov {

// sqlite3 y la biblioteca de SQLite no entienden { d '...'}, que el driver ODBC traduce: literales de texto.
std::string SinEscapesDeFecha(std::string sql);

// SQLite: orvalo_temp es el archivo orvalo_temp.db junto a la base, unido como orvalo_temp;
// el driver ejecuta una sentencia por llamada.
class DialectoSQLite final : public DialectoDepuracion {
public:
    std::optional<std::vector<std::string>> TablasTemporal(db::Sesion& cn) override;
    void BorraTemporal(db::Sesion& cn) override;
    void UneTemporal(db::Sesion& cn) override;
    std::string NombreTemporal(const std::string& tabla) const override { return "orvalo_temp." + tabla; }
    long long CuentaTemporal(db::Sesion& cn, const std::string& tabla) override;
    std::string Servidor(db::Sesion& cn) override;
    std::string Base(db::Sesion& cn) override;

    std::string GuionDepuracion(db::Sesion& cn, const TablaDatos& t, const Rango& r,
                                const SentenciaTarea& reposicion) override;
    std::string GuionCreaTemporal(db::Sesion& cn, const Origen& origen) override;
    std::string GuionBorraTemporal(db::Sesion& cn) override;
    // Medido con un millón de checadas (bench/estrategias.sh), con la caché de la tarea: con índice de la
    // fecha borrar gana hasta cerca del 85 % de filas que salen; con solo (empleado, fechayhora), hasta
    // cerca del 70 %.
    double UmbralBorrado(bool conIndice) const override { return conIndice ? 0.85 : 0.70; }
    bool FechaConIndice(db::Sesion& cn, const TablaDatos& t, const Rango& r) override;
    long long EstimaSalen(db::Sesion& cn, const TablaDatos& t, const Rango& r, long long antes) override;
    bool EsReferenciada(db::Sesion& cn, const std::string& tabla) override;
    std::string GuionBorrado(db::Sesion& cn, const TablaDatos& t, const Rango& r) override;

    bool HayTransacciones(db::Sesion& cn) override;
    std::string ConsultaColumnas(const std::string& tabla) const override;
    std::string NombreParaColumnas(const std::string& tabla) const override { return tabla; }

    SentenciaTarea Sentencia(db::Sesion& cn, const std::string& clave, const std::string& columnas,
                             const std::string& base) override;
    long long Ejecuta(db::Sesion& cn, const SentenciaTarea& s) override;

    std::vector<Disparador> LeeDisparadores(db::Sesion& cn, const std::string& tabla) override;
    // SQLite no deshabilita disparadores: se quitan y se vuelven a crear dentro de la transacción.
    void ApagaDisparadores(db::Sesion& cn, const std::string& tabla,
                           const std::vector<Disparador>& antes) override;
    void DejaDisparadores(db::Sesion& cn, const std::string& tabla,
                          const std::vector<Disparador>& antes) override;

    long long CuentaFilas(db::Sesion& cn, const std::string& tabla) override;
    long long CuentaConservadas(db::Sesion& cn, const TablaDatos& t, const Rango& r) override;
    long long CuentaEliminables(db::Sesion& cn, const TablaDatos& t, const Rango& r) override;
    long long CuentaConservadasHasta(db::Sesion& cn, const TablaDatos& t, const Rango& r,
                                     long long tope) override;

    // El archivo de la base abierta en cn, y el de su orvalo_temp.
    static std::filesystem::path ArchivoBase(db::Sesion& cn);
    static std::filesystem::path ArchivoTemporal(db::Sesion& cn);

private:
    std::string GuionDisparadores(db::Sesion& cn, const std::string& tabla, bool quita);

protected:
    long long Comienza(db::Sesion& cn, const std::string& tabla) override;
    void PreparaEscritura(db::Sesion& cn, const std::string& tabla, const std::string& columna) override;
    std::optional<Identidad> LeeIdentidad(db::Sesion& cn, const std::string& tabla) override;
    std::string Copia(const TablaDatos& t, const Rango& r) const override;
    std::string Vacia(const std::string& tabla) const override;
    std::string Borra(const TablaDatos& t, const Rango& r) const override;
    void Resiembra(db::Sesion&, const std::string&, const Identidad&) override {}
    void RevisaIdentidad(db::Sesion& cn, const std::string& tabla, const Identidad& anterior) override;
    std::string BorraCopia(const std::string& tabla) const override;
    void Confirma(db::Sesion& cn) override;
    void Deshaz(db::Sesion& cn) noexcept override;
    void CreaVacia(db::Sesion& cn) override;
    void EscribeOrigen(db::Sesion& cn, const Origen& origen) override;
    SentenciaTarea Faltantes(db::Sesion& cn, const std::string& fuente, const std::string& tabla,
                             const std::string& columnas) override;
    long long CuentaFaltantes(db::Sesion& cn, const std::string& fuente, const std::string& tabla,
                              const std::string& columnas) override;
};

} // namespace ov
