#include "purge/DialectoSQLite.h"

#include <stdexcept>

namespace ov {

namespace fs = std::filesystem;

namespace {

std::string Literal(const std::string& texto) {
    return Delimita(texto, '\'', '\'');
}

std::string Identificador(const std::string& nombre) {
    return Delimita(nombre, '"', '"');
}

long long Entero(const db::Resultado& r) {
    if (!r.Registros || r.Registros->Filas.empty() || !r.Registros->Filas[0][0]) {
        throw db::ErrorBD(0, "[ovNalvora]", "La consulta no devolvió un número.");
    }
    return std::stoll(*r.Registros->Filas[0][0]);
}

bool EstaUnida(db::Conexion& cn) {
    const auto r = cn.Execute("PRAGMA database_list");
    if (r.Registros) {
        const int nombre = r.Registros->Indice("name");
        for (const auto& fila : r.Registros->Filas) {
            if (nombre >= 0 && fila[static_cast<size_t>(nombre)] == "orvalo_temp") {
                return true;
            }
        }
    }
    return false;
}

void Separa(db::Conexion& cn) {
    if (EstaUnida(cn)) {
        cn.Execute("DETACH DATABASE orvalo_temp");
    }
}

std::optional<long long> Secuencia(db::Conexion& cn, const std::string& tabla) {
    if (Entero(cn.Execute(
            "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'sqlite_sequence'")) == 0) {
        return std::nullopt;
    }
    const auto r = cn.Execute("SELECT seq FROM sqlite_sequence WHERE lower(name) = " + Literal(tabla));
    if (!r.Registros || r.Registros->Filas.empty() || !r.Registros->Filas[0][0]) {
        return std::nullopt;
    }
    return std::stoll(*r.Registros->Filas[0][0]);
}

bool ExisteDisparador(db::Conexion& cn, const std::string& nombre) {
    return Entero(cn.Execute("SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND name = " +
                             Literal(nombre))) > 0;
}

void Deshaz(db::Conexion& cn) noexcept {
    try {
        cn.Execute("ROLLBACK");
    } catch (const db::ErrorBD&) {
        // Sin transacción abierta no hay nada que deshacer.
    }
}

} // namespace

fs::path DialectoSQLite::ArchivoTemporal(db::Conexion& cn) {
    const auto r = cn.Execute("PRAGMA database_list");
    if (r.Registros) {
        const int nombre = r.Registros->Indice("name");
        const int archivo = r.Registros->Indice("file");
        for (const auto& fila : r.Registros->Filas) {
            if (nombre >= 0 && archivo >= 0 && fila[static_cast<size_t>(nombre)] == "main" &&
                fila[static_cast<size_t>(archivo)] && !fila[static_cast<size_t>(archivo)]->empty()) {
                return fs::path(*fila[static_cast<size_t>(archivo)]).parent_path() / "orvalo_temp.db";
            }
        }
    }
    throw db::ErrorBD(0, "[ovNalvora]", "No se pudo saber en qué carpeta está la base de datos.");
}

std::optional<std::vector<std::string>> DialectoSQLite::TablasTemporal(db::Conexion& cn) {
    const fs::path archivo = ArchivoTemporal(cn);
    if (!fs::exists(archivo)) {
        return std::nullopt;
    }
    const bool unida = EstaUnida(cn);
    if (!unida) {
        UneTemporal(cn);
    }
    std::vector<std::string> tablas;
    const auto r =
        cn.Execute("SELECT name FROM orvalo_temp.sqlite_master WHERE type = 'table' ORDER BY name");
    if (r.Registros) {
        for (const auto& fila : r.Registros->Filas) {
            tablas.push_back(fila[0].value_or(""));
        }
    }
    if (!unida) {
        Separa(cn);
    }
    return tablas;
}

void DialectoSQLite::CreaVacia(db::Conexion& cn) {
    UneTemporal(cn);
    // Una tabla de paso obliga a SQLite a escribir el archivo; se borra enseguida.
    cn.Execute("CREATE TABLE orvalo_temp.ovnalvora_creada (x)");
    cn.Execute("DROP TABLE orvalo_temp.ovnalvora_creada");
}

void DialectoSQLite::BorraTemporal(db::Conexion& cn) {
    Separa(cn);
    const fs::path archivo = ArchivoTemporal(cn);
    std::error_code ec;
    fs::remove(archivo, ec);
    if (ec) {
        throw db::ErrorBD(ec.value(), "[ovNalvora]",
                          "No se pudo borrar " + archivo.string() + ": " + ec.message());
    }
}

void DialectoSQLite::UneTemporal(db::Conexion& cn) {
    if (!EstaUnida(cn)) {
        cn.Execute("ATTACH DATABASE " + Literal(ArchivoTemporal(cn).string()) + " AS orvalo_temp");
    }
}

std::vector<std::string> DialectoSQLite::SentenciasRespaldo(const TablaDatos& t, const Rango& r) const {
    return {"CREATE TABLE orvalo_temp." + t.Tabla + " AS SELECT * FROM " + t.Tabla + CondicionConservar(t, r),
            "DELETE FROM " + t.Tabla};
}

Respaldo DialectoSQLite::RespaldaYVacia(db::Conexion& cn, const TablaDatos& t, const Rango& r) {
    Respaldo respaldo;
    const auto sentencias = SentenciasRespaldo(t, r);
    // EXCLUSIVE toma el candado de escritura antes de copiar: nadie escribe entre la copia y el vaciado.
    cn.Execute("BEGIN EXCLUSIVE");
    try {
        respaldo.Identidad = Secuencia(cn, t.Tabla);
        cn.Execute(sentencias[0]);
        respaldo.Conservadas = Entero(cn.Execute("SELECT count(*) FROM orvalo_temp." + t.Tabla));
        // DELETE no toca sqlite_sequence: el contador de identidad no retrocede.
        cn.Execute(sentencias[1]);
        cn.Execute("COMMIT");
    } catch (...) {
        Deshaz(cn);
        throw;
    }
    return respaldo;
}

void DialectoSQLite::BorraTablaTemporal(db::Conexion& cn, const std::string& tabla) {
    cn.Execute("DROP TABLE orvalo_temp." + tabla);
}

std::string DialectoSQLite::ConsultaColumnas(const std::string& tabla) const {
    return "SELECT * FROM " + tabla + " LIMIT 0";
}

SentenciaTarea DialectoSQLite::Sentencia(db::Conexion& cn, const std::string& clave,
                                         const std::string& columnas, const std::string&) {
    SentenciaTarea s;
    if (clave == "TRANSACCIONES" || clave == "CHECADAS") {
        const std::string tabla = clave == "TRANSACCIONES" ? "transacciones" : "checadas";
        s.Partes.push_back("INSERT INTO " + tabla + " (" + columnas + ") SELECT * FROM orvalo_temp." + tabla);
    } else if (clave == "KARDEX") {
        // Sin ALTER TABLE ... DISABLE TRIGGER: se quitan y se vuelven a crear en la misma transacción.
        disparadores_.clear();
        const auto r = cn.Execute("SELECT name, sql FROM sqlite_master WHERE type = 'trigger' AND "
                                  "lower(tbl_name) = 'kardex' ORDER BY name");
        if (r.Registros) {
            for (const auto& fila : r.Registros->Filas) {
                disparadores_.emplace_back(fila[0].value_or(""), fila[1].value_or(""));
            }
        }
        s.EnTransaccion = true;
        s.Partes.push_back("BEGIN IMMEDIATE");
        for (const auto& d : disparadores_) {
            s.Partes.push_back("DROP TRIGGER " + Identificador(d.first));
        }
        s.Partes.push_back("INSERT INTO kardex SELECT * FROM orvalo_temp.kardex");
        for (const auto& d : disparadores_) {
            s.Partes.push_back(d.second);
        }
        s.Partes.push_back("COMMIT");
    } else if (clave == "BITACORA") {
        s.Partes.push_back("INSERT INTO bitacora SELECT * FROM orvalo_temp.bitacora");
    } else if (clave.rfind("DBREINDEX_", 0) == 0) {
        std::string tabla = clave.substr(10);
        for (auto& c : tabla) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        s.Partes.push_back("REINDEX " + tabla);
    } else if (clave == "SHRINK") {
        s.Partes.push_back("VACUUM");
    } else if (clave == "UPDATEUSAGE") {
        s.Partes.push_back("ANALYZE");
    } else {
        throw std::invalid_argument("Clave de tarea desconocida: " + clave);
    }
    return s;
}

long long DialectoSQLite::Ejecuta(db::Conexion& cn, const SentenciaTarea& s) {
    long long cuenta = -1;
    try {
        for (const auto& parte : s.Partes) {
            const auto r = cn.Execute(parte);
            if (parte.rfind("INSERT INTO ", 0) == 0) {
                cuenta = r.UltimaCuenta();
            }
        }
    } catch (...) {
        if (s.EnTransaccion) {
            Deshaz(cn);
        }
        throw;
    }
    return cuenta;
}

void DialectoSQLite::HabilitaDisparadores(db::Conexion& cn) {
    Deshaz(cn);
    for (const auto& d : disparadores_) {
        if (!ExisteDisparador(cn, d.first)) {
            cn.Execute(d.second);
        }
    }
}

bool DialectoSQLite::DisparadoresHabilitados(db::Conexion& cn) {
    for (const auto& d : disparadores_) {
        if (!ExisteDisparador(cn, d.first)) {
            return false;
        }
    }
    return true;
}

void DialectoSQLite::RevisaIdentidad(db::Conexion& cn, const std::string& tabla, long long anterior) {
    const auto actual = Secuencia(cn, tabla);
    if (actual && *actual < anterior) {
        cn.Execute("UPDATE sqlite_sequence SET seq = " + std::to_string(anterior) +
                   " WHERE lower(name) = " + Literal(tabla));
    }
}

long long DialectoSQLite::CuentaFilas(db::Conexion& cn, const std::string& tabla) {
    return Entero(cn.Execute("SELECT count(*) FROM " + tabla));
}

long long DialectoSQLite::CuentaConservadas(db::Conexion& cn, const TablaDatos& t, const Rango& r) {
    return Entero(cn.Execute("SELECT count(*) FROM " + t.Tabla + CondicionConservar(t, r)));
}

} // namespace ov
