#pragma once

#include "db/Conexion.h"
#include "log/Reloj.h"
#include "purge/Dialecto.h"
#include "purge/EscritorArchivo.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ov {

// El archivo de lo que una corrida quitó de una conexión: un archivo SQLite por conexión y corrida, con
// una tabla por tabla depurada (mismo nombre, columnas y tipos declarados) y dos tablas propias.
inline constexpr const char* kArchivoOrigen = "ovnalvora_origen"; // una fila: de dónde y cuándo
inline constexpr const char* kArchivoTablas = "ovnalvora_tablas"; // una fila por tabla archivada
inline constexpr const char* kColumnasArchivoOrigen =
    "conexion, servidor, base, desde, hasta, inicio, fin, version";
inline constexpr const char* kColumnasArchivoTablas = "tabla, filas, suma, estado";

// Estado de una tabla en el archivo. Pendiente: sus filas están guardadas y la depuración no había
// confirmado (si el proceso murió ahí, la tabla puede estar entera o depurada; reponer sirve igual).
inline constexpr const char* kEstadoPendiente = "pendiente";
inline constexpr const char* kEstadoDepurada = "depurada";
inline constexpr const char* kEstadoNoDepurada = "no depurada";

struct OrigenArchivo {
    std::string Conexion;
    std::string Servidor; // el servidor de SQL Server, o la carpeta de la base SQLite
    std::string Base;
    std::string Desde; // yyyy-MM-dd
    std::string Hasta;
    std::string Inicio; // yyyy-MM-dd HH:mm:ss
    std::string Fin;    // vacío mientras la corrida no termina
    std::string Version;
};

struct TablaArchivada {
    std::string Tabla;
    long long Filas = 0;
    std::string Suma;
    std::string Estado;
};

// "Planta Sur-20261206-100000.db": la conexión con solo letras, cifras, '-', '_' y '.', y el inicio.
std::string NombreArchivo(const std::string& conexion, FechaHora inicio);
std::string FormatoFechaHoraSegundos(FechaHora fh); // yyyy-MM-dd HH:mm:ss

// Suma de verificación de un conjunto de filas, sin importar su orden: la suma módulo 2^64 de la
// huella FNV-1a de 64 bits de cada fila (cada valor precedido de 1, o un 0 si es Null, y seguido de 255).
class SumaFilas {
public:
    void Agrega(const std::vector<db::Valor>& fila, std::size_t desde = 0); // los valores desde ahí
    std::string Texto() const;                                              // 16 cifras hexadecimales
    std::uint64_t Valor() const { return suma_; }

private:
    std::uint64_t suma_ = 0;
};

// Deja en disco el archivo y la entrada de su carpeta (fsync; FlushFileBuffers en Windows).
using Sincroniza = std::function<void(const std::filesystem::path&)>;
void SincronizaEnDisco(const std::filesystem::path& archivo);

// Crea el archivo vacío sin pisar uno existente; lanza db::ErrorBD si no puede.
void CreaArchivoNuevo(const std::filesystem::path& archivo);

// La ruta como la toma el driver de SQLite (separada con '/').
std::string RutaParaSQLite(const std::filesystem::path& archivo);

// La conexión ODBC a un archivo SQLite (lo abre con el driver de SQLite instalado). Lanza db::ErrorBD.
std::unique_ptr<db::Conexion> AbreArchivoSQLite(const std::filesystem::path& archivo);

// Un texto como literal de SQL: NULL, o entre comillas con las de adentro duplicadas; N'' si unicode.
std::string Literal(const db::Valor& v, bool unicode = false);
void AgregaLiteral(std::string& sql, const db::Valor& v, bool unicode = false);

// El párrafo que la segunda pregunta suma con una carpeta de archivo elegida; vacío sin ella.
std::string ParrafoArchivo(const std::string& carpeta);

// El archivo de una conexión en una corrida. Se crea con la primera tabla que guarda.
class ArchivoDepuracion final : public GuardaEliminadas {
public:
    ArchivoDepuracion(std::filesystem::path carpeta, OrigenArchivo origen, FechaHora inicio,
                      db::Dialecto dialecto, Sincroniza sincroniza = SincronizaEnDisco);
    ~ArchivoDepuracion() override;

    long long Guarda(db::Sesion& cn, const TablaDatos& t, const Rango& r) override;
    void Prepara(db::Sesion& cn) override;
    void Suelta(db::Sesion& cn) noexcept override;
    void Depurada(const std::string& tabla) noexcept override;
    void NoDepurada(const std::string& tabla) noexcept override;
    // Anota la hora de fin y cierra el archivo.
    void Termina(const std::string& fin) noexcept;

    // La ruta del archivo (vacía si aún no se crea).
    const std::filesystem::path& Ruta() const { return ruta_; }
    // Lo que no se pudo anotar tras confirmar o deshacer: la bitácora lo dice.
    std::vector<std::string> TomaAvisos();

private:
    void Abre();
    void Marca(const std::string& tabla, const char* estado) noexcept;
    void LlevaADisco();

    std::filesystem::path carpeta_;
    OrigenArchivo origen_;
    FechaHora inicio_;
    db::Dialecto dialecto_;
    Sincroniza sincroniza_;
    std::filesystem::path ruta_;
    std::unique_ptr<EscritorArchivo> es_;
    long long CopiaDeWal(db::Sesion& cn, const TablaDatos& t, const std::string& crea,
                         const std::string& condicion);
    bool wal_ = false;   // la base está en WAL: el archivo la lee por su cuenta
    bool unido_ = false; // unido a la conexión de la base SQLite: se escribe en su misma transacción
    std::vector<std::string> avisos_;
};

// Columnas de una tabla con su tipo declarado, en su orden, leídas del catálogo de cn.
struct ColumnaDeclarada {
    std::string Nombre;
    std::string Tipo;
};
std::vector<ColumnaDeclarada> ColumnasDeclaradas(db::Sesion& cn, db::Dialecto d, const std::string& tabla);

} // namespace ov
