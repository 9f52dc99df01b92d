#include "cli/Opciones.h"

#include "connections/modNalvora.h"

#include <charconv>

namespace ov {

namespace {

std::optional<std::vector<int>> LeePasos(const std::string& texto) {
    std::vector<int> pasos;
    size_t inicio = 0;
    while (inicio <= texto.size()) {
        const size_t fin = std::min(texto.find(',', inicio), texto.size());
        int n = 0;
        const auto r = std::from_chars(texto.data() + inicio, texto.data() + fin, n);
        if (r.ec != std::errc{} || r.ptr != texto.data() + fin || n < 1 || n > 8) {
            return std::nullopt;
        }
        pasos.push_back(n);
        inicio = fin + 1;
    }
    return pasos;
}

// Segundos enteros; el tope es lo que cabe en milisegundos de 32 bits (casi 25 días).
std::optional<std::chrono::seconds> LeeEspera(const std::string& texto) {
    long long n = 0;
    const auto r = std::from_chars(texto.data(), texto.data() + texto.size(), n);
    if (texto.empty() || r.ec != std::errc{} || r.ptr != texto.data() + texto.size() || n < 0 ||
        n > 2147483) {
        return std::nullopt;
    }
    return std::chrono::seconds{n};
}

} // namespace

std::variant<Opciones, std::string> LeeOpciones(const std::vector<std::string>& argumentos) {
    Opciones o;
    bool esperaDada = false;
    auto fijaOrden = [&o](Opciones::Orden orden) {
        if (o.orden != Opciones::Orden::Ninguna && o.orden != orden) {
            return false;
        }
        o.orden = orden;
        return true;
    };
    bool conEstrategia = false;
    bool archivoDado = false;
    for (size_t i = 0; i < argumentos.size(); ++i) {
        const std::string& a = argumentos[i];
        auto valor = [&](std::string& destino) {
            if (i + 1 >= argumentos.size()) {
                return false;
            }
            destino = argumentos[++i];
            return true;
        };
        bool bien = true;
        if (a == "--version") {
            bien = fijaOrden(Opciones::Orden::Version);
        } else if (a == "--ayuda" || a == "--help" || a == "-h" || a == "/?") {
            bien = fijaOrden(Opciones::Orden::Ayuda);
        } else if (a == "--conexiones") {
            bien = fijaOrden(Opciones::Orden::Conexiones);
        } else if (a == "--depurar") {
            bien = fijaOrden(Opciones::Orden::Depurar);
        } else if (a == "--temporal") {
            bien = fijaOrden(Opciones::Orden::Temporal);
        } else if (a == "--reponer") {
            bien = fijaOrden(Opciones::Orden::Reponer);
        } else if (a == "--descartar-temporal") {
            bien = fijaOrden(Opciones::Orden::DescartarTemporal);
        } else if (a == "--archivo" || a == "--restaurar-archivo") {
            if (a == "--restaurar-archivo") {
                bien = fijaOrden(Opciones::Orden::RestaurarArchivo);
            }
            if (!valor(o.archivo) || o.archivo.empty()) {
                return "Falta " + std::string(a == "--archivo" ? "la carpeta" : "el archivo") +
                       " después de " + a + ".";
            }
            archivoDado = a == "--archivo";
        } else if (a == "--registro") {
            if (!valor(o.registro)) {
                return std::string("Falta el archivo después de --registro.");
            }
        } else if (a == "--conexion") {
            std::string nombre;
            if (!valor(nombre)) {
                return std::string("Falta el nombre después de --conexion.");
            }
            o.conexiones.push_back(nombre);
        } else if (a == "--origen") {
            if (!valor(o.origen)) {
                return std::string("Falta el nombre de la conexión después de --origen.");
            }
        } else if (a == "--desde" || a == "--hasta") {
            if (!valor(a == "--desde" ? o.desde : o.hasta)) {
                return "Falta la fecha después de " + a + ".";
            }
        } else if (a == "--pasos") {
            std::string texto;
            if (!valor(texto)) {
                return std::string("Falta la lista después de --pasos.");
            }
            const auto pasos = LeePasos(texto);
            if (!pasos) {
                return "Pasos no válidos: " + texto + ". Use números del 1 al 8 separados por comas.";
            }
            o.pasos = *pasos;
        } else if (a == "--espera") {
            std::string texto;
            if (!valor(texto)) {
                return std::string("Faltan los segundos después de --espera.");
            }
            const auto espera = LeeEspera(texto);
            if (!espera) {
                return "Espera no válida: " + texto +
                       ". Use los segundos que se espera a una base ocupada por otro proceso (0 es sin "
                       "límite).";
            }
            o.espera = *espera;
            esperaDada = true;
        } else if (a == "--estrategia") {
            std::string texto;
            if (!valor(texto)) {
                return std::string("Falta auto, copia o borrado después de --estrategia.");
            }
            const auto e = LeeEstrategia(texto);
            if (!e) {
                return "Estrategia no válida: " + texto + ". Use auto, copia o borrado.";
            }
            o.estrategia = *e;
            conEstrategia = true;
        } else if (a == "--simular") {
            o.simular = true;
        } else if (a == "--si") {
            o.si = true;
        } else {
            return "Opción no reconocida: " + a + ".";
        }
        if (!bien) {
            return "Solo se puede pedir una cosa a la vez: " + a + " no va con las otras opciones.";
        }
    }
    if (o.orden == Opciones::Orden::Ninguna) {
        return std::string("Falta qué hacer: --conexiones, --depurar, --temporal, --reponer, "
                           "--descartar-temporal, --version o --ayuda.");
    }
    if (conEstrategia && o.orden != Opciones::Orden::Depurar) {
        return std::string("--estrategia va solo con --depurar.");
    }
    if (archivoDado && o.orden != Opciones::Orden::Depurar) {
        return std::string("--archivo va solo con --depurar.");
    }
    if (o.orden == Opciones::Orden::RestaurarArchivo) {
        if (o.conexiones.size() > 1 || !o.desde.empty() || !o.hasta.empty() || !o.pasos.empty() ||
            o.simular) {
            return std::string("Con --restaurar-archivo solo van --conexion (una) y --si.");
        }
        return o;
    }
    if (esperaDada && o.orden != Opciones::Orden::Depurar) {
        return std::string("--espera va solo con --depurar.");
    }
    if (!o.origen.empty() && o.orden != Opciones::Orden::Reponer) {
        return std::string("--origen va solo con --reponer.");
    }
    if (!o.origen.empty() &&
        (o.conexiones.size() != 1 || NombreComparable(o.origen) != NombreComparable(o.conexiones.front()))) {
        return std::string("--origen confirma la base de la conexión que se repone: nombre la misma que en "
                           "--conexion.");
    }
    if (o.orden == Opciones::Orden::Depurar) {
        if (o.conexiones.empty()) {
            return std::string("Falta al menos una --conexion para depurar.");
        }
        if (o.desde.empty() || o.hasta.empty()) {
            return std::string("Faltan las fechas: --desde AAAA-MM-DD y --hasta AAAA-MM-DD.");
        }
    } else if (o.orden == Opciones::Orden::Temporal || o.orden == Opciones::Orden::Reponer ||
               o.orden == Opciones::Orden::DescartarTemporal) {
        if (o.conexiones.size() != 1) {
            return std::string("Diga una sola --conexion cuya base temporal orvalo_temp se revisa.");
        }
        if (!o.desde.empty() || !o.hasta.empty() || !o.pasos.empty() || o.simular ||
            (o.si && o.orden == Opciones::Orden::Temporal)) {
            return std::string(
                "Con --temporal, --reponer y --descartar-temporal solo van --conexion, --si y --origen.");
        }
    } else if (!o.conexiones.empty() || !o.desde.empty() || !o.hasta.empty() || !o.pasos.empty() ||
               o.simular || o.si) {
        return std::string("--conexion, --desde, --hasta, --pasos, --simular y --si van solo con --depurar.");
    }
    return o;
}

} // namespace ov
