#include "cli/Comandos.h"
#include "connections/modNalvora.h"
#include "log/Fechas.h"
#include "log/Reloj.h"
#include "purge/Dialecto.h"
#include "purge/ListaColumnas.h"

#include <ostream>

namespace ov {

namespace {

void Lote(std::string& guion, const std::string& texto) {
    guion += texto + "\nGO\n";
}

// Una conexión del plan: sus cuentas a la salida y sus lotes al guion, en el orden de la corrida.
void SimulaBloque(const Plan& plan, int primera, const Rango& r, Estrategia estrategia, ModNalvora& modulo,
                  const Reloj& reloj, std::ostream& salida, std::string& guion) {
    const std::string& conexion = plan.TareaEn(primera).Conexion;
    auto dialecto = DialectoPara(modulo.cnBD());
    bool temporalCreada = false;
    for (int k = primera; k < primera + kPasosPorConexion && k <= plan.Count(); ++k) {
        if (!plan.NodoEn(k).Checked) {
            continue;
        }
        const Tarea& t = plan.TareaEn(k);
        const auto tabla = TablaDeClave(t.Clave);
        std::string columnas;
        if (t.Clave == "TRANSACCIONES" || t.Clave == "CHECADAS") {
            columnas = ListaColumnas(modulo, *dialecto, dialecto->NombreParaColumnas(tabla->Tabla), conexion);
            if (!modulo.cnBD().Abierta()) {
                throw ErrorPropio("La conexión dejó de abrir. " + modulo.UltimoError());
            }
        }
        auto& cn = modulo.cnBD();
        if (!tabla) {
            const std::string base =
                t.Clave == "SHRINK" || t.Clave == "UPDATEUSAGE" ? cn.DefaultDatabase() : std::string();
            Lote(guion, dialecto->Sentencia(cn, t.Clave, {}, base).Texto());
            continue;
        }
        const long long total = dialecto->CuentaFilas(cn, tabla->Tabla);
        const long long conservar = dialecto->CuentaConservadas(cn, *tabla, r);
        const Estrategia usada = dialecto->Elige(
            estrategia, dialecto->MideCosto(cn, *tabla, r, total, estrategia, total - conservar),
            tabla->Tabla);
        salida << conexion << '\t' << tabla->Tabla << '\t' << (total - conservar) << '\t' << conservar << '\t'
               << NombreEstrategia(usada) << '\n';
        if (usada == Estrategia::Borrado) {
            Lote(guion, dialecto->GuionBorrado(cn, *tabla, r));
            continue;
        }
        if (!temporalCreada) {
            Lote(guion,
                 dialecto->GuionCreaTemporal(cn, Origen{conexion, dialecto->Servidor(cn), dialecto->Base(cn),
                                                        NombreEquipo(), FormatoFechaHora(reloj.Ahora()),
                                                        FormatoFecha(r.Desde), FormatoFecha(r.Hasta)}));
            temporalCreada = true;
        }
        Lote(guion, dialecto->GuionDepuracion(cn, *tabla, r, dialecto->Sentencia(cn, t.Clave, columnas, "")));
    }
    if (temporalCreada) {
        Lote(guion, dialecto->GuionBorraTemporal(modulo.cnBD()));
    }
}

} // namespace

int ComandoSimular(Plan& plan, const Rango& r, Estrategia estrategia, const Registro& registro,
                   EntornoConsola& entorno) {
    ModNalvora modulo(registro);
    const Reloj& reloj = entorno.reloj ? *entorno.reloj : RelojDelSistema();
    std::string guion;
    int codigo = 0;
    entorno.salida << "Conexión\tTabla\tEliminar\tConservar\tEstrategia\n";
    for (int primera = 1; primera <= plan.Count(); primera += kPasosPorConexion) {
        const std::string& conexion = plan.TareaEn(primera).Conexion;
        bool alguna = false;
        for (int k = primera; k < primera + kPasosPorConexion && k <= plan.Count(); ++k) {
            alguna = alguna || plan.NodoEn(k).Checked;
        }
        if (!alguna) {
            continue;
        }
        if (modulo.AbreConexion(conexion) != 0) {
            entorno.errores << "No se pudo abrir la conexión " << conexion << ". " << modulo.UltimoError()
                            << "\n";
            codigo = 1;
            continue;
        }
        try {
            SimulaBloque(plan, primera, r, estrategia, modulo, reloj, entorno.salida, guion);
            modulo.cnBD().Close();
        } catch (const db::ErrorBD& e) {
            entorno.errores << "Error en " << conexion << ": " << e.Fuente << " " << e.Descripcion << "\n";
            codigo = 1;
        }
    }
    entorno.salida << '\n' << guion;
    return codigo;
}

} // namespace ov
