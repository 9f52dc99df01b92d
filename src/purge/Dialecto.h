#pragma once

#include "db/Conexion.h"
#include "purge/Origen.h"
#include "purge/Rango.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ov {

// Lo que se ejecuta para una tarea: un lote en SQL Server, sentencia por sentencia en SQLite.
struct SentenciaTarea {
    std::vector<std::string> Partes;
    // Lo que se guarda en Sentencia.
    std::string Texto() const;
};

// Cómo se quitan las filas de una tabla: copiando lo que se conserva, vaciando y reponiendo, o
// borrando en su lugar lo que sale. Auto elige por el costo en la tabla que se tiene (ver Elige).
enum class Estrategia { Auto, Copia, Borrado };
const char* NombreEstrategia(Estrategia e); // "auto", "copia", "borrado"
std::optional<Estrategia> LeeEstrategia(const std::string& texto);

// Cifras de una tabla depurada, contadas dentro de su transacción.
struct CuentaDepuracion {
    long long Antes = 0;       // filas de la tabla antes de depurarla
    long long Conservadas = 0; // filas que quedan
    Estrategia Usada = Estrategia::Copia;
    long long Eliminadas() const { return Antes - Conservadas; }
};

// Lo que decide la estrategia de una tabla, leído bajo su candado.
struct CostoTabla {
    long long Antes = 0;
    long long Salen = -1;      // las que salen, o una cota que decide igual (ver MideCosto)
    bool ConIndice = false;    // la condición de la fecha recorre un índice
    bool Referenciada = false; // otras tablas la referencian con llaves foráneas
    bool CopiaPosible = true;  // su reposición admite sus columnas de identidad
};

// Un disparador de la tabla y su estado; en SQLite, su texto para volver a crearlo.
struct Disparador {
    std::string Nombre;
    bool Habilitado = true;
    std::string Texto;
    bool operator==(const Disparador&) const = default;
};

// El contador de identidad de una tabla: último valor emitido y su incremento (con signo).
struct Identidad {
    long long Actual = 0;
    long long Incremento = 1;
};

// DepuraTabla lo lanza, sin haber cambiado nada, cuando elige copiar y orvalo_temp todavía no existe:
// crearla no cabe en una transacción (CREATE DATABASE, ATTACH), así que quien llama la crea y vuelve a
// depurar la tabla copiando. Borrar en su lugar nunca la crea.
struct FaltaTemporal {};

// Guarda fuera de la base, antes de depurar, cada fila que sale de una tabla (--archivo).
class GuardaEliminadas {
public:
    virtual ~GuardaEliminadas() = default;
    // Dentro de la transacción de la tabla y bajo su candado: guarda las filas que van a salir y las
    // deja en disco antes de volver. Devuelve cuántas guardó. Lanza db::ErrorBD si no pudo.
    virtual long long Guarda(db::Sesion& cn, const TablaDatos& t, const Rango& r) = 0;
    // Antes de empezar la transacción de la tabla, y después de terminarla (ATTACH no va dentro de una).
    virtual void Prepara(db::Sesion&) {}
    virtual void Suelta(db::Sesion&) noexcept {}
    // Tras confirmar la depuración de la tabla, o tras deshacerla. Nunca lanzan.
    virtual void Depurada(const std::string& tabla) noexcept = 0;
    virtual void NoDepurada(const std::string& tabla) noexcept = 0;
};

// El trabajo de la depuración en los términos de cada servidor.
class DialectoDepuracion {
public:
    virtual ~DialectoDepuracion() = default;

    // --- orvalo_temp
    // Tablas de orvalo_temp, la del origen incluida; nullopt si no existe.
    virtual std::optional<std::vector<std::string>> TablasTemporal(db::Sesion& cn) = 0;
    // Las tablas que guardan filas de alguien: todas menos la del origen.
    std::optional<std::vector<std::string>> TablasConFilas(db::Sesion& cn);
    // Crea orvalo_temp con su origen. Una que guarde filas de alguien no se toca: lanza db::ErrorBD.
    // Una vacía, o con solo su origen, se borra antes.
    void CreaTemporal(db::Sesion& cn, const Origen& origen);
    virtual void BorraTemporal(db::Sesion& cn) = 0;
    // Deja orvalo_temp al alcance de una conexión recién abierta.
    virtual void UneTemporal(db::Sesion& cn) = 0;
    std::optional<Origen> LeeOrigen(db::Sesion& cn);
    // El nombre con que cn alcanza una tabla de orvalo_temp.
    virtual std::string NombreTemporal(const std::string& tabla) const = 0;
    virtual long long CuentaTemporal(db::Sesion& cn, const std::string& tabla) = 0;
    // Dónde vive orvalo_temp (la carpeta o el servidor) y qué base es la de cn, para el origen.
    virtual std::string Servidor(db::Sesion& cn) = 0;
    virtual std::string Base(db::Sesion& cn) = 0;

