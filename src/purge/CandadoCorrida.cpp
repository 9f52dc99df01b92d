#include "purge/CandadoCorrida.h"

#include "log/Rutas.h"
#include "purge/DialectoSQLite.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace ov {

namespace fs = std::filesystem;

std::string SentenciaTomaCandado() {
    // En master: los candados de aplicación son de cada base y este tiene que ser de todo el servidor.
    // 1 ms y no 0: con 0, Babelfish responde -999 a un candado tomado; SQL Server da -1 con los dos.
    return std::string("USE master; DECLARE @r int; EXEC @r = sp_getapplock @Resource = N'") +
           kRecursoCandado +
           "', @LockMode = 'Exclusive', @LockOwner = 'Session', @LockTimeout = 1; SELECT @r AS resultado";
}

std::string SentenciaSueltaCandado() {
    return std::string("EXEC sp_releaseapplock @Resource = N'") + kRecursoCandado +
           "', @LockOwner = 'Session'";
}

std::optional<std::string> RechazoDelCandado(const db::Valor& resultado, const std::string& servidor) {
    const std::string r = resultado.value_or("");
    if (r == "0" || r == "1") {
        return std::nullopt;
    }
    if (r == "-1") {
        return "Otra depuración está en curso en el servidor " + servidor + ". Espere a que termine.";
    }
    std::string motivo;
    if (r == "-2") {
        motivo = "el servidor canceló la petición del candado";
    } else if (r == "-3") {
        motivo = "el servidor eligió la petición del candado como víctima de un interbloqueo";
    } else if (r == "-999") {
        motivo = "el servidor rechazó la petición del candado (parámetros o permisos: el inicio de sesión "
                 "necesita poder ejecutar sp_getapplock en master)";
    } else {
        motivo = "sp_getapplock devolvió \"" + r + "\", que no es un resultado conocido";
    }
    return "No se pudo tomar el candado de corrida en el servidor " + servidor + ": " + motivo +
           ". No es otra depuración en curso; vuelva a intentarlo y, si se repite, revise el servidor.";
}

namespace {

// Un archivo con un candado exclusivo del sistema operativo; se suelta al cerrarlo o al morir el proceso.
class ArchivoBloqueado final : public CandadoCorrida::Tenido {
public:
    // nullopt si lo tomó; si no, lo que la corrida que lo tiene escribió en él.
    std::optional<std::string> Toma(const fs::path& ruta, const std::string& quien) {
#ifdef _WIN32
        h_ = CreateFileW(ruta.wstring().c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
        if (h_ == INVALID_HANDLE_VALUE) {
            throw ErrorPropio("No se pudo abrir el candado " + Utf8DeRuta(ruta) + ".");
        }
        OVERLAPPED o{};
        o.Offset = 0x40000000; // más allá del texto, que así se puede leer aunque esté bloqueado
        if (!LockFileEx(h_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &o)) {
            CloseHandle(h_);
            h_ = INVALID_HANDLE_VALUE;
            return Lee(ruta);
        }
        SetFilePointer(h_, 0, nullptr, FILE_BEGIN);
        SetEndOfFile(h_);
        DWORD escritos = 0;
        WriteFile(h_, quien.data(), static_cast<DWORD>(quien.size()), &escritos, nullptr);
#else
        fd_ = ::open(ruta.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0) {
            throw ErrorPropio("No se pudo abrir el candado " + Utf8DeRuta(ruta) + ": " +
                              std::strerror(errno) + ".");
        }
        if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd_);
            fd_ = -1;
            return Lee(ruta);
        }
        if (::ftruncate(fd_, 0) == 0) {
            [[maybe_unused]] const auto n = ::write(fd_, quien.data(), quien.size());
        }
#endif
        return std::nullopt;
    }
    ~ArchivoBloqueado() override {
#ifdef _WIN32
        if (h_ != INVALID_HANDLE_VALUE) {
            CloseHandle(h_);
        }
#else
        if (fd_ >= 0) {
            ::close(fd_);
        }
#endif
    }

private:
    static std::string Lee(const fs::path& ruta) {
        std::ifstream f(ruta, std::ios::binary);
        std::ostringstream texto;
        texto << f.rdbuf();
        return texto.str();
    }
#ifdef _WIN32
    HANDLE h_ = INVALID_HANDLE_VALUE;
#else
    int fd_ = -1;
#endif
};

// La conexión que tiene el candado de aplicación de SQL Server: cerrarla lo suelta.
class SesionBloqueada final : public CandadoCorrida::Tenido {
public:
    explicit SesionBloqueada(std::unique_ptr<db::Conexion> cn) : cn_(std::move(cn)) {}
    ~SesionBloqueada() override {
        try {
            cn_->Execute(SentenciaSueltaCandado());
        } catch (...) {
            // Cerrar la sesión lo suelta de todos modos.
        }
    }

private:
    std::unique_ptr<db::Conexion> cn_;
};

} // namespace

CandadoCorrida::CandadoCorrida() = default;
CandadoCorrida::~CandadoCorrida() {
    Suelta();
}

void CandadoCorrida::Suelta() noexcept {
    tenidos_.clear();
    lugares_.clear();
}

std::optional<std::string> CandadoCorrida::Toma(ModNalvora& modulo, DialectoDepuracion& dialecto,
                                                const std::string& conexion, const std::string& quien) {
    auto& cn = modulo.cnBD();
    if (cn.dialecto() == db::Dialecto::SQLite) {
        const fs::path carpeta = DialectoSQLite::ArchivoTemporal(cn).parent_path();
        std::error_code ec;
        const fs::path canonica = fs::weakly_canonical(carpeta, ec);
        if (!lugares_.insert("sqlite:" + Utf8DeRuta(ec ? carpeta : canonica)).second) {
            return std::nullopt; // ya es nuestro
        }
        auto archivo = std::make_unique<ArchivoBloqueado>();
        if (auto otra = archivo->Toma(carpeta / kArchivoCandado, quien)) {
            lugares_.erase("sqlite:" + Utf8DeRuta(ec ? carpeta : canonica));
            return "Otra depuración está en curso en la carpeta " + Utf8DeRuta(carpeta) +
                   (otra->empty() ? std::string() : " (" + *otra + ")") + ". Espere a que termine.";
        }
        tenidos_.push_back(std::move(archivo));
        return std::nullopt;
    }
    const std::string servidor = dialecto.Servidor(cn);
    if (!lugares_.insert("sqlserver:" + servidor).second) {
        return std::nullopt;
    }
    const auto r = cn.Execute(SentenciaTomaCandado());
    if (auto rechazo =
            RechazoDelCandado(r.Registros ? r.Registros->Primero("resultado") : db::Valor{}, servidor)) {
        lugares_.erase("sqlserver:" + servidor);
        return rechazo;
    }
    tenidos_.push_back(std::make_unique<SesionBloqueada>(modulo.TomaConexion()));
    modulo.AbreConexion(conexion); // quien llama ve en cnBD si volvió a abrir
    return std::nullopt;
}

} // namespace ov
