// Lo que la ventana hace con cada mensaje de Windows: pasarlo a su evento.
#include "app/win32/Ventana.h"

#include "app/win32/Recursos.h"

#include <windowsx.h>

namespace ov::app::win32 {

namespace {

void Llama(const std::function<void()>& fn) {
    if (fn) {
        fn();
    }
}
} // namespace

LRESULT Ventana::Mensaje(UINT mensaje, WPARAM w, LPARAM l) {
    switch (mensaje) {
    case kTrabajo: {
        // Todas las publicadas hasta ahora, en orden; cada una es corta.
        std::deque<std::function<void()>> lote;
        {
            const std::lock_guard<std::mutex> candado(mutex_);
            lote.swap(pendientes_);
        }
        for (auto& fn : lote) {
            fn();
        }
        return 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(w) != WA_INACTIVE) {
            PostMessageW(hwnd_, kActivada, 0, 0);
        }
        break;
    case kActivada:
        Llama(alActivar);
        return 0;
    case kMuestraAviso: {
        std::unique_ptr<std::pair<std::wstring, std::wstring>> datos(
            reinterpret_cast<std::pair<std::wstring, std::wstring>*>(l));
        avisoAbierto_ = true;
        aviso_ = nullptr;
        CapturaSiguienteCuadro(&aviso_);
        MessageBoxW(hwnd_, datos->first.c_str(), datos->second.c_str(), MB_OK | MB_ICONWARNING);
        CapturaSiguienteCuadro(nullptr);
        aviso_ = nullptr;
        avisoAbierto_ = false;
        return 0;
    }
    case WM_TIMER:
        if (w == kTimer1) {
            Llama(alLatido);
        }
        return 0;
    case WM_COMMAND:
        if (HIWORD(w) == BN_CLICKED) {
            if (LOWORD(w) == OV_ID_INICIAR) {
                Llama(alIniciar);
            } else if (LOWORD(w) == OV_ID_SALIR) {
                Llama(alSalir);
            }
        }
        return 0;
    case WM_NOTIFY: {
        auto* aviso = reinterpret_cast<NMHDR*>(l);
        if (aviso->hwndFrom == List1->Hwnd()) {
            return List1->Notifica(aviso);
        }
        return 0;
    }
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(w) == Lista->Hwnd() && alMenuLista) {
            alMenuLista(POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)});
            return 0;
        }
        break;
    case WM_DRAWITEM:
        DibujaEtiqueta(*reinterpret_cast<const DRAWITEMSTRUCT*>(l));
        return TRUE;
    case WM_SETCURSOR:
        if (relojDeArena_) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case 0x02E0: { // WM_DPICHANGED: otro monitor, otros ppp
        Acomoda(HIWORD(w));
        const auto* sugerido = reinterpret_cast<const RECT*>(l);
        SetWindowPos(hwnd_, nullptr, sugerido->left, sugerido->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_CLOSE:
        if (!alCerrar || alCerrar()) {
            Destruye();
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, mensaje, w, l);
}

} // namespace ov::app::win32