    // --- tareas de datos
    // Una tarea de datos entera en una transacción, con la tabla bloqueada: copia lo que se conserva,
    // vacía, repone con la sentencia dada, verifica y borra la copia. Cualquier falla la deshace.
    // Con archivo, lo que sale queda guardado en él antes de confirmar, y contado igual. Sin
    // temporalLista, elegir copiar lanza FaltaTemporal (sin tocar el archivo).
    CuentaDepuracion DepuraTabla(db::Sesion& cn, const TablaDatos& t, const Rango& r,
                                 const SentenciaTarea& reposicion, Estrategia pedida = Estrategia::Auto,
                                 GuardaEliminadas* archivo = nullptr, bool temporalLista = true);
    // La estrategia para la tabla: la pedida, o en auto la más barata según su costo. Lanza si la
    // pedida no se puede usar en esa tabla.
    Estrategia Elige(Estrategia pedida, const CostoTabla& costo, const std::string& tabla) const;
    // Fracción de filas que salen hasta la cual conviene borrar en su lugar, con o sin índice de fecha.
    virtual double UmbralBorrado(bool conIndice) const = 0;
    // Lo que cuesta la tabla: índice, llaves foráneas, identidad y cuántas salen (-1 si no hace falta
    // saberlo). Con salen dado no cuenta; con índice cuenta por él; sin él, solo si auto tiene que
    // decidir, y las conservadas solo hasta el mínimo que decide.
    CostoTabla MideCosto(db::Sesion& cn, const TablaDatos& t, const Rango& r, long long antes,
                         Estrategia pedida, std::optional<long long> salen = std::nullopt);
    virtual bool FechaConIndice(db::Sesion& cn, const TablaDatos& t, const Rango& r) = 0;
    // Cuántas salen, estimado por una muestra sin recorrer la tabla; -1 si el servidor no la da. Solo
    // elige la estrategia: ninguna cuenta que verifica sale de aquí.
    virtual long long EstimaSalen(db::Sesion&, const TablaDatos&, const Rango&, long long) { return -1; }
    virtual bool EsReferenciada(db::Sesion& cn, const std::string& tabla) = 0;
    virtual bool CopiaAdmiteIdentidad(const std::string&, bool) const { return true; }
    virtual std::string GuionBorrado(db::Sesion& cn, const TablaDatos& t, const Rango& r) = 0;
    // La misma tarea como guion que se puede correr tal cual: la deja completa o intacta.
    virtual std::string GuionDepuracion(db::Sesion& cn, const TablaDatos& t, const Rango& r,
                                        const SentenciaTarea& reposicion) = 0;
    virtual std::string GuionCreaTemporal(db::Sesion& cn, const Origen& origen) = 0;
    virtual std::string GuionBorraTemporal(db::Sesion& cn) = 0;

    // Si la base tiene una tabla que se llama exactamente "Transacciones", como la busca el sondeo, sin
    // recorrer el catálogo entero (SQLTables cuesta segundos en algunos servidores).
    virtual bool HayTransacciones(db::Sesion& cn) = 0;

    // Consulta sin filas que da las columnas de una tabla (ListaColumnas).
    virtual std::string ConsultaColumnas(const std::string& tabla) const = 0;
    virtual std::string NombreParaColumnas(const std::string& tabla) const = 0; // "dbo.transacciones"

    // Sentencia de la tarea a partir de su clave.
    virtual SentenciaTarea Sentencia(db::Sesion& cn, const std::string& clave, const std::string& columnas,
                                     const std::string& base) = 0;
    // Ejecuta la sentencia; devuelve la cuenta de la reinserción (-1 si no aplica). Lanza db::ErrorBD.
    virtual long long Ejecuta(db::Sesion& cn, const SentenciaTarea& s) = 0;

    // Disparadores de una tabla: ninguno se dispara mientras se depura (como con TRUNCATE), y al final
    // cada uno queda en el estado que tenía.
    virtual std::vector<Disparador> LeeDisparadores(db::Sesion& cn, const std::string& tabla) = 0;
    virtual void ApagaDisparadores(db::Sesion& cn, const std::string& tabla,
                                   const std::vector<Disparador>& antes) = 0;
    virtual void DejaDisparadores(db::Sesion& cn, const std::string& tabla,
                                  const std::vector<Disparador>& antes) = 0;

    // Cuántas filas hay y cuántas se conservan (--simular y la segunda pregunta).
    virtual long long CuentaFilas(db::Sesion& cn, const std::string& tabla) = 0;
    virtual long long CuentaConservadas(db::Sesion& cn, const TablaDatos& t, const Rango& r) = 0;
    // Las que salen, por el índice de la fecha; las conservadas son el resto, por ser el complemento.
    virtual long long CuentaEliminables(db::Sesion& cn, const TablaDatos& t, const Rango& r) = 0;
    // Las que se conservan, contando a lo más hasta tope: basta para elegir la estrategia.
    virtual long long CuentaConservadasHasta(db::Sesion& cn, const TablaDatos& t, const Rango& r,
                                             long long tope) = 0;

