// Genera la carpeta de demostración: dos bases SQLite con las tablas del producto y el orvalo.reg
// que las nombra. Uso: genera_demo CARPETA [--checadas N] [--semilla S]
#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;
namespace ch = std::chrono;

namespace {

constexpr const char* kUso = "Uso: genera_demo CARPETA [--checadas N] [--semilla S]";
constexpr std::uint64_t kMaxChecadas = 50'000'000;

// Fechas fijas para que la misma semilla dé siempre los mismos archivos.
constexpr ch::year_month_day kPrimerDia{ch::year{2023}, ch::December, ch::day{1}};
constexpr ch::year_month_day kUltimoDia{ch::year{2026}, ch::November, ch::day{30}};

struct ErrorDemo : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// splitmix64: la secuencia no depende de la biblioteca estándar, a diferencia de <random>.
class Azar {
public:
    explicit Azar(std::uint64_t semilla) : estado_(semilla) {}
    std::uint64_t Siguiente() {
        std::uint64_t z = (estado_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int Entre(int a, int b) {
        return a + static_cast<int>(Siguiente() % static_cast<std::uint64_t>(b - a + 1));
    }
    bool PorMil(int n) { return Entre(0, 999) < n; }

private:
    std::uint64_t estado_;
};

// ---------- SQLite con dueños RAII ----------

struct CierraBase {
    void operator()(sqlite3* b) const { sqlite3_close(b); }
};
struct FinalizaSentencia {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Base = std::unique_ptr<sqlite3, CierraBase>;

void Ejecuta(sqlite3* b, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(b, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::string texto = error != nullptr ? error : sqlite3_errmsg(b);
        sqlite3_free(error);
        throw ErrorDemo("error de SQLite: " + texto);
    }
}

// Sentencia preparada que se vuelve a usar fila tras fila; un texto nulo se guarda como NULL.
class Insercion {
public:
    Insercion(sqlite3* b, const char* sql) : base_(b) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(b, sql, -1, &s, nullptr) != SQLITE_OK) {
            throw ErrorDemo(std::string("error de SQLite: ") + sqlite3_errmsg(b));
        }
        sentencia_.reset(s);
    }
    Insercion& Entero(int i, int valor) {
        sqlite3_bind_int(sentencia_.get(), i, valor);
        return *this;
    }
    Insercion& Texto(int i, const char* valor) {
        if (valor == nullptr) {
            sqlite3_bind_null(sentencia_.get(), i);
        } else {
            sqlite3_bind_text(sentencia_.get(), i, valor, -1, SQLITE_TRANSIENT);
        }
        return *this;
    }
    void Inserta() {
        if (sqlite3_step(sentencia_.get()) != SQLITE_DONE) {
            throw ErrorDemo(std::string("error de SQLite: ") + sqlite3_errmsg(base_));
        }
        sqlite3_reset(sentencia_.get());
    }

private:
    sqlite3* base_;
    std::unique_ptr<sqlite3_stmt, FinalizaSentencia> sentencia_;
};

constexpr const char* kTablaTransacciones =
    "CREATE TABLE Transacciones (id INTEGER PRIMARY KEY AUTOINCREMENT, empleado INTEGER NOT NULL, "
    "fechayhora DATETIME, reloj VARCHAR(10), tipo VARCHAR(1))";
constexpr const char* kTablasComunes =
    "CREATE TABLE checadas (id INTEGER PRIMARY KEY AUTOINCREMENT, empleado INTEGER NOT NULL, "
    "fechayhora DATETIME, reloj VARCHAR(10));"
    "CREATE TABLE kardex (empleado INTEGER NOT NULL, fecha DATE, entrada VARCHAR(5), salida VARCHAR(5), "
    "incidencia VARCHAR(20));"
    "CREATE TABLE bitacora (id INTEGER PRIMARY KEY AUTOINCREMENT, fechahora DATETIME, usuario VARCHAR(20), "
    "accion VARCHAR(200));";
constexpr const char* kIndiceTransacciones =
    "CREATE INDEX ix_Transacciones_fechayhora ON Transacciones (fechayhora)";
constexpr const char* kIndicesComunes = "CREATE INDEX ix_checadas_fechayhora ON checadas (fechayhora);"
                                        "CREATE INDEX ix_kardex_fecha ON kardex (fecha);"
                                        "CREATE INDEX ix_kardex_empleado_fecha ON kardex (empleado, fecha);"
                                        "CREATE INDEX ix_bitacora_fechahora ON bitacora (fechahora);";
// Se crea al final: el disparador escribiría una línea de bitácora por cada fila de kardex generada.
constexpr const char* kDisparador =
    "CREATE TRIGGER kardex_bitacora AFTER INSERT ON kardex BEGIN INSERT INTO bitacora (fechahora, usuario, "
    "accion) VALUES (strftime('%Y-%m-%d %H:%M:%S','now','localtime'), 'kardex', 'Alta de kardex del empleado "
    "' "
    "|| NEW.empleado || ' del ' || NEW.fecha); END";

// ---------- El modelo de la planta ----------

struct Turno {
    int Entrada, Salida;             // segundos del día, lunes a viernes
    int EntradaSabado, SalidaSabado; // el sábado la oficina sale temprano
};
constexpr Turno kTurnos[] = {
    {6 * 3600, 14 * 3600, 6 * 3600, 14 * 3600},               // matutino
    {14 * 3600, 22 * 3600, 14 * 3600, 22 * 3600},             // vespertino
    {8 * 3600 + 1800, 17 * 3600 + 1800, 9 * 3600, 13 * 3600}, // oficina
};

// Un empleado ocupa un puesto entre dos días laborables (fin excluido); al irse, otro lo releva.
struct Periodo {
    int Puesto, Inicio, Fin, Numero = 0;
};

struct Planta {
    const char* Archivo;
    bool ConTransacciones;
    int PrimerNumero;
    std::vector<std::string> Relojes;
    std::uint64_t Corriente; // separa la secuencia de cada base con la misma semilla
};

struct Checada {
    int Segundos, Empleado;
    const char* Tipo;
    int Reloj;
};

bool EsFestivo(const ch::year_month_day& d) {
    const unsigned m = static_cast<unsigned>(d.month()), dia = static_cast<unsigned>(d.day());
    return (m == 1 && dia == 1) || (m == 5 && dia == 1) || (m == 9 && dia == 16) || (m == 12 && dia == 25);
}

// Lunes a sábado, sin los festivos de ley.
std::vector<ch::year_month_day> DiasLaborables() {
    std::vector<ch::year_month_day> dias;
    for (ch::sys_days d = kPrimerDia; d <= ch::sys_days{kUltimoDia}; d += ch::days{1}) {
        if (ch::weekday{d} != ch::Sunday && !EsFestivo(ch::year_month_day{d})) {
            dias.emplace_back(d);
        }
    }
    return dias;
}

std::string TextoDia(const ch::year_month_day& d) {
    char t[32];
    std::snprintf(t, sizeof t, "%04d-%02u-%02u", static_cast<int>(d.year()), static_cast<unsigned>(d.month()),
                  static_cast<unsigned>(d.day()));
    return t;
}

// "AAAA-MM-DD HH:MM:SS" en t (al menos 20 caracteres).
void TextoFechaHora(char* t, std::size_t n, const std::string& dia, int segundos) {
    const auto s = static_cast<unsigned>(segundos);
    std::snprintf(t, n, "%s %02u:%02u:%02u", dia.c_str(), s / 3600 % 24, s / 60 % 60, s % 60);
}

void TextoHora(char* t, std::size_t n, int segundos) {
    const auto s = static_cast<unsigned>(segundos);
    std::snprintf(t, n, "%02u:%02u", s / 3600 % 24, s / 60 % 60);
}

// Reparte los días-empleado pedidos en puestos fijos; el sobrante es un puesto abierto al final.
std::vector<Periodo> Plantilla(std::uint64_t diasEmpleado, int laborables, Azar& azar) {
    const auto completos = static_cast<int>(diasEmpleado / static_cast<std::uint64_t>(laborables));
    const auto sobrante = static_cast<int>(diasEmpleado % static_cast<std::uint64_t>(laborables));
    const int puestos = completos + (sobrante > 0 ? 1 : 0);
    // Antigüedad media elegida para que pasen unos 150 empleados en los tres años.
    const int media = std::clamp(puestos * laborables / std::max(150 - puestos, 1), 120, 2 * laborables);
    std::vector<Periodo> periodos;
    for (int p = 0; p < puestos; ++p) {
        int d = p < completos ? 0 : laborables - sobrante;
        for (bool primero = true; d < laborables; primero = false) {
            int largo = azar.Entre(media / 2, media * 3 / 2);
            if (primero && d == 0) {
                largo = azar.Entre(1, largo); // ya trabajaba antes del primer día
            }
            periodos.push_back({p, d, std::min(laborables, d + largo)});
            d = periodos.back().Fin;
        }
    }
    // Números de empleado por orden de alta, como los asigna el sistema.
    std::vector<Periodo*> porAlta;
    for (auto& pe : periodos) {
        porAlta.push_back(&pe);
    }
    std::stable_sort(porAlta.begin(), porAlta.end(), [](auto* a, auto* b) { return a->Inicio < b->Inicio; });
    for (std::size_t i = 0; i < porAlta.size(); ++i) {
        porAlta[i]->Numero = static_cast<int>(i);
    }
    return periodos;
}

// Algunas filas sin fecha, capturadas a mano: la depuración debe conservarlas.
void InsertaSinFecha(Insercion* trans, Insercion& checadas, Insercion& kardex, Insercion& bitacora,
                     int empleado, const std::string& reloj) {
    for (int i = 0; i < 2; ++i) {
        if (trans != nullptr) {
            trans->Entero(1, empleado + i).Texto(2, nullptr).Texto(3, reloj.c_str()).Texto(4, "E").Inserta();
        }
        kardex.Entero(1, empleado + i).Texto(2, nullptr).Texto(3, "08:00").Texto(4, "16:00");
        kardex.Texto(5, "Captura manual").Inserta();
        bitacora.Texto(1, nullptr).Texto(2, "admin").Texto(3, "Importación de empleados").Inserta();
    }
    for (int i = 0; i < 3; ++i) {
        checadas.Entero(1, empleado + i).Texto(2, nullptr).Texto(3, reloj.c_str()).Inserta();
    }
}

class GeneradorPlanta {
public:
    GeneradorPlanta(sqlite3* b, const Planta& planta, std::uint64_t semilla)
        : planta_(planta), azar_(semilla ^ planta.Corriente),
          trans_(planta.ConTransacciones
                     ? std::make_unique<Insercion>(
                           b, "INSERT INTO Transacciones (empleado, fechayhora, reloj, tipo) "
                              "VALUES (?, ?, ?, ?)")
                     : nullptr),
          checadas_(b, "INSERT INTO checadas (empleado, fechayhora, reloj) VALUES (?, ?, ?)"),
          kardex_(b,
                  "INSERT INTO kardex (empleado, fecha, entrada, salida, incidencia) VALUES (?, ?, ?, ?, ?)"),
          bitacora_(b, "INSERT INTO bitacora (fechahora, usuario, accion) VALUES (?, ?, ?)") {}

