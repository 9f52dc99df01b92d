#include "cli/Comandos.h"
#include "connections/modNalvora.h"
#include "purge/Temporal.h"

#include <ostream>

namespace ov {

namespace {

void Imprime(const EstadoTemporal& e, std::ostream& salida) {
    salida << "Tabla\tFilas\tFilas de la tabla viva\tDesde\tHasta\n";
    for (const auto& t : e.Tablas) {
        salida << t.Nombre << '\t' << t.Filas << '\t' << (t.FilasVivas ? std::to_string(*t.FilasVivas) : "")
               << '\t' << t.Desde << '\t' << t.Hasta << '\n';
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
    modulo.FijaAvisoEspera([&entorno](const db::AvisoEspera& a) { DiceEspera(entorno.salida, a); });
    const auto leido = LeeSobrante(modulo, conexion);
    if (const auto* error = std::get_if<std::string>(&leido)) {
        entorno.errores << *error << "\n";
        return 2;
    }
    const EstadoTemporal& e = std::get<EstadoTemporal>(leido);
    if (!e.Existe) {
        entorno.salida << "No hay base temporal orvalo_temp en " << e.Lugar << ".\n";
        return 0;
    }
    const bool reponer = o.orden == Opciones::Orden::Reponer;
    if (e.NoEsBase && (o.orden == Opciones::Orden::Temporal || reponer)) {
        entorno.errores << TextoTemporalIlegible(e.Lugar, conexion) << '\n';
        return 1;
    }
    if (o.orden == Opciones::Orden::Temporal) {
        Imprime(e, entorno.salida);
        return 0;
    }
    // Filas de origen desconocido solo van a una base que el operador nombró con --origen.
    const bool sinOrigen = reponer && !e.origen && o.origen.empty();
    if (!o.si && !sinOrigen) {
        if (!entorno.hayTerminal) {
            entorno.errores << "No hay una terminal para confirmar; use --si.\n";
            return 2;
        }
        if (!e.NoEsBase) {
            Imprime(e, entorno.salida);
        }
        const std::string pregunta =
            reponer ? std::string(e.origen ? "" : "No se sabe de qué base salió esta orvalo_temp. ") +
                          "¿Reponer estas filas en sus tablas de la base de la conexión " + conexion + "?"
            : e.NoEsBase
                ? "¿Borrar el archivo orvalo_temp.db de " + e.Lugar + ", que no es una base de datos?"
                : "¿Borrar la base temporal orvalo_temp con todo lo que guarda?";
        if (!PreguntaEnTerminal(entorno, pregunta)) {
            entorno.salida << "No se cambió nada.\n";
            return 1;
        }
    }
    const auto registra = RegistroEnConsola(entorno);
    const auto r = reponer ? ReponeTemporal(modulo, conexion, registra, !o.origen.empty())
                           : DescartaTemporal(modulo, conexion, registra);
    return sinOrigen ? 2 : r.Bien ? 0 : 1;
}

} // namespace ov
