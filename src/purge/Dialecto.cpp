#include "purge/Dialecto.h"

#include "purge/DialectoSQLite.h"
#include "purge/DialectoSqlServer.h"

namespace ov {

std::string SentenciaTarea::Texto() const {
    std::string texto;
    for (const auto& parte : Partes) {
        if (!texto.empty()) {
            texto += ";\r\n";
        }
        texto += parte;
    }
    return texto;
}

void DialectoDepuracion::CreaTemporal(db::Conexion& cn) {
    if (const auto tablas = TablasTemporal(cn)) {
        if (!tablas->empty()) {
            throw db::ErrorBD(
                0, "[ovNalvora]",
                "La base temporal orvalo_temp ya guarda tablas de otra depuración; no se toca.");
        }
        BorraTemporal(cn);
    }
    CreaVacia(cn);
}

std::unique_ptr<DialectoDepuracion> DialectoPara(db::Conexion& cn) {
    if (cn.dialecto() == db::Dialecto::SQLite) {
        return std::make_unique<DialectoSQLite>();
    }
    return std::make_unique<DialectoSqlServer>();
}

// Los literales de fecha conservan su espaciado original: con blanco el de Desde, sin él el de Hasta.
std::string CondicionConservar(const TablaDatos& t, const Rango& r) {
    return " where " + t.Columna + " < { d '" + FormatoFecha(r.Desde) + "'} or " + t.Columna + " >= { d'" +
           FormatoFecha(DiaSiguiente(r.Hasta)) + "'} or " + t.Columna + " is null";
}

std::string Delimita(const std::string& texto, char abre, char cierra) {
    std::string s(1, abre);
    for (char c : texto) {
        s += c;
        if (c == cierra) {
            s += cierra;
        }
    }
    return s + cierra;
}

} // namespace ov