    void Genera(std::uint64_t checadas) {
        const auto dias = DiasLaborables();
        const int laborables = static_cast<int>(dias.size());
        // Por día programado salen unas 1.935 checadas (faltas y omisiones de salida aparte).
        const auto diasEmpleado = static_cast<std::uint64_t>(static_cast<double>(checadas) / 1.935 + 0.5);
        auto periodos = Plantilla(diasEmpleado, laborables, azar_);
        std::vector<int> turno, reloj;
        for (int p = 0; periodos.size() > 0 && p <= periodos.back().Puesto; ++p) {
            const int r = azar_.Entre(0, 99);
            turno.push_back(r < 45 ? 0 : r < 80 ? 1 : 2);
            reloj.push_back(azar_.Entre(0, static_cast<int>(planta_.Relojes.size()) - 1));
        }
        if (planta_.ConTransacciones) {
            ChecadasAntiguas(dias);
        }
        std::vector<Checada> delDia;
        for (int d = 0; d < laborables; ++d) {
            const std::string dia = TextoDia(dias[static_cast<std::size_t>(d)]);
            const bool sabado = ch::weekday{ch::sys_days{dias[static_cast<std::size_t>(d)]}} == ch::Saturday;
            delDia.clear();
            activos_.clear();
            for (const auto& pe : periodos) {
                if (d >= pe.Inicio && d < pe.Fin) {
                    const auto p = static_cast<std::size_t>(pe.Puesto);
                    activos_.push_back(Numero(pe));
                    Jornada(dia, sabado, kTurnos[turno[p]], Numero(pe), reloj[p], delDia);
                }
            }
            std::stable_sort(delDia.begin(), delDia.end(),
                             [](const Checada& a, const Checada& b) { return a.Segundos < b.Segundos; });
            for (const auto& c : delDia) {
                InsertaChecada(dia, c);
            }
            Bitacora(dia, periodos, d, laborables);
            if (d == laborables / 2) {
                InsertaSinFecha(trans_.get(), checadas_, kardex_, bitacora_, planta_.PrimerNumero,
                                planta_.Relojes.front());
            }
        }
    }

private:
    int Numero(const Periodo& pe) const { return planta_.PrimerNumero + pe.Numero; }

