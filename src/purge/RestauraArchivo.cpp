#include "purge/RestauraArchivo.h"

#include "purge/Rango.h"

namespace ov {

namespace {

constexpr int kFilasPorLote = 500; // SQL Server admite hasta 1000 filas en un VALUES

std::string Texto(const db::Resultado& r, size_t fila, size_t columna) {
    if (!r.Registros || fila >= r.Registros->Filas.size() || columna >= r.Registros->Filas[fila].size()) {
        return {};
    }
    return r.Registros->Filas[fila][columna].value_or("");
}

// La tabla auxiliar de la restauración, con las columnas y tipos de la tabla viva; vive en la conexión.
struct Auxiliar {
    std::string Nombre, Crea, Borra;
};

Auxiliar AuxiliarPara(db::Dialecto d, const std::string& tabla) {
    if (d == db::Dialecto::SqlServer) {
        // Con UNION, SELECT INTO no hereda la propiedad IDENTITY (documentación de SELECT … INTO):
        // la auxiliar recibe los valores de identidad del archivo tal cual.
        return {"#ovnalvora_archivo",
                "select * into #ovnalvora_archivo from dbo." + tabla +
                    " where 1 = 0 union all select * from dbo." + tabla + " where 1 = 0",
                "drop table #ovnalvora_archivo"};
    }
    return {"temp.ovnalvora_archivo",
            "CREATE TEMP TABLE ovnalvora_archivo AS SELECT * FROM main." + tabla + " WHERE 0",
            "DROP TABLE temp.ovnalvora_archivo"};
}

TablaRestaurada RestauraTabla(db::Conexion& archivo, db::Conexion& destino, DialectoDepuracion& dialecto,
                              const TablaArchivada& t) {
    TablaRestaurada res{t.Tabla, 0, 0, {}};
    const auto datos = TablaDeNombre(t.Tabla);
    if (!datos) {
        res.Error = "no es una tabla que se depure; no se tocó.";
        return res;
    }
    const std::string tabla = datos->Tabla;
    std::string columnas;
    const auto info = archivo.Execute("SELECT name FROM pragma_table_info(" + Literal(t.Tabla) + ")");
    for (size_t i = 0; info.Registros && i < info.Registros->Filas.size(); ++i) {
        columnas += (columnas.empty() ? "" : ",") + EntreCorchetes(Texto(info, i, 0));
    }
    if (columnas.empty()) {
        res.Error = "el archivo no tiene la tabla; no se tocó.";
        return res;
    }
    const bool sqlServer = destino.dialecto() == db::Dialecto::SqlServer;
    const Auxiliar aux = AuxiliarPara(destino.dialecto(), tabla);
    const std::string lee = "SELECT " + columnas + " FROM " + Delimita(t.Tabla, '"', '"');
    // Las filas pasan del archivo a la auxiliar por tandas, ya con la tabla bloqueada.
    auto carga = [&](db::Sesion& cn) {
        cn.Execute(aux.Crea);
        const std::string prefijo = "INSERT INTO " + aux.Nombre + " (" + columnas + ") VALUES ";
        std::string lote;
        int enLote = 0;
        auto vacia = [&] {
            if (enLote > 0) {
                cn.Execute(lote);
                lote.clear();
                enLote = 0;
            }
        };
        archivo.Recorre(lee, [&](const std::vector<db::Valor>& f) {
            lote += enLote == 0 ? prefijo + "(" : ",(";
            for (size_t i = 0; i < f.size(); ++i) {
                if (i > 0) {
                    lote += ',';
                }
                AgregaLiteral(lote, f[i], sqlServer);
            }
            lote += ')';
            ++res.Archivadas;
            if (++enLote == kFilasPorLote) {
                vacia();
            }
        });
        vacia();
        if (res.Archivadas != t.Filas) {
            throw ErrorPropio("El archivo dice " + std::to_string(t.Filas) + " filas de " + t.Tabla +
                              " y tiene " + std::to_string(res.Archivadas) + "; no se repuso nada.");
        }
    };
    try {
        res.Repuestas = dialecto.ReponeDesde(destino, tabla, columnas, {aux.Nombre, carga, aux.Borra});
    } catch (const db::ErrorBD& e) {
        res.Error = e.Descripcion + " La tabla quedó como estaba.";
    }
    return res;
}

} // namespace

LecturaArchivo LeeArchivoDepuracion(db::Conexion& archivo) {
    LecturaArchivo l;
    try {
        const auto o =
            archivo.Execute(std::string("SELECT ") + kColumnasArchivoOrigen + " FROM " + kArchivoOrigen);
        if (!o.Registros || o.Registros->Filas.empty()) {
            throw ErrorPropio("sin origen");
        }
        l.Origen = {Texto(o, 0, 0), Texto(o, 0, 1), Texto(o, 0, 2), Texto(o, 0, 3),
                    Texto(o, 0, 4), Texto(o, 0, 5), Texto(o, 0, 6), Texto(o, 0, 7)};
        const auto t = archivo.Execute(std::string("SELECT ") + kColumnasArchivoTablas + " FROM " +
                                       kArchivoTablas + " ORDER BY rowid");
        for (size_t i = 0; t.Registros && i < t.Registros->Filas.size(); ++i) {
            l.Tablas.push_back(
                {Texto(t, i, 0), std::stoll("0" + Texto(t, i, 1)), Texto(t, i, 2), Texto(t, i, 3)});
        }
    } catch (const db::ErrorBD&) {
        throw ErrorPropio("No es un archivo de filas eliminadas de ovNalvora: le falta su origen.");
    }
    return l;
}

std::vector<TablaRestaurada> RestauraArchivo(db::Conexion& archivo, const LecturaArchivo& lectura,
                                             db::Conexion& destino) {
    auto dialecto = DialectoPara(destino);
    std::vector<TablaRestaurada> hechas;
    for (const auto& t : lectura.Tablas) {
        hechas.push_back(RestauraTabla(archivo, destino, *dialecto, t));
    }
    return hechas;
}

std::string DescribeRestaurada(const TablaRestaurada& t) {
    if (!t.Error.empty()) {
        return t.Tabla + ": " + t.Error;
    }
    return t.Tabla + ": " + std::to_string(t.Repuestas) + " filas repuestas de " +
           std::to_string(t.Archivadas) + " archivadas (" + std::to_string(t.Archivadas - t.Repuestas) +
           " ya estaban).";
}

} // namespace ov
