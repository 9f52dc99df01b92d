// Lo que la ventana hace con cada mensaje de Windows: pasarlo al manejador de frmNalvora.
#include "app/frmNalvora.h"
#include "app/win32/Recursos.h"
#include "app/win32/Ventana.h"

#include <windowsx.h>

namespace ov::app::win32 {

LRESULT Ventana::Mensaje(UINT mensaje, WPARAM w, LPARAM l) {
    // Al cargar, el foco inicial ya activa la ventana aunque no se vea: la activación se avisa
    // después, desde la cola, cuando la ventana ya está a la vista y conectada.
    if (mensaje == WM_ACTIVATE && LOWORD(w) != WA_INACTIVE) {
        PostMessageW(hwnd_, kActivada, 0, 0);
    }
    if (!form_) {
        return DefWindowProcW(hwnd_, mensaje, w, l);
    }
    switch (mensaje) {
    case kTrabajo: {
        // Una por mensaje y en orden (cada Publica dejó el suyo): entre una y otra el bucle atiende lo
        // demás, así que una ráfaga de avisos del obrero no deja la ventana sin contestar. Si una abre un
        // cuadro de mensaje, el bucle del cuadro saca las siguientes de la misma cola.
        std::function<void()> fn;
        {
            const std::lock_guard<std::mutex> candado(mutex_);
            if (pendientes_.empty()) {
                return 0;
            }
            fn = std::move(pendientes_.front());
            pendientes_.pop_front();
        }
        fn();
        return 0;
    }
    case kActivada:
        form_->Form_Activate();
        return 0;
    case kMuestraAviso:
        MuestraAviso();
        return 0;
    case WM_TIMER:
        if (w == kTimer1) {
            form_->Timer1_Timer();
        } else if (w == kSegundero) {
            form_->Segundero_Timer();
        }
        return 0;
    case WM_COMMAND:
        if (HIWORD(w) == BN_CLICKED && LOWORD(w) == OV_ID_INICIAR) {
            form_->btnIniciar_Click();
        } else if (HIWORD(w) == BN_CLICKED && LOWORD(w) == OV_ID_SALIR) {
            form_->btnSalir_Click();
        }
        return 0;
    case WM_NOTIFY: {
        auto* aviso = reinterpret_cast<NMHDR*>(l);
        if (aviso->hwndFrom == List1_->Hwnd()) {
            if (aviso->code == LVN_COLUMNCLICK) {
                form_->List1_ColumnClick(reinterpret_cast<const NMLISTVIEW*>(aviso)->iSubItem + 1);
                return 0;
            }
            if (const int fila = List1_->FilaMarcada(aviso); fila >= 0) {
                form_->List1_ItemCheck(fila);
                return 0;
            }
            return List1_->Notifica(aviso);
        }
        if (aviso->hwndFrom == Lista_->Hwnd()) {
            return Lista_->Notifica(aviso);
        }
        return 0;
    }
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(w) == Lista_->Hwnd()) {
            form_->Lista_MenuContextual(Lista_->NodoEn(POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)}));
            return 0;
        }
        break;
    case WM_DRAWITEM: {
        const auto& dibujo = *reinterpret_cast<const DRAWITEMSTRUCT*>(l);
        for (const EtiquetaWin32* e :
             {lblImportante_.get(), lblDescripcion_.get(), Label1_.get(), Label2_.get()}) {
            if (e->Hwnd() == dibujo.hwndItem) {
                e->Dibuja(dibujo);
            }
        }
        return TRUE;
    }
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
    case WM_ACTIVATE:
        // Como en un cuadro de diálogo: al volver a la ventana (de otro programa, de un cuadro o del
        // calendario) el foco vuelve a su control y no a la ventana, donde no lo usa ninguno.
        if (LOWORD(w) == WA_INACTIVE) {
            const HWND foco = GetFocus();
            focoAlSalir_ = foco && IsChild(hwnd_, foco) ? foco : focoAlSalir_;
        } else if (!form_->Bloqueada() && IsWindow(focoAlSalir_) && IsWindowEnabled(focoAlSalir_)) {
            SetFocus(focoAlSalir_);
            return 0;
        }
        break;
    case WM_NEXTDLGCTL:
        // IsDialogMessage manda aquí la letra subrayada de una etiqueta o del marco (Alt+C, Alt+T), y
        // solo la ventana de un cuadro de diálogo la atiende: el foco pasa al control que les sigue.
        if (HWND destino =
                LOWORD(l) ? reinterpret_cast<HWND>(w) : GetNextDlgTabItem(hwnd_, GetFocus(), w != 0)) {
            SetFocus(destino);
        }
        return 0;
    case WM_CLOSE:
        Cierra();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, mensaje, w, l);
}

} // namespace ov::app::win32