    // Un día de un empleado: su fila de kardex y, si vino, sus checadas.
    void Jornada(const std::string& dia, bool sabado, const Turno& t, int empleado, int reloj,
                 std::vector<Checada>& delDia) {
        if (azar_.PorMil(30)) {
            const int r = azar_.Entre(0, 99);
            const char* motivo = r < 60 ? "Falta" : r < 85 ? "Vacaciones" : "Incapacidad";
            kardex_.Entero(1, empleado).Texto(2, dia.c_str()).Texto(3, nullptr).Texto(4, nullptr);
            kardex_.Texto(5, motivo).Inserta();
            return;
        }
        const int inicio = sabado ? t.EntradaSabado : t.Entrada, fin = sabado ? t.SalidaSabado : t.Salida;
        const int retraso =
            azar_.PorMil(60) ? azar_.Entre(11 * 60, 45 * 60) : azar_.Entre(-20 * 60, 9 * 60 + 59);
        const int entrada = inicio + retraso;
        const int salida = fin + azar_.Entre(0, 25 * 60);
        const bool sinSalida = azar_.PorMil(5);
        delDia.push_back({entrada, empleado, "E", reloj});
        if (!sinSalida) {
            delDia.push_back({salida, empleado, "S", reloj});
        }
        char he[16], hs[16];
        TextoHora(he, sizeof he, entrada);
        TextoHora(hs, sizeof hs, salida);
        const char* incidencia = sinSalida           ? "Omisión de salida"
                                 : retraso > 10 * 60 ? "Retardo"
                                                     : "Asistencia";
        kardex_.Entero(1, empleado).Texto(2, dia.c_str()).Texto(3, he).Texto(4, sinSalida ? nullptr : hs);
        kardex_.Texto(5, incidencia).Inserta();
    }

