#include "connections/modNalvora.h"

#include "connections/Registry1.h"
#include "connections/TextoUtf8.h"
#include "db/CadenaConexion.h"
#include "db/Espera.h"

#include <limits>
#include <optional>

namespace ov {

namespace {

constexpr int kUltimaEntrada = std::numeric_limits<std::int16_t>::max();

std::string RutaEntrada(int numero) {
    return kClaveConexiones + std::to_string(numero);
}

void CierraSinError(db::Conexion& conexion) noexcept {
    try {
        if (conexion.Abierta()) {
            conexion.Close();
        }
    } catch (...) {
    }
}

} // namespace

std::string SinBlancosALosLados(const std::string& texto) {
    const auto inicio = texto.find_first_not_of(' ');
    if (inicio == std::string::npos) {
        return {};
    }
    return texto.substr(inicio, texto.find_last_not_of(' ') - inicio + 1);
}

// Se quitan solo espacios, no tabuladores.
std::string NombreComparable(const std::string& nombre) {
    return MayusculasUtf8(SinBlancosALosLados(nombre));
}

std::vector<EntradaConexion> Conexiones(const Registro& almacen) {
    // El almacén se lee una vez para todo el recorrido, no una vez por valor.
    const auto vista = almacen.Instantanea();
    const Registro& registro = *vista;
    std::vector<EntradaConexion> entradas;
    for (int n = 0; n <= kUltimaEntrada; ++n) {
        const std::string ruta = RutaEntrada(n);
        if (!ExisteValor(registro, ruta, "Name")) {
            break;
        }
        EntradaConexion e;
        e.Numero = static_cast<std::int16_t>(n);
        e.Name = TextoDe(LeeValor(registro, ruta, "Name"));
        e.Conn = TextoDe(LeeValor(registro, ruta, "Conn"));
        e.CharDateIni = TextoDe(LeeValor(registro, ruta, "CharDateIni"));
        e.CharDateFin = TextoDe(LeeValor(registro, ruta, "CharDateFin"));
        e.ConnNet = TextoDe(LeeValor(registro, ruta, "ConnNet"));
        entradas.push_back(std::move(e));
    }
    return entradas;
}

ModNalvora::ModNalvora(const Registro& registro)
    : registro_(registro), cnBD_(std::make_unique<db::Conexion>()) {}

std::unique_ptr<db::Conexion> ModNalvora::TomaConexion() {
    auto tomada = std::move(cnBD_);
    cnBD_ = std::make_unique<db::Conexion>();
    return tomada;
}

std::int32_t ModNalvora::AbreConexion(const std::string& nombre) {
    std::optional<std::string> conn;
    std::shared_ptr<db::EsperaBase> espera;
    try {
        const std::string buscado = NombreComparable(nombre);
        // Una lectura del almacén por búsqueda, no una por entrada recorrida.
        const auto vista = registro_.Instantanea();
        const Registro& registro = *vista;
        for (int n = 0; n <= kUltimaEntrada && ExisteValor(registro, RutaEntrada(n), "Name"); ++n) {
            const std::string guardado = TextoDe(LeeValor(registro, RutaEntrada(n), "Name"));
            if (NombreComparable(guardado) == buscado) {
                conn = TextoDe(LeeValor(registro, RutaEntrada(n), "Conn"));
                espera = esperas_.De(buscado, SinBlancosALosLados(guardado));
                break;
            }
        }
    } catch (...) {
        // Sin almacén legible no hay entrada: como si no existiera.
    }
    if (!conn) {
        cnBD_ = std::make_unique<db::Conexion>();
        ultimoError_ = NoHayConexion(nombre);
        return 1;
    }
    std::vector<std::string> drivers;
    try {
        drivers = db::DriversInstalados();
    } catch (...) {
        // Sin la lista se traduce con ninguno; la apertura dirá qué falta.
    }
    return AbreConn(*conn, drivers, std::move(espera));
}

std::int32_t ModNalvora::AbreConn(const std::string& conn, const std::vector<std::string>& drivers) {
    return AbreConn(conn, drivers, nullptr);
}

std::int32_t ModNalvora::AbreConn(const std::string& conn, const std::vector<std::string>& drivers,
                                  std::shared_ptr<db::EsperaBase> espera) {
    ultimoError_.clear();
    try {
        // Un objeto nuevo en cada llamada: soltar el anterior cierra lo que siguiera abierto.
        cnBD_ = std::make_unique<db::Conexion>();
    } catch (...) {
        CierraSinError(*cnBD_);
        ultimoError_ = "No hay memoria para abrir la conexión.";
        return 2;
    }
    try {
        auto cadena = db::TraduceCadena(conn, drivers);
        db::PonEsperaSQLite(cadena);
        cnBD_->OpenOdbc(cadena);
        if (espera) {
            db::FijaEspera(*cnBD_, espera->Resta());
            cnBD_->FijaEspera(std::move(espera));
        } else if (esperas_.Limite().count() > 0) {
            db::FijaEspera(*cnBD_, std::chrono::milliseconds(esperas_.Limite()));
        } else {
            db::FijaEspera(*cnBD_, std::nullopt);
        }
        return 0;
    } catch (const db::ErrorBD& e) {
        // Open ya quitó la contraseña del texto del driver.
        ultimoError_ = e.Fuente.empty() ? e.Descripcion : e.Fuente + " " + e.Descripcion;
    } catch (const std::exception& e) {
        ultimoError_ = e.what();
    } catch (...) {
        ultimoError_ = "Error desconocido al abrir la conexión.";
    }
    CierraSinError(*cnBD_);
    return 2;
}

std::string NoHayConexion(const std::string& nombre) {
    return "No hay una conexión llamada " + SinBlancosALosLados(nombre) + ".";
}

} // namespace ov
