#include "db/Conexion.h"

#include "db/CadenaConexion.h"
#include "db/Diagnostico.h"
#include "db/Espera.h"
#include "db/Lote.h"
#include "db/Manejador.h"
#include "db/SqlServer.h"
#include "db/TextoOdbc.h"
#include "log/Rutas.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>

namespace ov::db {

namespace {

ErrorBD ErrorPropio(std::int32_t numero, std::string descripcion, std::string estado = {}) {
    return ErrorBD(numero, "[ovNalvora]", std::move(descripcion), std::move(estado));
}

// Quita la contraseña de un texto del driver, por si alguno la repite en su mensaje.
void Tacha(std::string& texto, const std::string& secreto) {
    if (secreto.size() < 3) {
        return;
    }
    for (size_t p = texto.find(secreto); p != std::string::npos; p = texto.find(secreto, p + 4)) {
        texto.replace(p, secreto.size(), "****");
    }
}

ErrorBD SinSecreto(const ErrorBD& e, const std::string& secreto) {
    std::string fuente = e.Fuente, descripcion = e.Descripcion;
    Tacha(fuente, secreto);
    Tacha(descripcion, secreto);
    return ErrorBD(e.Numero, std::move(fuente), std::move(descripcion), e.Estado);
}

} // namespace

struct Conexion::Impl {
    std::shared_ptr<const ManejadorEntorno> entorno;
    ManejadorConexion dbc;
    bool abierta = false;
    bool enTransaccion = false;
    CadenaOdbc cadena;
    std::string dbms;
    std::shared_ptr<EsperaBase> espera;

    SQLHDBC h() const { return dbc.get(); }

    [[noreturn]] void LanzaDeConexion() const {
        throw *ErrorDe({SQL_ERROR, LeeDiagnosticos(SQL_HANDLE_DBC, h())});
    }

    void Desconecta() noexcept {
        if (!abierta) {
            return;
        }
        if (enTransaccion) {
            SQLEndTran(SQL_HANDLE_DBC, h(), SQL_ROLLBACK);
            enTransaccion = false;
        }
        if (!SQL_SUCCEEDED(SQLDisconnect(h()))) {
            // Una transacción abierta por el propio SQL impide desconectar (25000).
            SQLEndTran(SQL_HANDLE_DBC, h(), SQL_ROLLBACK);
            SQLDisconnect(h());
        }
        dbc.Libera();
        abierta = false;
        dbms.clear();
    }

    std::string InfoTexto(SQLUSMALLINT que) const {
        std::string texto;
        return SQL_SUCCEEDED(odbc::InfoTexto(h(), que, texto)) ? texto : std::string();
    }
};

Conexion::Conexion() : impl_(std::make_unique<Impl>()) {}

Conexion::~Conexion() {
    impl_->Desconecta();
}

bool Conexion::Abierta() const {
    return impl_->abierta;
}

void Conexion::Open(const std::string& cadenaRegistro) {
    OpenOdbc(TraduceCadena(cadenaRegistro, DriversInstalados()));
}

void Conexion::OpenOdbc(const CadenaOdbc& cadena) {
    if (impl_->abierta) {
        throw ErrorPropio(3705, "La operación no se permite si la conexión está abierta.");
    }
    ExigeBaseSQLiteExistente(cadena);
    Impl& im = *impl_;
    im.entorno = Entorno();
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, im.entorno->get(), im.dbc.Destino()))) {
        throw *ErrorDe({SQL_ERROR, LeeDiagnosticos(SQL_HANDLE_ENV, im.entorno->get())});
    }
    const auto segundos = std::max<long long>(cadena.TiempoLogin.count(), 0);
    odbc::FijaAtributoConexion(im.h(), SQL_ATTR_LOGIN_TIMEOUT, static_cast<SQLULEN>(segundos));

    const SQLRETURN rc = odbc::DriverConnect(im.h(), cadena.Texto);
    if (!SQL_SUCCEEDED(rc)) {
        const ErrorBD e = *ErrorDe({SQL_ERROR, LeeDiagnosticos(SQL_HANDLE_DBC, im.h())});
        im.dbc.Libera();
        throw SinSecreto(e, ValorDeClave(cadena.Texto, "PWD"));
    }
    im.abierta = true;
    im.cadena = cadena;
    if (im.cadena.BaseEsperada.empty()) {
        im.cadena.BaseEsperada = ValorDeClave(cadena.Texto, "Database");
    }
    const std::string esperada = im.cadena.BaseEsperada;
    try {
        // Lo que el driver no admita se queda como venga: no impide abrir.
        odbc::FijaAtributoConexion(im.h(), SQL_ATTR_TXN_ISOLATION, SQL_TXN_READ_UNCOMMITTED);
        im.dbms = im.InfoTexto(SQL_DBMS_NAME);
        if (dialecto() == Dialecto::SqlServer) {
            PreparaSqlServer([this](const std::string& sql) { return Execute(sql); }, esperada);
        }
    } catch (...) {
        im.Desconecta();
        throw;
    }
}

void Conexion::Close() {
    if (!impl_->abierta) {
        throw ErrorPropio(3704, "La operación no se permite si la conexión está cerrada.");
    }
    impl_->Desconecta();
}

namespace {
void ExigeAbierta(bool abierta) {
    if (!abierta) {
        throw ErrorPropio(3704, "La operación no se permite si la conexión está cerrada.");
    }
}
} // namespace