    void InsertaChecada(const std::string& dia, const Checada& c) {
        char fh[40];
        TextoFechaHora(fh, sizeof fh, dia, c.Segundos);
        const char* reloj = planta_.Relojes[static_cast<std::size_t>(c.Reloj)].c_str();
        if (trans_) {
            trans_->Entero(1, c.Empleado).Texto(2, fh).Texto(3, reloj).Texto(4, c.Tipo).Inserta();
        } else {
            checadas_.Entero(1, c.Empleado).Texto(2, fh).Texto(3, reloj).Inserta();
        }
    }

    // El reloj viejo de la planta, antes de pasar a Transacciones: unos cientos de checadas.
    void ChecadasAntiguas(const std::vector<ch::year_month_day>& dias) {
        const int cuantos = std::min<int>(25, static_cast<int>(dias.size()));
        for (int d = 0; d < cuantos; ++d) {
            const std::string dia = TextoDia(dias[static_cast<std::size_t>(d)]);
            char fh[40];
            for (int e = 0; e < 6; ++e) {
                TextoFechaHora(fh, sizeof fh, dia, 6 * 3600 + azar_.Entre(-900, 540));
                checadas_.Entero(1, planta_.PrimerNumero + e).Texto(2, fh).Texto(3, "ANTIGUO").Inserta();
                TextoFechaHora(fh, sizeof fh, dia, 14 * 3600 + azar_.Entre(0, 1500));
                checadas_.Entero(1, planta_.PrimerNumero + e).Texto(2, fh).Texto(3, "ANTIGUO").Inserta();
            }
        }
    }

