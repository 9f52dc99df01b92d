#include "windows/ApoyoWine.h"

#include <windows.h>

#include <bit>

namespace ov::prueba {

std::string RutaUnix(const std::filesystem::path& ruta) {
    using Convierte = char*(CDECL*)(const wchar_t*);
    const FARPROC funcion = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
    if (funcion == nullptr) {
        return {};
    }
    char* unix = std::bit_cast<Convierte>(funcion)(std::filesystem::absolute(ruta).c_str());
    if (unix == nullptr) {
        return {};
    }
    std::string resultado(unix);
    HeapFree(GetProcessHeap(), 0, unix);
    return resultado;
}

} // namespace ov::prueba
