#include "purge/Archivo.h"

#include "log/Rutas.h"
#include "purge/DialectoSQLite.h"

#include <cstdio>
#include <utility>

namespace ov {

namespace {

constexpr long long kFilasPorTramo = 20000;
constexpr const char* kUnido = "ovnalvora_archivo";      // el archivo unido a la conexión de la base
constexpr const char* kBaseUnida = "ovnalvora_base_wal"; // la base unida a la conexión del archivo

std::string Comillas(const std::string& nombre) {
    return Delimita(nombre, '"', '"');
}

} // namespace

ArchivoDepuracion::ArchivoDepuracion(std::filesystem::path carpeta, OrigenArchivo origen, FechaHora inicio,
                                     db::Dialecto dialecto, Sincroniza sincroniza)
    : carpeta_(std::move(carpeta)), origen_(std::move(origen)), inicio_(inicio), dialecto_(dialecto),
      sincroniza_(std::move(sincroniza)) {}

ArchivoDepuracion::~ArchivoDepuracion() = default;

// El archivo nuevo, con su origen, ya en disco. Nunca se escribe sobre uno que ya existe.
void ArchivoDepuracion::Abre() {
    std::error_code ec;
    std::filesystem::create_directories(carpeta_, ec);
    const std::string nombre = NombreArchivo(origen_.Conexion, inicio_);
    std::filesystem::path ruta = carpeta_ / RutaDeUtf8(nombre);
    for (int n = 2; std::filesystem::exists(ruta, ec) && n < 100; ++n) {
        ruta = carpeta_ / RutaDeUtf8(nombre.substr(0, nombre.size() - 3) + "-" + std::to_string(n) + ".db");
    }
    // Se arma con otro nombre y toma el suyo ya con su origen en disco: un archivo .db siempre dice de dónde
    // salió, aunque el proceso muera al crearlo.
    const std::filesystem::path nuevo = std::filesystem::path(ruta).concat(".nuevo");
    try {
        CreaArchivoNuevo(nuevo);
        es_ = AbreEscritorArchivo(nuevo);
        es_->Comienza();
        es_->Ejecuta(
            std::string("CREATE TABLE ") + kArchivoOrigen +
            " (conexion TEXT, servidor TEXT, base TEXT, desde TEXT, hasta TEXT, inicio TEXT, fin TEXT, "
            "version TEXT)");
        es_->Ejecuta(std::string("CREATE TABLE ") + kArchivoTablas +
                     " (tabla TEXT, filas INTEGER, suma TEXT, estado TEXT)");
        const auto& o = origen_;
        std::string valores;
        for (const auto* v :
             {&o.Conexion, &o.Servidor, &o.Base, &o.Desde, &o.Hasta, &o.Inicio, &o.Fin, &o.Version}) {
            valores += (valores.empty() ? "" : ", ") + Literal(*v);
        }
        es_->Ejecuta(std::string("INSERT INTO ") + kArchivoOrigen + " (" + kColumnasArchivoOrigen +
                     ") VALUES (" + valores + ")");
        es_->Confirma();
        es_->Cierra();
        es_.reset();
        sincroniza_(nuevo);
        std::filesystem::rename(nuevo, ruta);
        ruta_ = ruta;
        sincroniza_(ruta_);
        es_ = AbreEscritorArchivo(ruta_);
    } catch (const std::exception& e) {
        es_.reset();
        std::filesystem::remove(nuevo, ec);
        if (!ruta_.empty()) {
            std::filesystem::remove(ruta_, ec);
        }
        ruta_.clear();
        throw ErrorPropio("No se pudo crear el archivo de las filas eliminadas en " + Utf8DeRuta(carpeta_) +
                          " (" + e.what() + "); la tabla quedó como estaba.");
    }
}

long long ArchivoDepuracion::Guarda(db::Sesion& cn, const TablaDatos& t, const Rango& r) {
    if (!es_) {
        Abre();
    }
    const auto columnas = ColumnasDeclaradas(cn, dialecto_, t.Tabla);
    if (columnas.empty()) {
        throw ErrorPropio("No se leyeron las columnas de " + t.Tabla +
                          " para el archivo; la tabla quedó como "
                          "estaba.");
    }
    // Una falla del archivo se dice como tal; las de la base pasan como vienen.
    auto escribe = [this](const std::function<void()>& paso) {
        try {
            paso();
        } catch (const db::ErrorBD& e) {
            throw ErrorPropio("No se pudo escribir el archivo " + Utf8DeRuta(ruta_) + " (" + e.Descripcion +
                              "); la tabla quedó como estaba.");
        }
    };
    std::string crea;
    for (const auto& c : columnas) {
        crea += (crea.empty() ? "" : ", ") + Comillas(c.Nombre) + (c.Tipo.empty() ? "" : " " + c.Tipo);
    }
    const std::string condicion = CondicionEliminar(t, r).substr(std::string(" where ").size());
    if (unido_) {
        // Dentro de la misma transacción que la depuración: SQLite confirma las dos bases a la vez (con
        // diario de reversión en las dos, por su diario maestro), y el archivo llega a disco antes.
        const std::string destino = std::string(kUnido) + "." + Comillas(t.Tabla);
        long long filas = 0;
        escribe([&] {
            cn.Execute("CREATE TABLE " + destino + " (" + crea + ")");
            filas = cn.Execute("INSERT INTO " + destino + " SELECT * FROM main." + t.Tabla + " WHERE " +
                               condicion)
                        .UltimaCuenta();
            cn.Execute(std::string("INSERT INTO ") + kUnido + "." + kArchivoTablas + " (" +
                       kColumnasArchivoTablas + ") VALUES (" + Literal(t.Tabla) + ", " +
                       std::to_string(filas) + ", '', " + Literal(kEstadoPendiente) + ")");
        });
        return filas;
    }
    if (wal_) {
        return CopiaDeWal(cn, t, crea, condicion);
    }
    long long filas = 0;
    try {
        es_->Comienza();
        escribe([&] {
            es_->Ejecuta("CREATE TABLE " + Comillas(t.Tabla) + " (" + crea + ")");
            es_->EmpiezaFilas(t.Tabla, columnas.size());
        });
        // Cada fila, desde el valor desde (antes puede ir su rowid), se escribe según llega.
        auto recibe = [&](const std::vector<db::Valor>& f, size_t desde) {
            if (f.size() - desde != columnas.size()) {
                throw ErrorPropio("La consulta de " + t.Tabla + " no dio las columnas de la tabla.");
            }
            escribe([&] { es_->Fila(f, desde); });
            ++filas;
        };
        // Las mismas filas que quitará la depuración: el complemento exacto de lo que se conserva, leído
        // en su transacción y bajo su candado, sin juntarlas en memoria.
        if (dialecto_ == db::Dialecto::SqlServer) {
            cn.Recorre("SELECT * FROM dbo." + t.Tabla + " WHERE " + condicion,
                       [&](const std::vector<db::Valor>& f) { recibe(f, 0); });
        } else {
            // El driver de SQLite junta el resultado entero antes de dar la primera fila: se lee por tramos
            // de rowid, recorriendo la tabla en su orden una sola vez.
            std::string ultimo;
            for (long long enTramo = kFilasPorTramo; enTramo == kFilasPorTramo;) {
                enTramo = 0;
                cn.Recorre("SELECT rowid, * FROM " + t.Tabla + " NOT INDEXED WHERE " +
                               (ultimo.empty() ? "" : "rowid > " + ultimo + " AND ") + "(" + condicion +
                               ") ORDER BY rowid LIMIT " + std::to_string(kFilasPorTramo),
                           [&](const std::vector<db::Valor>& f) {
                               ultimo = f.at(0).value_or("");
                               recibe(f, 1);
                               ++enTramo;
                           });
            }
        }
        escribe([&] {
            es_->TerminaFilas();
            es_->Ejecuta(std::string("INSERT INTO ") + kArchivoTablas + " (" + kColumnasArchivoTablas +
                         ") VALUES (" + Literal(t.Tabla) + ", " + std::to_string(filas) + ", " + "'', " +
                         Literal(kEstadoPendiente) + ")");
            es_->Confirma();
        });
    } catch (...) {
        es_->Deshace();
        throw;
    }
    LlevaADisco();
    return filas;
}

// Antes de que la depuración confirme, las filas ya están en disco.
void ArchivoDepuracion::LlevaADisco() {
    try {
        sincroniza_(ruta_);
    } catch (const std::exception& e) {
        throw ErrorPropio("No se pudo dejar en disco el archivo " + Utf8DeRuta(ruta_) + " (" + e.what() +
                          "); la tabla quedó como estaba.");
    }
}

// En WAL la conexión del archivo lee la base sin esperar: ve lo último confirmado, que es lo que la
// depuración tiene bajo su candado y aún no cambia. Copia con un INSERT … SELECT, confirma y lleva a disco.
long long ArchivoDepuracion::CopiaDeWal(db::Sesion& cn, const TablaDatos& t, const std::string& crea,
                                        const std::string& condicion) {
    const std::string base = Utf8DeRuta(DialectoSQLite::ArchivoBase(cn));
    long long filas = 0;
    try {
        es_->Ejecuta("ATTACH DATABASE " + Literal(base) + " AS " + kBaseUnida);
        try {
            es_->Comienza();
            es_->Ejecuta("CREATE TABLE " + Comillas(t.Tabla) + " (" + crea + ")");
            filas = es_->Ejecuta("INSERT INTO " + Comillas(t.Tabla) + " SELECT * FROM " + kBaseUnida + "." +
                                 t.Tabla + " WHERE " + SinEscapesDeFecha(condicion));
            es_->Ejecuta(std::string("INSERT INTO ") + kArchivoTablas + " (" + kColumnasArchivoTablas +
                         ") VALUES (" + Literal(t.Tabla) + ", " + std::to_string(filas) + ", '', " +
                         Literal(kEstadoPendiente) + ")");
            es_->Confirma();
        } catch (...) {
            es_->Deshace();
            es_->Ejecuta(std::string("DETACH DATABASE ") + kBaseUnida);
            throw;
        }
        es_->Ejecuta(std::string("DETACH DATABASE ") + kBaseUnida);
    } catch (const db::ErrorBD& e) {
        throw ErrorPropio("No se pudo escribir el archivo " + Utf8DeRuta(ruta_) + " (" + e.Descripcion +
                          "); la tabla quedó como estaba.");
    }
    LlevaADisco();
    return filas;
}

void ArchivoDepuracion::Prepara(db::Sesion& cn) {
    if (!es_) {
        Abre(); // antes de la transacción de la tabla: crear el archivo no la alarga
    }
    if (dialecto_ != db::Dialecto::SQLite) {
        return;
    }
    // En WAL la base confirma antes que el archivo (no entra al diario maestro): entonces, y con un diario
    // que no llega a disco, el archivo se escribe y se confirma aparte, antes que la depuración.
    const auto modo = cn.Execute("PRAGMA main.journal_mode");
    const std::string diario =
        modo.Registros && !modo.Registros->Filas.empty() ? modo.Registros->Filas[0][0].value_or("") : "";
    wal_ = diario == "wal";
    if (diario != "delete" && diario != "truncate" && diario != "persist") {
        return;
    }
    try {
        cn.Execute("ATTACH DATABASE " + Literal(RutaParaSQLite(ruta_)) + " AS " + kUnido);
        unido_ = true;
        cn.Execute(std::string("PRAGMA ") + kUnido + ".journal_mode=DELETE");
        cn.Execute(std::string("PRAGMA ") + kUnido + ".synchronous=FULL");
    } catch (const db::ErrorBD& e) {
        Suelta(cn);
        throw ErrorPropio("No se pudo abrir el archivo " + Utf8DeRuta(ruta_) + " (" + e.Descripcion +
                          "); la tabla quedó como estaba.");
    }
}

void ArchivoDepuracion::Suelta(db::Sesion& cn) noexcept {
    if (unido_) {
        unido_ = false;
        try {
            cn.Execute(std::string("DETACH DATABASE ") + kUnido);
        } catch (...) {
            // Sin conexión ya no está unido.
        }
    }
}

void ArchivoDepuracion::Marca(const std::string& tabla, const char* estado) noexcept {
    try {
        if (!es_) {
            return;
        }
        std::string suma = SumaFilas().Texto();
        try {
            suma = es_->Suma(tabla);
        } catch (const db::ErrorBD&) {
            // La tabla no llegó al archivo: se deshizo con la depuración. No guarda ninguna fila.
        }
        if (es_->Ejecuta(std::string("UPDATE ") + kArchivoTablas + " SET estado = " + Literal(estado) +
                         ", suma = " + Literal(suma) + " WHERE tabla = " + Literal(tabla)) == 0) {
            es_->Ejecuta(std::string("INSERT INTO ") + kArchivoTablas + " (" + kColumnasArchivoTablas +
                         ") VALUES (" + Literal(tabla) + ", 0, " + Literal(SumaFilas().Texto()) + ", " +
                         Literal(estado) + ")");
        }
    } catch (const std::exception& e) {
        avisos_.push_back("No se pudo anotar en el archivo " + Utf8DeRuta(ruta_) + " que " + tabla +
                          " quedó " + estado + ": " + e.what() + ". Sus filas guardadas siguen ahí.");
    }
}

void ArchivoDepuracion::Depurada(const std::string& tabla) noexcept {
    Marca(tabla, kEstadoDepurada);
}

void ArchivoDepuracion::NoDepurada(const std::string& tabla) noexcept {
    Marca(tabla, kEstadoNoDepurada);
}

void ArchivoDepuracion::Termina(const std::string& fin) noexcept {
    if (!es_) {
        return;
    }
    try {
        es_->Ejecuta(std::string("UPDATE ") + kArchivoOrigen + " SET fin = " + Literal(fin));
        es_->Cierra();
        sincroniza_(ruta_);
    } catch (const std::exception& e) {
        avisos_.push_back("No se pudo anotar el fin en el archivo " + Utf8DeRuta(ruta_) + ": " + e.what());
    }
    es_.reset();
}

std::vector<std::string> ArchivoDepuracion::TomaAvisos() {
    return std::exchange(avisos_, {});
}

} // namespace ov
