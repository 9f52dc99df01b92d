#pragma once

#include "connections/Registro.h"
#include "db/Conexion.h"
#include "db/Espera.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ov {

struct EntradaConexion {
    std::int16_t Numero = 0;
    std::string Name; // tal como está guardado, con sus blancos
    std::string Conn; // la cadena: lleva contraseñas, nunca se muestra
    std::string CharDateIni, CharDateFin, ConnNet;
};

// Quita los espacios de ambos lados (no los tabuladores).
std::string SinBlancosALosLados(const std::string& texto);
// Como compara AbreConexion: sin espacios a los lados y en mayúsculas.
std::string NombreComparable(const std::string& nombre);
// Por qué no abre un nombre que ninguna entrada tiene.
std::string NoHayConexion(const std::string& nombre);

// Las entradas del producto, desde la 0 hasta la primera sin Name legible.
std::vector<EntradaConexion> Conexiones(const Registro& registro);

// La conexión compartida cnBD y quien la abre por nombre.
class ModNalvora {
public:
    explicit ModNalvora(const Registro& registro);

    // 0: cnBD abierta; 1: no hay entrada con ese nombre; 2: falló al abrir. Nunca lanza.
    // Cada conexión abierta lleva la espera de su base, que cuenta lo ya esperado.
    std::int32_t AbreConexion(const std::string& nombre);
    // Abre cnBD con el Conn de una entrada ya hallada y los drivers ya listados; 0 o 2, como
    // AbreConexion. Para quien busca muchos nombres de una vez o abre desde otro hilo: sin la cuenta
    // compartida de la espera (una base ocupada falla pronto en SQLite y tras el límite en SQL Server).
    std::int32_t AbreConn(const std::string& conn, const std::vector<std::string>& drivers);
    // Cuánto se espera en total a una base que otro proceso retiene; 0 es sin límite.
    void FijaEspera(std::chrono::seconds espera) { esperas_.FijaLimite(espera); }
    std::chrono::seconds Espera() const { return esperas_.Limite(); }
    // Quién se entera, cada segundo, de que se está esperando a una base ocupada.
    void FijaAvisoEspera(db::EsperaBase::Avisa avisa) { esperas_.FijaAviso(std::move(avisa)); }
    // Empieza otra cuenta de lo esperado (otra corrida u orden).
    void ReiniciaEsperas() { esperas_.Reinicia(); }
    db::Conexion& cnBD() { return *cnBD_; }
    // Se lleva la conexión abierta (para tenerla toda una corrida); cnBD queda nueva y cerrada.
    std::unique_ptr<db::Conexion> TomaConexion();
    // Por qué no abrió la última llamada que no devolvió 0 (sin contraseñas); vacío si abrió.
    const std::string& UltimoError() const { return ultimoError_; }
    const Registro& registro() const { return registro_; }

private:
    const Registro& registro_;
    std::unique_ptr<db::Conexion> cnBD_;
    std::string ultimoError_;
    std::int32_t AbreConn(const std::string& conn, const std::vector<std::string>& drivers,
                          std::shared_ptr<db::EsperaBase> espera);
    db::Esperas esperas_;
};

} // namespace ov
