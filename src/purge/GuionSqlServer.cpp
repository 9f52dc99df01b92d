// Los guiones de --simular para SQL Server: lo mismo que hace la corrida, como texto que se puede correr.
#include "purge/DialectoSqlServer.h"

namespace ov {

// --- Guion: un lote por tabla con XACT_ABORT; si una sentencia falla, el lote se corta y la
// transacción se deshace entera, aunque quien lo corre siga con el lote siguiente.

std::string DialectoSqlServer::GuionCreaTemporal(db::Sesion& cn, const Origen& origen) {
    std::string valores;
    for (const auto& v : CamposOrigen(origen)) {
        valores += (valores.empty() ? "" : ", ") + sqlserver::LiteralN(v);
    }
    return std::string(sqlserver::kCreaTemporal) + "\nGO\nUSE orvalo_temp;\ncreate table dbo." +
           kTablaOrigen +
           " (conexion nvarchar(400), servidor nvarchar(400), base nvarchar(400), maquina nvarchar(400), "
           "inicio nvarchar(40), desde nvarchar(20), hasta nvarchar(20));\ninsert into dbo." +
           kTablaOrigen + " (" + kColumnasOrigen + ") values (" + valores + ");\nUSE " +
           EntreCorchetes(Base(cn)) + ";";
}

// Como en la corrida: se apagan los habilitados antes de tocar la tabla y al final cada uno queda como
// estaba (el lote de kardex los habilita todos).
std::string DialectoSqlServer::GuionDisparadores(db::Sesion& cn, const std::string& tabla, bool apaga) {
    std::string g;
    for (const auto& d : LeeDisparadores(cn, tabla)) {
        if (!apaga || d.Habilitado) {
            g += sqlserver::CambiaDisparador(tabla, d.Nombre, !apaga && d.Habilitado) + ";\n";
        }
    }
    return g;
}

std::string DialectoSqlServer::GuionDepuracion(db::Sesion& cn, const TablaDatos& t, const Rango& r,
                                               const SentenciaTarea& reposicion) {
    const std::string& T = t.Tabla;
    std::string g =
        std::string(sqlserver::kAbortaEnError) + ";\n" + sqlserver::kComienza + ";\n" +
        sqlserver::Bloquea(T) + ";\n" + "DECLARE @actual numeric(38,0) = ident_current('dbo." + T +
        "'), @incremento numeric(38,0) = ident_incr('dbo." + T +
        "'), @siembra numeric(38,0), @conservadas bigint;\n" + GuionDisparadores(cn, T, true) +
        sqlserver::Copia(t, r) + ";\n" + "SET @conservadas = (" + sqlserver::CuentaTemporal(T) + ");\n" +
        sqlserver::Vacia(T) + ";\n" +
        "IF @actual IS NOT NULL BEGIN SET @siembra = @actual + @incremento; DBCC CHECKIDENT ('dbo." + T +
        "', RESEED, @siembra); END;\n";
    for (const auto& parte : reposicion.Partes) {
        g += parte + ";\n";
    }
    g += "IF (" + sqlserver::CuentaFilas(T) +
         ") <> @conservadas THROW 50000, N'La reposición no cuadra con la copia; se deshizo todo.', 1;\n"
         "IF @actual IS NOT NULL AND (ident_current('dbo." +
         T + "') - @actual) * SIGN(@incremento) < 0 DBCC CHECKIDENT ('dbo." + T + "', RESEED, @actual);\n";
    g += GuionDisparadores(cn, T, false) + sqlserver::BorraTablaTemporal(T) + ";\n" + sqlserver::kConfirma +
         ";";
    return g;
}

std::string DialectoSqlServer::GuionBorrado(db::Sesion& cn, const TablaDatos& t, const Rango& r) {
    return std::string(sqlserver::kAbortaEnError) + ";\n" + sqlserver::kComienza + ";\n" +
           sqlserver::Bloquea(t.Tabla) + ";\nDECLARE @conservadas bigint = (select count_big(*) from " +
           t.Tabla + CondicionConservar(t, r) + ");\n" + GuionDisparadores(cn, t.Tabla, true) + Borra(t, r) +
           ";\n" + GuionDisparadores(cn, t.Tabla, false) + "IF (" + sqlserver::CuentaFilas(t.Tabla) +
           ") <> @conservadas THROW 50000, N'El borrado no cuadra con la cuenta; se deshizo todo.', 1;\n" +
           sqlserver::kConfirma + ";";
}

std::string DialectoSqlServer::GuionBorraTemporal(db::Sesion&) {
    return sqlserver::kBorraTemporal;
}

} // namespace ov