    // --- recuperación de orvalo_temp
    // Pone en la tabla viva las filas de su copia que le faltan (comparando todas las columnas y
    // contando repeticiones), en una transacción con la tabla bloqueada; borra la copia y confirma.
    // Devuelve cuántas filas insertó.
    long long ReponeCopia(db::Sesion& cn, const std::string& tabla, const std::string& columnas);
    // Lo mismo desde otra fuente que cn alcanza: la llena carga (ya dentro de la transacción, con la
    // tabla bloqueada) y la quita borra; ninguna fila se duplica y ningún disparador se dispara.
    struct FuenteReposicion {
        std::string Nombre;
        std::function<void(db::Sesion&)> Carga;
        std::string Borra;
    };
    long long ReponeDesde(db::Sesion& cn, const std::string& tabla, const std::string& columnas,
                          const FuenteReposicion& fuente);

protected:
    void RevisaAlFinal(db::Sesion& cn, const std::string& tabla, const std::optional<Identidad>& id,
                       const std::vector<Disparador>& disparadores);
    // Tras deshacer: si algún disparador no volvió a su estado, se le devuelve; nunca lanza.
    void RestauraTrasDeshacer(db::Sesion& cn, const std::string& tabla,
                              const std::vector<Disparador>& disparadores) noexcept;
    // Los pasos de la transacción de una tabla, en el orden en que DepuraTabla los da.
    // Transacción y candado; devuelve las filas de la tabla, contadas por la sentencia que bloquea.
    virtual long long Comienza(db::Sesion& cn, const std::string& tabla) = 0;
    virtual std::optional<Identidad> LeeIdentidad(db::Sesion& cn, const std::string& tabla) = 0;
    // Ya contado y elegido, antes de escribir: lo que el servidor necesite para cambiar la tabla. La
    // columna por cuyo orden se recorre la tabla; vacía si ningún índice va en el orden de lo que cambia.
    virtual void PreparaEscritura(db::Sesion&, const std::string& /*tabla*/, const std::string& /*columna*/) {
    }
    virtual std::string Copia(const TablaDatos& t, const Rango& r) const = 0;
    virtual std::string Vacia(const std::string& tabla) const = 0;
    // DELETE con el complemento exacto de la condición de conservar.
    virtual std::string Borra(const TablaDatos& t, const Rango& r) const = 0;
    // Tras vaciar: que la primera fila nueva no reuse un valor ya emitido.
    virtual void Resiembra(db::Sesion& cn, const std::string& tabla, const Identidad& id) = 0;
    // Tras reponer: si el contador retrocedió, vuelve a donde estaba.
    virtual void RevisaIdentidad(db::Sesion& cn, const std::string& tabla, const Identidad& anterior) = 0;
    virtual std::string BorraCopia(const std::string& tabla) const = 0;
    // Confirma; si el servidor ya terminó la transacción por su cuenta, lanza sin confirmar.
    virtual void Confirma(db::Sesion& cn) = 0;
    virtual void Deshaz(db::Sesion& cn) noexcept = 0;
    virtual void CreaVacia(db::Sesion& cn) = 0;
    virtual void EscribeOrigen(db::Sesion& cn, const Origen& origen) = 0;
    // INSERT de las filas de la fuente que faltan en la tabla viva (diferencia de multiconjuntos).
    virtual SentenciaTarea Faltantes(db::Sesion& cn, const std::string& fuente, const std::string& tabla,
                                     const std::string& columnas) = 0;
    virtual long long CuentaFaltantes(db::Sesion& cn, const std::string& fuente, const std::string& tabla,
                                      const std::string& columnas) = 0;
};

// El dialecto del servidor de cn; lanza db::ErrorBD si no es SQL Server ni SQLite.
std::unique_ptr<DialectoDepuracion> DialectoPara(db::Conexion& cn);
// Lo mismo a partir de lo que el servidor dice ser (SQL_DBMS_NAME).
std::unique_ptr<DialectoDepuracion> DialectoPara(db::Dialecto d, const std::string& nombreServidor);

// La condición de lo que se conserva: antes de Desde, desde el día siguiente a Hasta, o sin fecha.
std::string CondicionConservar(const TablaDatos& t, const Rango& r);
// Su complemento exacto: con fecha, desde Desde y antes del día siguiente a Hasta.
std::string CondicionEliminar(const TablaDatos& t, const Rango& r);

// El texto entre los delimitadores, con el de cierre duplicado adentro: [a]]b], 'O''Hara', "x""y".
std::string Delimita(const std::string& texto, char abre, char cierra);
inline std::string EntreCorchetes(const std::string& nombre) {
    return Delimita(nombre, '[', ']');
}

// Un error de la propia herramienta, con su fuente.
db::ErrorBD ErrorPropio(const std::string& descripcion);

} // namespace ov
