// Las piezas del formato del archivo de lo eliminado: su nombre, su suma, sus literales, sus columnas.
#include "db/CadenaConexion.h"
#include "log/Rutas.h"
#include "purge/Archivo.h"

#include <cstdio>

namespace ov {

std::string FormatoFechaHoraSegundos(FechaHora fh) {
    const auto dia = std::chrono::floor<std::chrono::days>(fh);
    const std::chrono::year_month_day f{dia};
    const std::chrono::hh_mm_ss h{fh - dia};
    char texto[32];
    std::snprintf(texto, sizeof texto, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(f.year()),
                  static_cast<unsigned>(f.month()), static_cast<unsigned>(f.day()),
                  static_cast<int>(h.hours().count()), static_cast<int>(h.minutes().count()),
                  static_cast<int>(h.seconds().count()));
    return texto;
}

std::string NombreArchivo(const std::string& conexion, FechaHora inicio) {
    std::string nombre;
    for (const char c : conexion) {
        const auto u = static_cast<unsigned char>(c);
        // Las letras con acento (UTF-8) valen en cualquier carpeta; los signos de la consola, no.
        const bool segura = u >= 0x80 || (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') ||
                            (u >= 'a' && u <= 'z') || c == '-' || c == '_' || c == '.';
        nombre += segura ? c : '_';
    }
    if (nombre.empty() || nombre.front() == '.') {
        nombre.insert(nombre.begin(), '_');
    }
    std::string hora = FormatoFechaHoraSegundos(inicio); // yyyy-MM-dd HH:mm:ss
    std::erase(hora, '-');
    std::erase(hora, ':');
    hora[8] = '-';
    return nombre + "-" + hora + ".db";
}

void SumaFilas::Agrega(const std::vector<db::Valor>& fila, std::size_t desde) {
    std::uint64_t h = 14695981039346656037ULL;
    auto mezcla = [&h](unsigned char b) {
        h ^= b;
        h *= 1099511628211ULL;
    };
    for (std::size_t i = desde; i < fila.size(); ++i) {
        const auto& v = fila[i];
        mezcla(v ? 1 : 0);
        if (v) {
            for (const char c : *v) {
                mezcla(static_cast<unsigned char>(c));
            }
        }
        mezcla(255);
    }
    suma_ += h;
}

std::string SumaFilas::Texto() const {
    char texto[17];
    std::snprintf(texto, sizeof texto, "%016llx", static_cast<unsigned long long>(suma_));
    return texto;
}

std::string ParrafoArchivo(const std::string& carpeta) {
    return carpeta.empty()
               ? std::string()
               : "\r\n\r\nAntes de eliminarlas, las filas se guardarán en un archivo de la carpeta " +
                     carpeta + ".";
}

void AgregaLiteral(std::string& sql, const db::Valor& v, bool unicode) {
    if (!v) {
        sql += "NULL";
        return;
    }
    if (unicode) {
        sql += 'N';
    }
    sql += '\'';
    for (const char c : *v) {
        sql += c;
        if (c == '\'') {
            sql += c;
        }
    }
    sql += '\'';
}

std::string Literal(const db::Valor& v, bool unicode) {
    return v ? (unicode ? "N" : "") + Delimita(*v, '\'', '\'') : "NULL";
}

// Con '/': el driver de SQLite la toma igual en Windows, y bajo wine el del anfitrión solo así.
std::string RutaParaSQLite(const std::filesystem::path& archivo) {
    const std::u8string u = archivo.generic_u8string();
    return std::string(u.begin(), u.end());
}

std::unique_ptr<db::Conexion> AbreArchivoSQLite(const std::filesystem::path& archivo) {
    std::string driver = "SQLite3";
    for (const auto& d : db::DriversInstalados()) {
        if (db::Minusculas(d).find("sqlite3") != std::string::npos) {
            driver = d;
            break;
        }
    }
    const std::string ruta = RutaParaSQLite(archivo);
    if (ruta.find(';') != std::string::npos) {
        throw ErrorPropio("La ruta del archivo " + ruta + " lleva ';': elija otra carpeta.");
    }
    auto cn = std::make_unique<db::Conexion>();
    db::CadenaOdbc cadena;
    cadena.Texto = "Driver={" + driver + "};Database=" + ruta;
    cn->OpenOdbc(cadena);
    return cn;
}

std::vector<ColumnaDeclarada> ColumnasDeclaradas(db::Sesion& cn, db::Dialecto d, const std::string& tabla) {
    std::vector<ColumnaDeclarada> columnas;
    if (d == db::Dialecto::SqlServer) {
        const auto r = cn.Execute(
            "select c.name as nombre, t.name as tipo, c.max_length as largo, c.precision as precision_, "
            "c.scale as escala from sys.columns c join sys.types t on t.user_type_id = c.user_type_id "
            "where c.object_id = object_id(" +
            Literal("dbo." + tabla) + ") order by c.column_id");
        if (r.Registros) {
            for (const auto& f : r.Registros->Filas) {
                auto v = [&f](size_t i) { return i < f.size() ? f[i].value_or("") : std::string(); };
                std::string tipo = v(1);
                const std::string largo = v(2);
                if (tipo == "char" || tipo == "varchar" || tipo == "binary" || tipo == "varbinary") {
                    tipo += "(" + (largo == "-1" ? std::string("max") : largo) + ")";
                } else if (tipo == "nchar" || tipo == "nvarchar") {
                    tipo += "(" +
                            (largo == "-1" ? std::string("max") : std::to_string(std::stoll(largo) / 2)) +
                            ")";
                } else if (tipo == "decimal" || tipo == "numeric") {
                    tipo += "(" + v(3) + "," + v(4) + ")";
                } else if (tipo == "datetime2" || tipo == "time" || tipo == "datetimeoffset") {
                    tipo += "(" + v(4) + ")";
                }
                columnas.push_back({v(0), tipo});
            }
        }
        return columnas;
    }
    const auto r = cn.Execute("SELECT name, type FROM pragma_table_info(" + Literal(tabla) + ", 'main')");
    if (r.Registros) {
        for (const auto& f : r.Registros->Filas) {
            columnas.push_back({f[0].value_or(""), f.size() > 1 ? f[1].value_or("") : ""});
        }
    }
    return columnas;
}

} // namespace ov
