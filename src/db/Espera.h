#pragma once

#include "db/Conexion.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace ov::db {

// Cuánto se espera a una base que otro proceso retiene antes de fallar.
inline constexpr std::chrono::seconds kEsperaPorOmision{60};

// Lo que se sabe mientras se espera a una base ocupada por otro proceso.
struct AvisoEspera {
    std::string Conexion;
    std::chrono::seconds Esperado{0};
    std::chrono::seconds Limite{0}; // 0 es sin límite
    bool Terminada = false;         // la base se soltó o se agotó el límite: ya no se espera
};
// "La base de Planta Sur está ocupada por otro proceso; se lleva esperando 5 s de 60."
std::string TextoEspera(const AvisoEspera& aviso);
// Lo que la consola dice de una espera: al empezar y luego cada 5 s (una línea por segundo la llenaría).
std::optional<std::string> LineaDeEspera(const AvisoEspera& aviso);

// La espera de una base durante una corrida u orden: una sola cuenta para todas sus sentencias y
// pasos, no una por sentencia. Lo ya esperado se descuenta de lo que queda.
class EsperaBase {
public:
    using Avisa = std::function<void(const AvisoEspera&)>;
    // avisa lo comparten las esperas de todas las conexiones y se puede cambiar mientras duran.
    EsperaBase(std::string conexion, std::chrono::seconds limite, std::shared_ptr<const Avisa> avisa);

    // Tras un error de base ocupada en SQLite (el intento empezó en inicio): espera un poco, avisa cada
    // segundo y devuelve true si se puede reintentar la sentencia; false si se agotó el límite.
    bool Reintenta(std::chrono::steady_clock::time_point inicio);
    // La sentencia salió: la espera en curso terminó (y se avisa, si se había avisado).
    void Termina();
    // SQL Server: una sentencia que agotó su LOCK_TIMEOUT esperó todo ese tiempo.
    void Anota(std::chrono::steady_clock::duration esperado);
    // Lo que queda del límite; nullopt sin límite.
    std::optional<std::chrono::milliseconds> Resta() const;

private:
    void Notifica(long long segundos, bool terminada) const;
    void AvisaFin();

    std::string conexion_;
    std::chrono::seconds limite_;
    std::shared_ptr<const Avisa> avisa_;
    std::chrono::steady_clock::duration gastado_{0};
    std::optional<std::chrono::steady_clock::time_point> desde_; // la espera en curso
    long long avisados_ = -1;                                    // segundos del último aviso; -1 sin aviso
};

// Las esperas de cada conexión, por nombre, desde que se fija el límite o se reinicia.
class Esperas {
public:
    void FijaLimite(std::chrono::seconds limite);
    std::chrono::seconds Limite() const { return limite_; }
    void FijaAviso(EsperaBase::Avisa avisa) { *avisa_ = std::move(avisa); }
    void Reinicia() { porConexion_.clear(); }
    // La de la conexión con esa clave (su nombre comparable); nombre es el que se muestra.
    std::shared_ptr<EsperaBase> De(const std::string& clave, const std::string& nombre);

private:
    std::chrono::seconds limite_ = kEsperaPorOmision;
    std::shared_ptr<EsperaBase::Avisa> avisa_ = std::make_shared<EsperaBase::Avisa>();
    std::map<std::string, std::shared_ptr<EsperaBase>> porConexion_;
};

// SQLite: el driver espera por su cuenta lo que dice Timeout= en la cadena (en milisegundos) y PRAGMA
// busy_timeout no le cambia nada; con un Timeout corto la espera la lleva EsperaBase, sentencia por
// sentencia. Una cadena que ya dice su Timeout se respeta.
void PonEsperaSQLite(CadenaOdbc& cadena);

// SQL Server: la sentencia que fija el límite en una conexión abierta; vacía en otros servidores.
// Sin límite es -1; agotado, 1 ms.
std::string SentenciaEspera(Dialecto dialecto, std::optional<std::chrono::milliseconds> resta);
// Fija el límite en una conexión abierta de SQL Server; en otros servidores no hace nada. Lanza ErrorBD.
void FijaEspera(Conexion& cn, std::optional<std::chrono::milliseconds> resta);

// Si el error es el de una espera agotada: SQLite ocupada o bloqueada (5, 6), SQL Server 1222.
bool EsEsperaAgotada(const ErrorBD& e);

} // namespace ov::db