    // Unas cuantas acciones por día, a horas de oficina y en orden.
    void Bitacora(const std::string& dia, const std::vector<Periodo>& periodos, int d, int laborables) {
        static const char* const kUsuarios[] = {"admin", "rrhh.lopez", "supervisor1", "nomina"};
        struct Linea {
            int Segundos;
            std::string Usuario, Accion;
        };
        std::vector<Linea> lineas;
        const std::string usuario = kUsuarios[azar_.Entre(0, 3)];
        lineas.push_back({8 * 3600 + azar_.Entre(0, 1800), usuario, "Inicio de sesión"});
        std::string relojes;
        for (const auto& r : planta_.Relojes) {
            relojes += (relojes.empty() ? "" : ", ") + r;
        }
        lineas.push_back(
            {9 * 3600 + azar_.Entre(0, 900), usuario, "Descarga de checadas de los relojes " + relojes});
        for (int i = activos_.empty() ? 0 : azar_.Entre(0, 2); i > 0; --i) {
            const int empleado =
                activos_[static_cast<std::size_t>(azar_.Entre(0, static_cast<int>(activos_.size()) - 1))];
            const int r = azar_.Entre(0, 2);
            std::string accion = r == 0 ? "Consulta del reporte de asistencia del " + dia
                                 : r == 1
                                     ? "Justificación de la falta del empleado " + std::to_string(empleado)
                                     : "Cambio de horario del empleado " + std::to_string(empleado);
            lineas.push_back({10 * 3600 + azar_.Entre(0, 6 * 3600), usuario, accion});
        }
        for (const auto& pe : periodos) {
            if (pe.Inicio == d && d > 0) {
                lineas.push_back({11 * 3600 + azar_.Entre(0, 3600), "rrhh.lopez",
                                  "Alta del empleado " + std::to_string(Numero(pe))});
            }
            if (pe.Fin == d + 1 && pe.Fin < laborables) {
                lineas.push_back({13 * 3600 + azar_.Entre(0, 3600), "rrhh.lopez",
                                  "Baja del empleado " + std::to_string(Numero(pe))});
            }
        }
        lineas.push_back({17 * 3600 + azar_.Entre(0, 5400), usuario, "Cierre de sesión"});
        std::stable_sort(lineas.begin(), lineas.end(),
                         [](const Linea& a, const Linea& b) { return a.Segundos < b.Segundos; });
        char fh[40];
        for (const auto& l : lineas) {
            TextoFechaHora(fh, sizeof fh, dia, l.Segundos);
            bitacora_.Texto(1, fh).Texto(2, l.Usuario.c_str()).Texto(3, l.Accion.c_str()).Inserta();
        }
    }

