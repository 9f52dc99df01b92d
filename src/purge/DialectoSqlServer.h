#pragma once

#include "purge/Dialecto.h"

namespace ov {

// SQL Server: las sentencias del producto, más lo que hace falta alrededor para no perder filas.
class DialectoSqlServer final : public DialectoDepuracion {
public:
    std::optional<std::vector<std::string>> TablasTemporal(db::Sesion& cn) override;
    void BorraTemporal(db::Sesion& cn) override;
    void UneTemporal(db::Sesion&) override {}
    std::string NombreTemporal(const std::string& tabla) const override { return "orvalo_temp.dbo." + tabla; }
    long long CuentaTemporal(db::Sesion& cn, const std::string& tabla) override;
    std::string Servidor(db::Sesion& cn) override;
    std::string Base(db::Sesion& cn) override;

    std::string GuionDepuracion(db::Sesion& cn, const TablaDatos& t, const Rango& r,
                                const SentenciaTarea& reposicion) override;
    std::string GuionCreaTemporal(db::Sesion& cn, const Origen& origen) override;
    std::string GuionBorraTemporal(db::Sesion& cn) override;
    // DELETE registra en el diario las filas que salen; copiar y reponer, las que quedan (SELECT INTO y
    // TRUNCATE apenas registran): gana el que mueve menos filas, con índice o sin él.
    double UmbralBorrado(bool) const override { return 0.5; }
    bool FechaConIndice(db::Sesion& cn, const TablaDatos& t, const Rango& r) override;
    bool EsReferenciada(db::Sesion& cn, const std::string& tabla) override;
    // Las reposiciones de kardex y bitacora no llevan lista de columnas: no admiten identidad; la de
    // transacciones la enciende, así que la pide.
    bool CopiaAdmiteIdentidad(const std::string& tabla, bool identidad) const override;
    std::string GuionBorrado(db::Sesion& cn, const TablaDatos& t, const Rango& r) override;

    bool HayTransacciones(db::Sesion& cn) override;
    std::string ConsultaColumnas(const std::string& tabla) const override;
    std::string NombreParaColumnas(const std::string& tabla) const override { return "dbo." + tabla; }

    SentenciaTarea Sentencia(db::Sesion& cn, const std::string& clave, const std::string& columnas,
                             const std::string& base) override;
    long long Ejecuta(db::Sesion& cn, const SentenciaTarea& s) override;

    std::vector<Disparador> LeeDisparadores(db::Sesion& cn, const std::string& tabla) override;
    void ApagaDisparadores(db::Sesion& cn, const std::string& tabla,
                           const std::vector<Disparador>& antes) override;
    void DejaDisparadores(db::Sesion& cn, const std::string& tabla,
                          const std::vector<Disparador>& antes) override;

    long long CuentaFilas(db::Sesion& cn, const std::string& tabla) override;
    long long CuentaConservadas(db::Sesion& cn, const TablaDatos& t, const Rango& r) override;
    long long CuentaEliminables(db::Sesion& cn, const TablaDatos& t, const Rango& r) override;
    long long CuentaConservadasHasta(db::Sesion& cn, const TablaDatos& t, const Rango& r,
                                     long long tope) override;

protected:
    long long Comienza(db::Sesion& cn, const std::string& tabla) override;
    std::optional<Identidad> LeeIdentidad(db::Sesion& cn, const std::string& tabla) override;
    std::string Copia(const TablaDatos& t, const Rango& r) const override;
    std::string Vacia(const std::string& tabla) const override;
    std::string Borra(const TablaDatos& t, const Rango& r) const override;
    void Resiembra(db::Sesion& cn, const std::string& tabla, const Identidad& id) override;
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

private:
    bool TieneIdentidad(db::Sesion& cn, const std::string& tabla);
    std::string GuionDisparadores(db::Sesion& cn, const std::string& tabla, bool apaga);
};

// Los textos, sueltos para poder compararlos letra por letra.
namespace sqlserver {
inline constexpr const char* kCreaTemporal = "CREATE DATABASE orvalo_temp ";
inline constexpr const char* kBorraTemporal = "Drop Database orvalo_temp ";
inline constexpr const char* kExisteTemporal = "select db_id('orvalo_temp') as id";
inline constexpr const char* kTablasTemporal = "select name from orvalo_temp.sys.tables order by name";
// XACT_ABORT: cualquier error condena la transacción entera, no solo la sentencia que falló.
inline constexpr const char* kAbortaEnError = "SET XACT_ABORT ON";
inline constexpr const char* kComienza = "BEGIN TRANSACTION";
inline constexpr const char* kTransaccionesAbiertas = "select @@trancount as abiertas";
inline constexpr const char* kConfirma = "COMMIT TRANSACTION";
inline constexpr const char* kDeshaz = "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION";
std::string Copia(const TablaDatos& t, const Rango& r);
std::string Vacia(const std::string& tabla);
std::string Bloquea(const std::string& tabla);
std::string LeeDisparadores(const std::string& tabla);
std::string CambiaDisparador(const std::string& tabla, const std::string& nombre, bool habilita);
std::string LeeIdentidad(const std::string& tabla);
std::string CuentaFilas(const std::string& tabla);
std::string CuentaTemporal(const std::string& tabla);
std::string Resiembra(const std::string& tabla, long long valor);
std::string BorraTablaTemporal(const std::string& tabla);
std::string IdentidadInsert(const std::string& tabla, bool encendido);
std::string LiteralN(const std::string& texto); // N'...' con las comillas duplicadas
std::string SentenciaDeClave(const std::string& clave, const std::string& columnas, const std::string& base);
// El valor de RESEED justo después de TRUNCATE: la primera fila lo toma tal cual.
long long SiembraTrasVaciar(const Identidad& id);
// Si el contador quedó en valores ya emitidos, según el sentido en que cuenta.
bool Retrocedio(long long actual, const Identidad& anterior);
} // namespace sqlserver

} // namespace ov
