#include "app/win32/Etiquetas.h"

#include <algorithm>

namespace ov::app::win32 {

namespace {
COLORREF Ref(ColorRGB c) {
    return RGB(c.Rojo, c.Verde, c.Azul);
}
// Durante el progreso la etiqueta va de un borde al otro de la ventana, a su misma altura.
constexpr int kIzquierdaProgreso = 45, kAnchoProgreso = 8685;
} // namespace

EtiquetaWin32::EtiquetaWin32(HWND padre, int id, const std::string& texto, Twips lugar, ColorRGB color,
                             bool fondoVentana, bool ajustaAncho)
    : hwnd_(CreaHijo(padre, WC_STATICW, Ancho(texto), SS_OWNERDRAW | SS_NOTIFY, id)), caption_(texto),
      lugar_(lugar), color_(color), colorDiseno_(color), fondoVentana_(fondoVentana),
      ajustaAncho_(ajustaAncho) {}

void EtiquetaWin32::PonForeColor(ColorRGB color) {
    color_ = color;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void EtiquetaWin32::Acomoda(UINT ppp, HFONT fuente, HWND ayudas) {
    ppp_ = ppp;
    fuente_ = fuente;
    ayudas_ = ayudas;
    Coloca();
}

void EtiquetaWin32::Coloca() {
    const Twips t =
        progreso_ ? Twips{kIzquierdaProgreso, lugar_.Arriba, kAnchoProgreso, lugar_.Alto} : lugar_;
    RECT r = Rectangulo(t, ppp_);
    if (!progreso_ && ajustaAncho_) {
        HDC dc = GetDC(hwnd_);
        HGDIOBJ antes = SelectObject(dc, fuente_);
        RECT medida{0, 0, 0, 0};
        DrawTextW(dc, Ancho(caption_).c_str(), -1, &medida, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, antes);
        ReleaseDC(hwnd_, dc);
        r.right = std::max(r.right, r.left + medida.right);
    }
    SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void EtiquetaWin32::MuestraProgreso(const std::string& texto) {
    const bool antes = progreso_.has_value();
    progreso_ = Ancho(texto);
    if (!antes) {
        Coloca();
    }
    InvalidateRect(hwnd_, nullptr, FALSE);
    TTTOOLINFOW herramienta{};
    herramienta.cbSize = sizeof herramienta;
    herramienta.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    herramienta.hwnd = GetParent(hwnd_);
    herramienta.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    herramienta.lpszText = progreso_->data();
    SendMessageW(ayudas_, antes ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0,
                 reinterpret_cast<LPARAM>(&herramienta));
}

void EtiquetaWin32::TerminaProgreso() {
    if (!progreso_) {
        return;
    }
    progreso_.reset();
    color_ = colorDiseno_;
    TTTOOLINFOW herramienta{};
    herramienta.cbSize = sizeof herramienta;
    herramienta.hwnd = GetParent(hwnd_);
    herramienta.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    SendMessageW(ayudas_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&herramienta));
    Coloca();
}

void EtiquetaWin32::Dibuja(const DRAWITEMSTRUCT& dibujo) const {
    // La advertencia va sobre el color de fondo de las ventanas; las demás, sobre el del diálogo.
    FillRect(dibujo.hDC, &dibujo.rcItem, GetSysColorBrush(fondoVentana_ ? COLOR_WINDOW : COLOR_BTNFACE));
    SetBkMode(dibujo.hDC, TRANSPARENT);
    SetTextColor(dibujo.hDC, Ref(color_));
    HGDIOBJ antes = SelectObject(dibujo.hDC, fuente_);
    RECT r = dibujo.rcItem;
    if (progreso_) {
        DrawTextW(dibujo.hDC, progreso_->c_str(), -1, &r,
                  DT_CENTER | DT_TOP | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    } else {
        DrawTextW(dibujo.hDC, Ancho(caption_).c_str(), -1, &r, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
    }
    SelectObject(dibujo.hDC, antes);
}

void TemporizadorWin32::PonEnabled(bool valor) {
    // Un temporizador deshabilitado no late: el aviso se queda en el color que tenía.
    if (valor && !activo_) {
        SetTimer(ventana_, id_, intervalo_, nullptr);
    } else if (!valor && activo_) {
        KillTimer(ventana_, id_);
    }
    activo_ = valor;
}

} // namespace ov::app::win32
