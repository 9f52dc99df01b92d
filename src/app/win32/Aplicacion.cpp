#include "app/win32/Aplicacion.h"

#include "app/win32/Win32.h"

#include <vector>

namespace ov::app::win32 {

namespace {

std::filesystem::path RutaDelPrograma() {
    std::wstring ruta(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, ruta.data(), static_cast<DWORD>(ruta.size()));
        if (n == 0) {
            return {};
        }
        if (n < ruta.size()) {
            ruta.resize(n);
            return ruta;
        }
        ruta.resize(ruta.size() * 2);
    }
}

} // namespace

Aplicacion LeeAplicacion() {
    const std::filesystem::path exe = RutaDelPrograma();
    Aplicacion app{exe.parent_path(), {}};
    DWORD nada = 0;
    const DWORD largo = GetFileVersionInfoSizeW(exe.c_str(), &nada);
    std::vector<unsigned char> datos(largo);
    if (largo == 0 || !GetFileVersionInfoW(exe.c_str(), 0, largo, datos.data())) {
        return app;
    }
    void* valor = nullptr;
    UINT n = 0;
    if (VerQueryValueW(datos.data(), L"\\", &valor, &n) && n >= sizeof(VS_FIXEDFILEINFO)) {
        const auto* fijo = static_cast<const VS_FIXEDFILEINFO*>(valor);
        app.Programa.Major = HIWORD(fijo->dwFileVersionMS);
        app.Programa.Minor = LOWORD(fijo->dwFileVersionMS);
        app.Programa.Revision = HIWORD(fijo->dwFileVersionLS);
    }
    if (VerQueryValueW(datos.data(), L"\\StringFileInfo\\080A04E4\\InternalName", &valor, &n) && n > 0) {
        app.Programa.Title = Utf8(std::wstring(static_cast<const wchar_t*>(valor), n - 1));
    }
    return app;
}

} // namespace ov::app::win32
