// --restaurar-archivo: las filas de un archivo de lo eliminado vuelven a su base.
#include "cli/Comandos.h"
#include "connections/modNalvora.h"
#include "log/Rutas.h"
#include "purge/RestauraArchivo.h"

#include <ostream>

namespace ov {

int ComandoRestaurarArchivo(const Opciones& o, const Registro& registro, EntornoConsola& entorno) {
    const auto ruta = RutaDeUtf8(o.archivo);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(ruta, ec)) {
        entorno.errores << "No existe el archivo " << o.archivo << ".\n";
        return 2;
    }
    std::unique_ptr<db::Conexion> archivo;
    LecturaArchivo l;
    try {
        archivo = AbreArchivoSQLite(ruta);
        l = LeeArchivoDepuracion(*archivo);
    } catch (const db::ErrorBD& e) {
        entorno.errores << o.archivo << ": " << e.Descripcion << '\n';
        return 2;
    }
    // La base de origen, salvo que el operador nombre otra a sabiendas.
    const bool nombrada = !o.conexiones.empty();
    const std::string conexion = nombrada ? o.conexiones.front() : l.Origen.Conexion;
    ModNalvora modulo(registro);
    if (modulo.AbreConexion(conexion) != 0) {
        entorno.errores << "No se pudo abrir la conexión " << conexion << ". " << modulo.UltimoError()
                        << '\n';
        return 2;
    }
    auto& cn = modulo.cnBD();
    std::string servidor, base;
    try {
        auto dialecto = DialectoPara(cn);
        servidor = dialecto->Servidor(cn);
        base = dialecto->Base(cn);
    } catch (const db::ErrorBD& e) {
        entorno.errores << "No se pudo revisar la conexión " << conexion << ": " << e.Descripcion << '\n';
        return 2;
    }
    const std::string deOrigen = "la base " + l.Origen.Base + " de " + l.Origen.Servidor;
    const bool esOrigen = servidor == l.Origen.Servidor && base == l.Origen.Base;
    if (!esOrigen && !nombrada) {
        entorno.errores << "Las filas salieron de " << deOrigen << ", y la conexión " << conexion
                        << " abre ahora la base " << base << " de " << servidor
                        << ". Nombre con --conexion la base donde reponerlas; no se cambió nada.\n";
        return 2;
    }
    entorno.salida << "Tabla\tFilas\tEstado\n";
    for (const auto& t : l.Tablas) {
        entorno.salida << t.Tabla << '\t' << t.Filas << '\t' << t.Estado << '\n';
    }
    if (!o.si) {
        if (!entorno.hayTerminal) {
            entorno.errores << "No hay una terminal para confirmar; use --si.\n";
            return 2;
        }
        const std::string pregunta =
            (esOrigen ? "" : "Las filas salieron de " + deOrigen + ", no de esta. ") +
            "¿Reponer las filas del archivo en la base " + base + " de la conexión " + conexion + "?";
        if (!PreguntaEnTerminal(entorno, pregunta)) {
            entorno.salida << "No se cambió nada.\n";
            return 1;
        }
    }
    const auto registra = RegistroEnConsola(entorno);
    registra("Repone las filas del archivo " + o.archivo + " en la base " + base + " de la conexión " +
             conexion + ".");
    bool bien = true;
    for (const auto& t : RestauraArchivo(*archivo, l, cn)) {
        registra(DescribeRestaurada(t));
        bien = bien && t.Error.empty();
    }
    return bien ? 0 : 1;
}

} // namespace ov
