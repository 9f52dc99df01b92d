#include "purge/Recuento.h"

#include "purge/Dialecto.h"

namespace ov {

namespace {

constexpr const char* kSalto = "\r\n";
// Blanco que no parte la cifra al ajustar el texto del cuadro.
constexpr const char* kSinCorte = "\u00A0";

// El nombre de la tabla como lo lee el operador.
std::string NombreVisible(const std::string& tabla) {
    return tabla == "bitacora" ? "bitácora" : tabla;
}

CuentaConexion& ConexionDe(std::vector<CuentaConexion>& cuentas, const std::string& conexion) {
    for (auto& c : cuentas) {
        if (c.Conexion == conexion) {
            return c;
        }
    }
    return cuentas.emplace_back(CuentaConexion{conexion, {}, {}});
}

void Cuenta(ModNalvora& modulo, CuentaConexion& c, const TablaDatos& t, const Rango& r) {
    CuentaTabla cuenta{t.Tabla, 0, 0, {}};
    if (modulo.AbreConexion(c.Conexion) != 0) {
        c.Error = modulo.UltimoError();
        return;
    }
    auto& cn = modulo.cnBD();
    try {
        auto dialecto = DialectoPara(cn);
        cuenta.Total = dialecto->CuentaFilas(cn, t.Tabla);
        cuenta.Eliminar = cuenta.Total - dialecto->CuentaConservadas(cn, t, r);
    } catch (const db::ErrorBD& e) {
        cuenta.Error = e.Descripcion;
    }
    try {
        if (cn.Abierta()) {
            cn.Close();
        }
    } catch (const db::ErrorBD&) {
        // Solo se contaba: la cuenta ya está hecha o su error ya se anotó.
    }
    c.Tablas.push_back(cuenta);
}

} // namespace

std::vector<CuentaConexion> CuentaLoQueSeElimina(ModNalvora& modulo, const Plan& plan, const Rango& r) {
    std::vector<CuentaConexion> cuentas;
    for (int k = 1; k <= plan.Count(); ++k) {
        const Tarea& t = plan.TareaEn(k);
        const auto tabla = TablaDeClave(t.Clave);
        if (!plan.NodoEn(k).Checked || !tabla) {
            continue;
        }
        CuentaConexion& c = ConexionDe(cuentas, t.Conexion);
        if (c.Error.empty()) { // una conexión que no abrió no se intenta tabla por tabla
            Cuenta(modulo, c, *tabla, r);
        }
    }
    return cuentas;
}

std::string ConMiles(long long n) {
    const std::string digitos = std::to_string(n < 0 ? -n : n);
    std::string texto;
    for (size_t i = 0; i < digitos.size(); ++i) {
        if (i > 0 && (digitos.size() - i) % 3 == 0) {
            texto += kSinCorte;
        }
        texto += digitos[i];
    }
    return (n < 0 ? "-" : "") + texto;
}

std::string ParrafoRecuento(const std::vector<CuentaConexion>& cuentas) {
    if (cuentas.empty()) {
        return "No hay marcado ningún paso que elimine datos: no se eliminará ninguna fila.";
    }
    std::string p = "Filas que se eliminarán, de las que hay en cada tabla:";
    for (const auto& c : cuentas) {
        p += kSalto + c.Conexion + ": ";
        if (!c.Error.empty()) {
            p += "no se pudo abrir la conexión, " + c.Error;
        }
        for (size_t i = 0; i < c.Tablas.size(); ++i) {
            const CuentaTabla& t = c.Tablas[i];
            p += (i == 0 ? "" : ", ") + NombreVisible(t.Tabla) + " ";
            p += t.Error.empty() ? ConMiles(t.Eliminar) + " de " + ConMiles(t.Total)
                                 : "sin contar (" + t.Error + ")";
        }
        if (p.back() != '.') {
            p += '.';
        }
    }
    return p;
}

std::string SegundaPreguntaConRecuento(const std::string& pregunta,
                                       const std::vector<CuentaConexion>& cuentas) {
    return pregunta + kSalto + kSalto + ParrafoRecuento(cuentas);
}

} // namespace ov
