// Lo del archivo que depende del sistema: crearlo sin pisar otro y dejarlo en disco.
#include "log/Rutas.h"
#include "purge/Archivo.h"

#include <cerrno>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace ov {

namespace {

[[noreturn]] void Falla(const std::string& que, const std::filesystem::path& ruta, int error) {
    throw ErrorPropio(que + " " + Utf8DeRuta(ruta) + ": " + std::generic_category().message(error) + ".");
}

} // namespace

#ifdef _WIN32

void CreaArchivoNuevo(const std::filesystem::path& archivo) {
    const int fd = _wopen(archivo.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        Falla("No se pudo crear el archivo", archivo, errno);
    }
    _close(fd);
}

void SincronizaEnDisco(const std::filesystem::path& archivo) {
    HANDLE h = CreateFileW(archivo.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        Falla("No se pudo abrir para llevar a disco el archivo", archivo, EIO);
    }
    const BOOL bien = FlushFileBuffers(h);
    CloseHandle(h);
    if (!bien) {
        Falla("No se pudo llevar a disco el archivo", archivo, EIO);
    }
}

#else

void CreaArchivoNuevo(const std::filesystem::path& archivo) {
    const int fd = open(archivo.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) {
        Falla("No se pudo crear el archivo", archivo, errno);
    }
    close(fd);
}

void SincronizaEnDisco(const std::filesystem::path& archivo) {
    // El archivo y la entrada de su carpeta: sin la segunda, un archivo nuevo puede no estar tras un apagón.
    for (const auto& [ruta, banderas] :
         {std::pair{archivo, O_RDONLY | O_CLOEXEC},
          std::pair{archivo.parent_path().empty() ? std::filesystem::path(".") : archivo.parent_path(),
                    O_RDONLY | O_DIRECTORY | O_CLOEXEC}}) {
        const int fd = open(ruta.c_str(), banderas);
        if (fd < 0) {
            Falla("No se pudo abrir para llevar a disco", ruta, errno);
        }
        const int r = fsync(fd);
        const int error = errno;
        close(fd);
        if (r != 0) {
            Falla("No se pudo llevar a disco", ruta, error);
        }
    }
}

#endif

} // namespace ov