std::vector<Campo> Conexion::Recorre(const std::string& sql, const RecibeFila& fila) {
    ExigeAbierta(impl_->abierta);
    ManejadorSentencia st = NuevaSentencia(impl_->h());
    odbc::FijaAtributoSentencia(st.get(), SQL_ATTR_QUERY_TIMEOUT, 0);
    LoteOdbc lote(st.get(), sql, &fila);
    Resultado r = AgotaLote(lote);
    return r.Registros ? r.Registros->Campos : std::vector<Campo>{};
}

void Conexion::FijaEspera(std::shared_ptr<EsperaBase> espera) {
    impl_->espera = std::move(espera);
}

Resultado Conexion::Execute(const std::string& sql) {
    ExigeAbierta(impl_->abierta);
    for (;;) {
        const auto inicio = std::chrono::steady_clock::now();
        try {
            ManejadorSentencia st = NuevaSentencia(impl_->h());
            // Sin límite por sentencia: un DBCC o una copia grande pueden tardar muchos minutos.
            odbc::FijaAtributoSentencia(st.get(), SQL_ATTR_QUERY_TIMEOUT, 0);
            LoteOdbc lote(st.get(), sql);
            Resultado r = AgotaLote(lote);
            if (impl_->espera) {
                impl_->espera->Termina();
            }
            return r;
        } catch (const ErrorBD& e) {
            if (!impl_->espera || !EsEsperaAgotada(e)) {
                throw;
            }
            // En SQLite la sentencia ocupada no hizo nada y se puede repetir; en SQL Server el error
            // pudo deshacer la transacción del lote, así que solo se descuenta lo esperado.
            if (dialecto() != Dialecto::SQLite) {
                impl_->espera->Anota(std::chrono::steady_clock::now() - inicio);
                throw;
            }
            if (!impl_->espera->Reintenta(inicio)) {
                throw;
            }
        }
    }
}

std::string Conexion::DefaultDatabase() {
    ExigeAbierta(impl_->abierta);
    switch (dialecto()) {
    case Dialecto::SqlServer:
        return BaseActualSqlServer([this](const std::string& sql) { return Execute(sql); });
    case Dialecto::SQLite: {
        // SQLite no tiene catálogo actual: la base es el archivo que nombra la cadena.
        std::string archivo = impl_->cadena.BaseEsperada;
        if (archivo.empty()) {
            archivo = impl_->InfoTexto(SQL_DATABASE_NAME);
        }
        return Utf8DeRuta(RutaDeUtf8(archivo).stem());
    }
    case Dialecto::Otro:
        break;
    }
    std::string catalogo;
    if (SQL_SUCCEEDED(odbc::CatalogoActual(impl_->h(), catalogo))) {
        return catalogo;
    }
    return impl_->InfoTexto(SQL_DATABASE_NAME);
}

std::vector<std::string> Conexion::Tablas() {
    ExigeAbierta(impl_->abierta);
    ManejadorSentencia st = NuevaSentencia(impl_->h());
    const SQLRETURN rc = odbc::TablasDeUsuario(st.get());
    if (!SQL_SUCCEEDED(rc)) {
        throw *ErrorDe({SQL_ERROR, LeeDiagnosticos(SQL_HANDLE_STMT, st.get())});
    }
    SQLSMALLINT columnas = 0;
    SQLNumResultCols(st.get(), &columnas);
    Recordset r;
    if (auto e = ErrorDe(LeeRecordset(st.get(), columnas, r))) {
        throw *e;
    }
    std::vector<std::string> nombres;
    constexpr size_t ColumnaNombre = 2; // TABLE_NAME
    for (const auto& fila : r.Filas) {
        if (fila.size() > ColumnaNombre && fila[ColumnaNombre]) {
            nombres.push_back(*fila[ColumnaNombre]);
        }
    }
    return nombres;
}

std::string Conexion::NombreDBMS() {
    ExigeAbierta(impl_->abierta);
    return impl_->dbms;
}

Dialecto Conexion::dialecto() {
    ExigeAbierta(impl_->abierta);
    if (impl_->dbms == "Microsoft SQL Server") {
        return Dialecto::SqlServer;
    }
    if (impl_->dbms == "SQLite") {
        return Dialecto::SQLite;
    }
    return Dialecto::Otro;
}

void Conexion::Comienza() {
    ExigeAbierta(impl_->abierta);
    if (!SQL_SUCCEEDED(odbc::FijaAtributoConexion(impl_->h(), SQL_ATTR_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF))) {
        impl_->LanzaDeConexion();
    }
    impl_->enTransaccion = true;
}

void Conexion::Confirma() {
    ExigeAbierta(impl_->abierta);
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, impl_->h(), SQL_COMMIT))) {
        // La transacción sigue abierta: quien llama decide deshacerla.
        impl_->LanzaDeConexion();
    }
    impl_->enTransaccion = false;
    if (!SQL_SUCCEEDED(odbc::FijaAtributoConexion(impl_->h(), SQL_ATTR_AUTOCOMMIT, SQL_AUTOCOMMIT_ON))) {
        impl_->LanzaDeConexion();
    }
}

void Conexion::Deshace() noexcept {
    if (!impl_->abierta) {
        return;
    }
    SQLEndTran(SQL_HANDLE_DBC, impl_->h(), SQL_ROLLBACK);
    odbc::FijaAtributoConexion(impl_->h(), SQL_ATTR_AUTOCOMMIT, SQL_AUTOCOMMIT_ON);
    impl_->enTransaccion = false;
}

} // namespace ov::db
