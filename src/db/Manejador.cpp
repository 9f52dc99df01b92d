#include "db/Manejador.h"

#include "db/Diagnostico.h"

namespace ov::db {

namespace {

std::shared_ptr<const ManejadorEntorno> CreaEntorno() {
    auto entorno = std::make_shared<ManejadorEntorno>();
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, entorno->Destino()))) {
        throw ErrorBD(0, "[ovNalvora]", "No se pudo crear el entorno ODBC.", "HY001");
    }
    const SQLRETURN rc =
        SQLSetEnvAttr(entorno->get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!SQL_SUCCEEDED(rc)) {
        throw *ErrorDe({SQL_ERROR, LeeDiagnosticos(SQL_HANDLE_ENV, entorno->get())});
    }
    return entorno;
}

} // namespace

std::shared_ptr<const ManejadorEntorno> Entorno() {
    // Inicialización de estático local: segura entre hilos; si lanza, se reintenta la próxima vez.
    static const std::shared_ptr<const ManejadorEntorno> entorno = CreaEntorno();
    return entorno;
}

ManejadorSentencia NuevaSentencia(SQLHDBC conexion) {
    ManejadorSentencia st;
    const SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, conexion, st.Destino());
    if (!SQL_SUCCEEDED(rc)) {
        throw *ErrorDe({SQL_ERROR, LeeDiagnosticos(SQL_HANDLE_DBC, conexion)});
    }
    return st;
}

} // namespace ov::db
