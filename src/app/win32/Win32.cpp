#include "app/win32/Win32.h"

#include "db/TextoOdbc.h"

namespace ov::app::win32 {

std::wstring Ancho(const std::string& utf8) {
    return db::Utf16DeUtf8(utf8);
}

std::string Utf8(const std::wstring& texto) {
    return db::Utf8DeUtf16(texto.c_str(), texto.size());
}

Fuente Tahoma(double puntos, UINT ppp, bool negrita) {
    LOGFONTW lf{};
    lf.lfHeight = AltoFuente(puntos, ppp);
    lf.lfWeight = negrita ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    wcscpy(lf.lfFaceName, L"Tahoma");
    return Fuente(CreateFontIndirectW(&lf));
}

UINT PppDe(HWND ventana) {
    // Se busca al correr: el programa arranca también en Windows 7, que no la tiene.
    using PorVentana = UINT(WINAPI*)(HWND);
    // void(*)() es el tipo genérico de función: el paso por él no avisa de tipos que no casan.
    static const auto porVentana = reinterpret_cast<PorVentana>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (porVentana && ventana) {
        if (const UINT ppp = porVentana(ventana); ppp != 0) {
            return ppp;
        }
    }
    HDC dc = GetDC(nullptr);
    const int ppp = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return ppp > 0 ? static_cast<UINT>(ppp) : 96;
}

HWND CreaHijo(HWND padre, const wchar_t* clase, const std::wstring& texto, DWORD estilo, int id,
              DWORD estiloExtendido) {
    return CreateWindowExW(estiloExtendido, clase, texto.c_str(), WS_CHILD | WS_VISIBLE | estilo, 0, 0, 0, 0,
                           padre, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

} // namespace ov::app::win32
