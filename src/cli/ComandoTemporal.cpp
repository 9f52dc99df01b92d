#include "cli/Comandos.h"
#include "connections/modNalvora.h"
#include "log/EscribeLog.h"
#include "log/Reloj.h"
#include "purge/Temporal.h"

#include <ostream>

namespace ov {

namespace {

// La entrada de la conexión y lo que guarda su orvalo_temp, sin cambiar nada.
std::optional<EstadoTemporal> Lee(ModNalvora& modulo, const std::string& conexion, EntornoConsola& entorno,
                                  std::optional<bool>& esOrigen) {
    if (modulo.AbreConexion(conexion) != 0) {
        entorno.errores << "No se pudo abrir la conexión " << conexion << ". " << modulo.UltimoError()
                        << "\n";
        return std::nullopt;
    }
    auto dialecto = DialectoPara(modulo.cnBD());
    EstadoTemporal e = LeeTemporal(modulo.cnBD(), *dialecto);
    esOrigen = EsLaBaseDeOrigen(modulo.cnBD(), *dialecto, e);
    modulo.cnBD().Close();
    return e;
}

void Imprime(const EstadoTemporal& e, std::ostream& salida) {
    salida << "Tabla\tFilas\tFilas de la tabla viva\n";
    for (const auto& t : e.Tablas) {
        salida << t.Nombre << '\t' << t.Filas << '\t' << (t.FilasVivas ? std::to_string(*t.FilasVivas) : "")
               << '\n';
    }
    salida << "\nOrigen\tConexión\tServidor\tBase\tEquipo\tInicio\tDesde\tHasta\n";
    if (e.origen) {
        salida << "origen";
        for (const auto& v : CamposOrigen(*e.origen)) {
            salida << '\t' << v;
        }
        salida << '\n';
    } else {
        salida << "desconocido\n";
    }
}

} // namespace

int ComandoTemporal(const Opciones& o, const Registro& registro, EntornoConsola& entorno) {
    const std::string& conexion = o.conexiones.front();
    ModNalvora modulo(registro);
    std::optional<bool> esOrigen;
    std::optional<EstadoTemporal> e;
    try {
        e = Lee(modulo, conexion, entorno, esOrigen);
    } catch (const db::ErrorBD& err) {
        entorno.errores << "No se pudo leer la base temporal: " << err.Fuente << " " << err.Descripcion
                        << "\n";
        return 1;
    }
    if (!e) {
        return 2;
    }
    if (!e->Existe) {
        entorno.salida << "No hay base temporal orvalo_temp en " << e->Lugar << ".\n";
        return 0;
    }
    if (o.orden == Opciones::Orden::Temporal) {
        Imprime(*e, entorno.salida);
        return 0;
    }

    const bool reponer = o.orden == Opciones::Orden::Reponer;
    if (!o.si) {
        if (!entorno.hayTerminal) {
            entorno.errores << "No hay una terminal para confirmar; use --si.\n";
            return 2;
        }
        Imprime(*e, entorno.salida);
        std::string pregunta =
            reponer ? "¿Reponer estas filas en sus tablas de la base de la conexión " + conexion + "?"
                    : "¿Borrar la base temporal orvalo_temp con todo lo que guarda?";
        if (reponer && !esOrigen) {
            pregunta = "No se sabe de qué base salió esta orvalo_temp. " + pregunta;
        }
        if (!PreguntaEnTerminal(entorno, pregunta)) {
            entorno.salida << "No se cambió nada.\n";
            return 1;
        }
    }
    const Reloj& reloj = entorno.reloj ? *entorno.reloj : RelojDelSistema();
    const Bitacora bitacora(RutaLogDe(entorno.carpetaPrograma), reloj);
    auto registra = [&](const std::string& texto) {
        bitacora.Linea(texto);
        entorno.salida << LineaConHora(reloj, texto) << '\n';
    };
    const auto r =
        reponer ? ReponeTemporal(modulo, conexion, registra) : DescartaTemporal(modulo, conexion, registra);
    return r.Bien ? 0 : 1;
}

} // namespace ov
