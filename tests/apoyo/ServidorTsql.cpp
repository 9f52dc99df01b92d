#include "apoyo/ServidorTsql.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace ov::prueba {

namespace {

ServidorTsql Busca() {
    ServidorTsql s;
    if (const char* propia = std::getenv("OVNALVORA_PRUEBA_SQLSERVER");
        propia != nullptr && *propia != '\0') {
        s.Cadena = propia;
    } else if (std::ifstream archivo(OV_CADENA_TSQL); archivo) {
        std::getline(archivo, s.Cadena);
        s.Motivo = "el servidor que arrancó CTest no dejó su cadena";
    } else {
        s.Motivo =
            "no está OVNALVORA_PRUEBA_SQLSERVER; corra la prueba con ctest, que arranca el de " OV_BABELFISH;
    }
    if (!s.Cadena.empty()) {
        db::Conexion cn;
        cn.Open(s.Cadena);
        const auto r = cn.Execute("SELECT @@VERSION");
        s.Babelfish = r.Registros && !r.Registros->Filas.empty() && r.Registros->Filas[0][0] &&
                      r.Registros->Filas[0][0]->find("Babelfish") != std::string::npos;
    }
    return s;
}

} // namespace

const ServidorTsql& ServidorDePruebas() {
    static const ServidorTsql servidor = Busca();
    return servidor;
}

void EjecutaEnServidor(const std::string& sql) {
    db::Conexion cn;
    cn.Open(ServidorDePruebas().Cadena);
    cn.Execute(sql);
}

void BorraOrvaloTemp() {
    try {
        EjecutaEnServidor("IF DB_ID('orvalo_temp') IS NOT NULL DROP DATABASE orvalo_temp");
    } catch (const db::ErrorBD&) {
    }
}

BaseTsql::BaseTsql(const std::string& prefijo) {
    static std::atomic<int> cuenta{0};
    nombre_ = prefijo + "_" + std::to_string(getpid()) + "_" + std::to_string(++cuenta);
    EjecutaEnServidor("CREATE DATABASE " + nombre_);
    cn_.Open(Cadena());
}

BaseTsql::~BaseTsql() {
    try {
        if (cn_.Abierta()) {
            cn_.Close();
        }
        EjecutaEnServidor("DROP DATABASE " + nombre_);
    } catch (const db::ErrorBD& e) {
        ADD_FAILURE() << "no se pudo borrar la base " << nombre_ << ": " << e.Descripcion;
    }
}

std::string BaseTsql::Cadena() const {
    const std::string& c = ServidorDePruebas().Cadena;
    return c + (c.empty() || c.ends_with(';') ? "" : ";") + "Database=" + nombre_;
}

std::vector<std::string> BaseTsql::Filas(const std::string& sql) {
    const auto r = cn_.Execute(sql);
    std::vector<std::string> filas;
    if (!r.Registros) {
        return filas;
    }
    for (const auto& f : r.Registros->Filas) {
        std::string linea;
        for (size_t i = 0; i < f.size(); ++i) {
            linea += (i ? "|" : "") + f[i].value_or("NULL");
        }
        filas.push_back(linea);
    }
    return filas;
}

std::string BaseTsql::Valor(const std::string& sql) {
    const auto r = cn_.Execute(sql);
    if (!r.Registros || r.Registros->Filas.empty() || r.Registros->Filas[0].empty()) {
        throw std::runtime_error("sin filas: " + sql);
    }
    return r.Registros->Filas[0][0].value_or("");
}

void CreaBaseOrvalo(BaseTsql& b, bool conTransacciones) {
    // Como las del producto: solo transacciones tiene columna de identidad.
    const std::string checadas = conTransacciones ? "Transacciones" : "checadas";
    b.Ejecuta("CREATE TABLE " + checadas + " (id int " + (conTransacciones ? "IDENTITY(1,1) " : "") +
              "PRIMARY KEY, empleado int, fechayhora datetime, reloj varchar(18))");
    b.Ejecuta("CREATE TABLE kardex (empleado int, fecha datetime, tipo varchar(10))");
    b.Ejecuta("CREATE TABLE bitacora (id int PRIMARY KEY, fechahora datetime, texto varchar(100))");
    int id = 0;
    for (int empleado = 1; empleado <= 3; ++empleado) {
        const std::string e = std::to_string(empleado);
        for (const char* fecha : kFechasOrvalo) {
            const std::string f = fecha ? "{ts '" + std::string(fecha) + "'}" : "NULL";
            const std::string i = std::to_string(++id);
            b.Ejecuta("INSERT INTO " + checadas + " (" + (conTransacciones ? "" : "id, ") +
                      "empleado, fechayhora, reloj) VALUES (" + (conTransacciones ? "" : i + ", ") + e +
                      ", " + f + ", 'R" + e + "')");
            b.Ejecuta("INSERT INTO kardex (empleado, fecha, tipo) VALUES (" + e + ", " + f + ", 'A')");
            b.Ejecuta("INSERT INTO bitacora (id, fechahora, texto) VALUES (" + i + ", " + f + ", 'empleado " +
                      e + "')");
        }
    }
    // El disparador va al final: así la bitácora tiene solo las filas sembradas.
    b.Ejecuta("CREATE TRIGGER kardex_bitacora ON kardex AFTER INSERT AS INSERT INTO bitacora (id, fechahora, "
              "texto) SELECT (SELECT MAX(id) FROM bitacora) + 1, GETDATE(), 'kardex' FROM inserted");
}

std::vector<std::string> FilasDe(BaseTsql& b, const std::string& tabla) {
    auto filas = b.Filas("SELECT * FROM " + tabla);
    std::sort(filas.begin(), filas.end());
    return filas;
}

} // namespace ov::prueba
