#include "app/win32/Servicios.h"

#include "app/win32/Ventana.h"
#include "app/win32/Win32.h"

#include <shlobj.h>

namespace ov::app::win32 {

bool ServiciosWin32::PreguntaSiNo(const std::string& texto, const std::string& titulo) {
    // 292: Sí y No, icono de pregunta, No por omisión. Solo Sí (6) sigue.
    return ventana_.MsgBox(texto, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, titulo) == IDYES;
}

void ServiciosWin32::Informa(const std::string& texto, const std::string& titulo) {
    ventana_.MsgBox(texto, MB_OK | MB_ICONINFORMATION, titulo); // 64
}

void ServiciosWin32::Advierte(const std::string& texto, const std::string& titulo) {
    ventana_.MsgBox(texto, MB_OK | MB_ICONWARNING, titulo);
}

void ServiciosWin32::PonPuntero(Puntero puntero) {
    ventana_.PonMousePointer(puntero == Puntero::RelojDeArena);
}

void ServiciosWin32::Publica(std::function<void()> fn) {
    ventana_.Publica(std::move(fn));
}

void ServiciosWin32::TerminaPrograma() {
    PostQuitMessage(0);
}

namespace {
// Deja el cuadro parado en la carpeta de partida.
int CALLBACK AlAbrirCarpetas(HWND cuadro, UINT mensaje, LPARAM, LPARAM inicial) {
    if (mensaje == BFFM_INITIALIZED && inicial != 0) {
        SendMessageW(cuadro, BFFM_SETSELECTIONW, TRUE, inicial);
    }
    return 0;
}
} // namespace

void ServiciosWin32::EligeCarpeta(const std::string& titulo, const std::string& inicial,
                                  std::function<void(const std::string&)> alElegir) {
    const std::wstring t = Ancho(titulo), i = Ancho(inicial);
    BROWSEINFOW info{};
    info.hwndOwner = ventana_.Hwnd();
    info.lpszTitle = t.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = AlAbrirCarpetas;
    info.lParam = i.empty() ? 0 : reinterpret_cast<LPARAM>(i.c_str());
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    PIDLIST_ABSOLUTE elegida = SHBrowseForFolderW(&info);
    std::wstring ruta(MAX_PATH, L'\0');
    const bool hay = elegida != nullptr && SHGetPathFromIDListW(elegida, ruta.data());
    if (elegida != nullptr) {
        CoTaskMemFree(elegida);
    }
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    if (hay) {
        ruta.resize(wcslen(ruta.c_str()));
        alElegir(Utf8(ruta));
    }
}

} // namespace ov::app::win32
