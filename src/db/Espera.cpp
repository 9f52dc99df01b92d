#include "db/Espera.h"

#include "db/CadenaConexion.h"

#include <algorithm>
#include <climits>
#include <thread>

namespace ov::db {

namespace {
constexpr std::int32_t kSqliteOcupada = 5;          // SQLITE_BUSY
constexpr std::int32_t kSqliteBloqueada = 6;        // SQLITE_LOCKED
constexpr std::int32_t kSqlServerSinBloqueo = 1222; // Lock request time out period exceeded
// Lo que el driver de SQLite espera por intento (medido: unas dos veces su Timeout) y la pausa entre
// intentos: lo más que la espera total puede pasarse del límite.
constexpr int kTimeoutSQLiteMs = 50;
constexpr std::chrono::milliseconds kPausa{50};

using Reloj = std::chrono::steady_clock;
} // namespace

std::string TextoEspera(const AvisoEspera& aviso) {
    return "La base de " + aviso.Conexion + " está ocupada por otro proceso; se lleva esperando " +
           std::to_string(aviso.Esperado.count()) + " s" +
           (aviso.Limite.count() > 0 ? " de " + std::to_string(aviso.Limite.count())
                                     : std::string(" (sin límite)")) +
           ".";
}

std::optional<std::string> LineaDeEspera(const AvisoEspera& aviso) {
    if (aviso.Terminada || aviso.Esperado.count() % 5 != 0) {
        return std::nullopt;
    }
    return TextoEspera(aviso);
}

EsperaBase::EsperaBase(std::string conexion, std::chrono::seconds limite, std::shared_ptr<const Avisa> avisa)
    : conexion_(std::move(conexion)), limite_(limite), avisa_(std::move(avisa)) {}

bool EsperaBase::Reintenta(Reloj::time_point inicio) {
    const auto ahora = Reloj::now();
    if (!desde_) {
        desde_ = inicio; // el intento que falló ya esperó lo suyo dentro del driver
    }
    const auto total = gastado_ + (ahora - *desde_);
    if (limite_.count() > 0 && total >= limite_) {
        gastado_ = total;
        desde_.reset();
        AvisaFin();
        return false;
    }
    const long long segundos = std::chrono::duration_cast<std::chrono::seconds>(total).count();
    if (segundos != avisados_) {
        avisados_ = segundos;
        Notifica(segundos, false);
    }
    std::this_thread::sleep_for(kPausa);
    return true;
}

void EsperaBase::Termina() {
    if (desde_) {
        gastado_ += Reloj::now() - *desde_;
        desde_.reset();
        AvisaFin();
    }
}

void EsperaBase::Notifica(long long segundos, bool terminada) const {
    if (avisa_ && *avisa_) {
        (*avisa_)({conexion_, std::chrono::seconds(segundos), limite_, terminada});
    }
}

// Quien mostró la espera la quita: el paso sigue, o falla por ella. La siguiente se avisa al empezar.
void EsperaBase::AvisaFin() {
    if (avisados_ >= 0) {
        Notifica(std::chrono::duration_cast<std::chrono::seconds>(gastado_).count(), true);
        avisados_ = -1;
    }
}

void EsperaBase::Anota(Reloj::duration esperado) {
    gastado_ += esperado;
}

std::optional<std::chrono::milliseconds> EsperaBase::Resta() const {
    if (limite_.count() == 0) {
        return std::nullopt;
    }
    return std::max(std::chrono::milliseconds(0),
                    std::chrono::duration_cast<std::chrono::milliseconds>(limite_ - gastado_));
}

void Esperas::FijaLimite(std::chrono::seconds limite) {
    limite_ = limite;
    Reinicia();
}

std::shared_ptr<EsperaBase> Esperas::De(const std::string& clave, const std::string& nombre) {
    auto& e = porConexion_[clave];
    if (!e) {
        e = std::make_shared<EsperaBase>(nombre, limite_, avisa_);
    }
    return e;
}

void PonEsperaSQLite(CadenaOdbc& cadena) {
    const std::string driver = Minusculas(ValorDeClave(cadena.Texto, "Driver"));
    if (driver.find("sqlite") == std::string::npos || !ValorDeClave(cadena.Texto, "Timeout").empty()) {
        return;
    }
    cadena.Texto += cadena.Texto.ends_with(';') ? "" : ";";
    cadena.Texto += "Timeout=" + std::to_string(kTimeoutSQLiteMs);
}

std::string SentenciaEspera(Dialecto dialecto, std::optional<std::chrono::milliseconds> resta) {
    if (dialecto != Dialecto::SqlServer) {
        return {};
    }
    // -1 es esperar sin límite; 0 sería no esperar nada, así que lo agotado es 1 ms.
    const long long ms = resta ? std::clamp<long long>(resta->count(), 1, INT_MAX) : -1;
    return "SET LOCK_TIMEOUT " + std::to_string(ms);
}

void FijaEspera(Conexion& cn, std::optional<std::chrono::milliseconds> resta) {
    if (const std::string sql = SentenciaEspera(cn.dialecto(), resta); !sql.empty()) {
        cn.Execute(sql);
    }
}

bool EsEsperaAgotada(const ErrorBD& e) {
    // Babelfish da su número genérico con el texto de PostgreSQL: "canceling statement due to lock timeout".
    if (e.Numero == kSqlServerSinBloqueo || e.Descripcion.find("due to lock timeout") != std::string::npos) {
        return true;
    }
    // Los códigos extendidos de SQLite guardan el primario en el byte bajo (517 es SQLITE_BUSY_SNAPSHOT).
    const std::int32_t primario = e.Numero & 0xff;
    return e.Fuente.find("SQLite") != std::string::npos &&
           (primario == kSqliteOcupada || primario == kSqliteBloqueada);
}

} // namespace ov::db
