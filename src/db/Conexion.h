#pragma once

#include "db/ErrorBD.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ov::db {

class EsperaBase;

using Valor = std::optional<std::string>; // nullopt = Null

struct Campo {
    std::string Name;
    long long DefinedSize = 0; // tamaño declarado (caracteres en columnas de texto)
};

// El primer resultado con filas de una ejecución, leído completo.
class Recordset {
public:
    std::vector<Campo> Campos;
    std::vector<std::vector<Valor>> Filas;

    bool Bof() const { return Filas.empty(); }
    bool Eof() const { return Filas.empty(); }
    // BOF y EOF del primer registro (EOF es una macro de C, de ahí los nombres).
    // Posición del campo por nombre, sin distinguir mayúsculas; -1 si no está.
    int Indice(std::string_view nombre) const;
    // Valor del campo en la primera fila; lanza ErrorBD si el campo no existe o no hay filas.
    const Valor& Primero(std::string_view nombre) const;
    const Campo& CampoLlamado(std::string_view nombre) const;
};

struct Resultado {
    std::optional<Recordset> Registros;    // el primer resultado con columnas
    std::vector<long long> FilasAfectadas; // SQLRowCount de cada resultado, en orden (-1: no aplica)
    std::vector<std::string> Mensajes;     // avisos del servidor (PRINT, DBCC) de todos los resultados
    // Cuenta del último resultado que informó filas; -1 si ninguno.
    long long UltimaCuenta() const;
};

enum class Dialecto { SqlServer, SQLite, Otro };

// Recibe, una por una, las filas de una lectura que no se guarda entera.
using RecibeFila = std::function<void(const std::vector<Valor>&)>;

// Lo que la depuración usa de una conexión abierta; las pruebas la sustituyen por una que graba.
class Sesion {
public:
    virtual ~Sesion() = default;
    // Ejecuta el texto como un lote y agota todos sus resultados. Lanza ErrorBD.
    virtual Resultado Execute(const std::string& sql) = 0;
    virtual std::string DefaultDatabase() = 0;
    // Ejecuta una consulta y pasa sus filas una a una sin guardarlas; devuelve sus campos. Lanza ErrorBD.
    virtual std::vector<Campo> Recorre(const std::string& sql, const RecibeFila& fila);
};

// Lo que sale de traducir la cadena del registro.
struct CadenaOdbc {
    std::string Texto;                    // cadena ODBC: lleva la contraseña, nunca se muestra
    std::chrono::seconds TiempoLogin{15}; // Connect Timeout, o 15 s
    std::string BaseEsperada;             // Initial Catalog/Database, si la cadena la nombra
};

// Conexión ODBC con dueño RAII de sus manejadores. Cerrada al construirse.
class Conexion final : public Sesion {
public:
    Conexion();
    ~Conexion() override;
    Conexion(const Conexion&) = delete;
    Conexion& operator=(const Conexion&) = delete;

    // Abre con la cadena tal como la guarda el producto (OLE DB u ODBC). Lanza ErrorBD.
    // Fija lectura no confirmada donde se pueda y sin límite de tiempo por sentencia;
    // en SQL Server además SET DATEFORMAT ymd y comprueba la base nombrada.
    void Open(const std::string& cadenaRegistro);
    void OpenOdbc(const CadenaOdbc& cadena);
    bool Abierta() const;
    // Cerrar una conexión que no está abierta es un error, como en ADO.
    void Close();

    // Ejecuta el texto como un lote y agota todos sus resultados. Lanza ErrorBD.
    // Con una espera fijada, una base ocupada se vuelve a intentar (SQLite) o se descuenta (SQL Server).
    Resultado Execute(const std::string& sql) override;
    std::vector<Campo> Recorre(const std::string& sql, const RecibeFila& fila) override;
    void FijaEspera(std::shared_ptr<EsperaBase> espera);

    std::string DefaultDatabase() override;
    std::vector<std::string> Tablas(); // nombres como los guarda el servidor, en su orden
    std::string NombreDBMS();
    Dialecto dialecto();

    // Transacción explícita (apaga y vuelve a encender el autocommit).
    void Comienza();
    void Confirma();
    void Deshace() noexcept;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace ov::db
