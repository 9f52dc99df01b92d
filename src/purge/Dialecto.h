#pragma once

#include "db/Conexion.h"
#include "purge/Rango.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ov {

// Lo que se ejecuta para una tarea: un lote en SQL Server, sentencia por sentencia en SQLite.
struct SentenciaTarea {
    std::vector<std::string> Partes;
    bool EnTransaccion = false; // las partes van juntas: si una falla, se deshacen todas
    // Lo que se guarda en Sentencia.
    std::string Texto() const;
};

// Lo que quedó del respaldo de una tabla antes de vaciarla.
struct Respaldo {
    long long Conservadas = 0;          // filas copiadas a orvalo_temp
    std::optional<long long> Identidad; // último valor de identidad emitido, si la tabla tiene
};

// El trabajo de la depuración en los términos de cada servidor.
class DialectoDepuracion {
public:
    virtual ~DialectoDepuracion() = default;

    // Tablas de orvalo_temp; nullopt si no existe.
    virtual std::optional<std::vector<std::string>> TablasTemporal(db::Conexion& cn) = 0;
    // Crea orvalo_temp; una que esté vacía se borra antes. Una con tablas guarda filas de alguien:
    // no se toca y se lanza db::ErrorBD, aunque la revisión del arranque no la haya visto.
    void CreaTemporal(db::Conexion& cn);
    virtual void BorraTemporal(db::Conexion& cn) = 0;
    // Crea orvalo_temp donde no existe.
    virtual void CreaVacia(db::Conexion& cn) = 0;
    // Deja orvalo_temp al alcance de una conexión recién abierta.
    virtual void UneTemporal(db::Conexion& cn) = 0;

    // Copia las filas a conservar y vacía la tabla: una transacción, con la tabla bloqueada.
    virtual Respaldo RespaldaYVacia(db::Conexion& cn, const TablaDatos& t, const Rango& r) = 0;
    virtual std::vector<std::string> SentenciasRespaldo(const TablaDatos& t, const Rango& r) const = 0;
    virtual void BorraTablaTemporal(db::Conexion& cn, const std::string& tabla) = 0;

    // Consulta sin filas que da las columnas de una tabla (ListaColumnas).
    virtual std::string ConsultaColumnas(const std::string& tabla) const = 0;
    virtual std::string NombreParaColumnas(const std::string& tabla) const = 0; // "dbo.transacciones"

    // Sentencia de la tarea a partir de su clave.
    virtual SentenciaTarea Sentencia(db::Conexion& cn, const std::string& clave, const std::string& columnas,
                                     const std::string& base) = 0;
    // Ejecuta la sentencia; devuelve la cuenta de la reinserción (-1 si no aplica). Lanza db::ErrorBD.
    virtual long long Ejecuta(db::Conexion& cn, const SentenciaTarea& s) = 0;

    // Disparadores de kardex: volver a habilitarlos tras una falla y comprobar que lo están.
    virtual void HabilitaDisparadores(db::Conexion& cn) = 0;
    virtual bool DisparadoresHabilitados(db::Conexion& cn) = 0;
    // Que el siguiente valor de identidad quede por encima de todo lo que la tabla tuvo.
    virtual void RevisaIdentidad(db::Conexion& cn, const std::string& tabla, long long anterior) = 0;

    // Para --simular: cuántas filas hay y cuántas se conservan.
    virtual long long CuentaFilas(db::Conexion& cn, const std::string& tabla) = 0;
    virtual long long CuentaConservadas(db::Conexion& cn, const TablaDatos& t, const Rango& r) = 0;
};

std::unique_ptr<DialectoDepuracion> DialectoPara(db::Conexion& cn);

// La condición de lo que se conserva: antes de Desde, desde el día siguiente a Hasta, o sin fecha.
std::string CondicionConservar(const TablaDatos& t, const Rango& r);

// El texto entre los delimitadores, con el de cierre duplicado adentro: [a]]b], 'O''Hara', "x""y".
std::string Delimita(const std::string& texto, char abre, char cierra);
inline std::string EntreCorchetes(const std::string& nombre) {
    return Delimita(nombre, '[', ']');
}

} // namespace ov