    const Planta& planta_;
    Azar azar_;
    std::unique_ptr<Insercion> trans_;
    Insercion checadas_, kardex_, bitacora_;
    std::vector<int> activos_; // empleados que trabajan el día en curso
};

void BorraBase(const fs::path& archivo) {
    for (const char* sufijo : {"", "-journal", "-wal", "-shm"}) {
        fs::remove(fs::path(archivo.string() + sufijo));
    }
}

// Se escribe en un archivo aparte y se renombra al final: un error no deja media base.
void GeneraBase(const fs::path& carpeta, const Planta& planta, std::uint64_t checadas,
                std::uint64_t semilla) {
    const fs::path destino = carpeta / planta.Archivo;
    const fs::path nuevo = carpeta / (std::string(planta.Archivo) + ".nuevo");
    BorraBase(nuevo);
    try {
        {
            sqlite3* b = nullptr;
            const int rc = sqlite3_open_v2(nuevo.string().c_str(), &b,
                                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
            Base base(b);
            if (rc != SQLITE_OK) {
                throw ErrorDemo(std::string("no se pudo crear la base: ") +
                                (b != nullptr ? sqlite3_errmsg(b) : sqlite3_errstr(rc)));
            }
            Ejecuta(b, "PRAGMA synchronous=OFF; PRAGMA journal_mode=MEMORY; PRAGMA cache_size=-65536");
            Ejecuta(b, "BEGIN");
            if (planta.ConTransacciones) {
                Ejecuta(b, kTablaTransacciones);
            }
            Ejecuta(b, kTablasComunes);
            GeneradorPlanta(b, planta, semilla).Genera(checadas);
            // Índices después de los datos: construirlos de una vez es mucho más rápido.
            if (planta.ConTransacciones) {
                Ejecuta(b, kIndiceTransacciones);
            }
            Ejecuta(b, kIndicesComunes);
            Ejecuta(b, kDisparador);
            Ejecuta(b, "COMMIT");
            if (sqlite3_close(base.release()) != SQLITE_OK) {
                throw ErrorDemo("no se pudo cerrar la base");
            }
        }
        BorraBase(destino);
        fs::rename(nuevo, destino);
    } catch (...) {
        std::error_code ec;
        fs::remove(nuevo, ec);
        throw;
    }
}

// ---------- orvalo.reg ----------

// Comillas y diagonales invertidas van escapadas dentro de un valor de texto del .reg.
std::string EscapaReg(std::string_view valor) {
    std::string r;
    for (char c : valor) {
        if (c == '\\' || c == '"') {
            r += '\\';
        }
        r += c;
    }
    return r;
}

// UTF-8 a UTF-16LE con BOM, como guarda regedit la versión 5.00.
std::string Utf16le(std::string_view texto) {
    std::string r = "\xFF\xFE";
    auto unidad = [&r](std::uint32_t u) {
        r += static_cast<char>(u & 0xFF);
        r += static_cast<char>(u >> 8);
    };
    for (std::size_t i = 0; i < texto.size();) {
        const auto b = static_cast<unsigned char>(texto[i]);
        const int largo = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        if (largo == 0 || i + static_cast<std::size_t>(largo) > texto.size()) {
            throw ErrorDemo("la ruta de la carpeta no es UTF-8 válido");
        }
        std::uint32_t cp = largo == 1 ? b : b & (0x7Fu >> largo);
        for (int k = 1; k < largo; ++k) {
            const auto c = static_cast<unsigned char>(texto[i + static_cast<std::size_t>(k)]);
            if ((c >> 6) != 2) {
                throw ErrorDemo("la ruta de la carpeta no es UTF-8 válido");
            }
            cp = (cp << 6) | (c & 0x3Fu);
        }
        i += static_cast<std::size_t>(largo);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            unidad(0xD800 + (cp >> 10));
            unidad(0xDC00 + (cp & 0x3FF));
        } else {
            unidad(cp);
        }
    }
    return r;
}

struct Entrada {
    const char* Nombre;
    std::string Conn, CharDateIni, CharDateFin, ConnNet;
};

void EscribeReg(const fs::path& carpeta) {
    const std::string base = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Quintara\\Orvalo\\Conexiones";
    const std::string sqlite = "Driver=SQLite3;Database=";
    const Entrada entradas[] = {
        {"Planta Norte", sqlite + (carpeta / "orvalo_norte.db").string(), "'", "'",
         sqlite + "\\\\SRV-NORTE\\Orvalo\\orvalo_norte.db"},
        {"Planta Sur", sqlite + (carpeta / "orvalo_sur.db").string(), "'", "'",
         sqlite + "\\\\SRV-SUR\\Orvalo\\orvalo_sur.db"},
        // Puerto 1 cerrado: la entrada se ve atenuada en la lista.
        {"Corporativo SQL",
         "Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Password=Demo2024;Initial Catalog=Orvalo;"
         "Data Source=127.0.0.1,1;Connect Timeout=3",
         "CONVERT(DATETIME,'", "',120)",
         "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog=Orvalo;"
         "Data Source=SRV-CORP\\ORVALO"},
    };
    std::string texto = "Windows Registry Editor Version 5.00\r\n\r\n" + base + "]\r\n\r\n";
    int n = 0;
    for (const auto& e : entradas) {
        texto += base + "\\" + std::to_string(n++) + "]\r\n";
        texto += "\"Name\"=\"" + EscapaReg(e.Nombre) + "\"\r\n";
        texto += "\"Conn\"=\"" + EscapaReg(e.Conn) + "\"\r\n";
        texto += "\"CharDateIni\"=\"" + EscapaReg(e.CharDateIni) + "\"\r\n";
        texto += "\"CharDateFin\"=\"" + EscapaReg(e.CharDateFin) + "\"\r\n";
        texto += "\"ConnNet\"=\"" + EscapaReg(e.ConnNet) + "\"\r\n\r\n";
    }
    const std::string bytes = Utf16le(texto);
    std::ofstream f(carpeta / "orvalo.reg", std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    f.close();
    if (!f) {
        throw ErrorDemo("no se pudo escribir orvalo.reg");
    }
}

// ---------- Argumentos ----------

struct Opciones {
    std::string Carpeta;
    std::uint64_t Checadas = 100'000;
    std::uint64_t Semilla = 20261130;
};

bool LeeNumero(const std::string& texto, std::uint64_t& valor) {
    const char* fin = texto.data() + texto.size();
    auto [p, ec] = std::from_chars(texto.data(), fin, valor);
    return !texto.empty() && ec == std::errc() && p == fin;
}

// Devuelve vacío si los argumentos sirven; si no, el mensaje para el operador.
std::string LeeOpciones(int argc, char** argv, Opciones& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--checadas" || a == "--semilla") {
            if (i + 1 >= argc) {
                return "a " + a + " le falta su valor.";
            }
            const std::string v = argv[++i];
            if (a == "--checadas") {
                if (!LeeNumero(v, o.Checadas) || o.Checadas > kMaxChecadas) {
                    return "--checadas espera un número entero entre 0 y 50000000, no «" + v + "».";
                }
            } else if (!LeeNumero(v, o.Semilla)) {
                return "--semilla espera un número entero no negativo, no «" + v + "».";
            }
        } else if (a.size() > 1 && a[0] == '-') {
            return "opción desconocida: " + a + ".";
        } else if (o.Carpeta.empty()) {
            o.Carpeta = a;
        } else {
            return "sobra el argumento «" + a + "».";
        }
    }
    return o.Carpeta.empty() ? "falta la carpeta de destino." : "";
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::string_view(argv[1]) == "--ayuda" || std::string_view(argv[1]) == "--help")) {
        std::cout << kUso
                  << "\nCrea orvalo_norte.db, orvalo_sur.db y orvalo.reg en CARPETA (los reemplaza).\n";
        return 0;
    }
    Opciones o;
    if (const std::string error = LeeOpciones(argc, argv, o); !error.empty()) {
        std::cerr << "genera_demo: " << error << '\n' << kUso << '\n';
        return 2;
    }
    try {
        std::error_code ec;
        fs::create_directories(o.Carpeta, ec);
        const fs::path carpeta = fs::canonical(o.Carpeta, ec);
        if (ec || !fs::is_directory(carpeta)) {
            throw ErrorDemo("no se pudo crear la carpeta " + o.Carpeta);
        }
        const Planta norte{"orvalo_norte.db", true, 10001, {"NTE-01", "NTE-02", "NTE-03"}, 0x4E4F5254};
        const Planta sur{"orvalo_sur.db", false, 20001, {"SUR-01", "SUR-02"}, 0x53555200};
        for (const Planta* p : {&norte, &sur}) {
            try {
                GeneraBase(carpeta, *p, o.Checadas, o.Semilla);
            } catch (const fs::filesystem_error&) {
                throw ErrorDemo(std::string(p->Archivo) + ": no se pudo reemplazar el archivo");
            } catch (const std::exception& e) {
                throw ErrorDemo(std::string(p->Archivo) + ": " + e.what());
            }
        }
        EscribeReg(carpeta);
        std::cout << "Demostración escrita en " << carpeta.string() << '\n';
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "genera_demo: " << e.what() << '\n';
        return 1;
    }
}
