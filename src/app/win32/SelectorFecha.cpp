#include "app/win32/SelectorFecha.h"

namespace ov::app::win32 {

namespace {

SYSTEMTIME Sistema(std::chrono::year_month_day f) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(static_cast<int>(f.year()));
    st.wMonth = static_cast<WORD>(static_cast<unsigned>(f.month()));
    st.wDay = static_cast<WORD>(static_cast<unsigned>(f.day()));
    return st;
}

} // namespace

SelectorFecha::SelectorFecha(HWND padre, int id)
    : hwnd_(CreaHijo(padre, DATETIMEPICK_CLASSW, L"", WS_TABSTOP | DTS_LONGDATEFORMAT, id)) {
    SetWindowSubclass(hwnd_, &SelectorFecha::Subclase, 1, 0);
}

SelectorFecha::~SelectorFecha() {
    if (IsWindow(hwnd_)) {
        RemoveWindowSubclass(hwnd_, &SelectorFecha::Subclase, 1);
    }
}

Fecha SelectorFecha::Value() const {
    SYSTEMTIME st{};
    DateTime_GetSystemtime(hwnd_, &st);
    return Fecha{std::chrono::year{st.wYear} / std::chrono::month{st.wMonth} / std::chrono::day{st.wDay}};
}

void SelectorFecha::PonMinimo(Fecha minimo) {
    SYSTEMTIME rango[2] = {Sistema(std::chrono::year_month_day{minimo}), {}};
    DateTime_SetRange(hwnd_, GDTR_MIN, rango);
}

void SelectorFecha::PonValue(Fecha fecha) {
    SYSTEMTIME st = Sistema(std::chrono::year_month_day{fecha});
    DateTime_SetSystemtime(hwnd_, GDT_VALID, &st);
}

LRESULT CALLBACK SelectorFecha::Subclase(HWND hwnd, UINT mensaje, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) {
    const bool abre = (mensaje == WM_KEYDOWN && w == VK_F4) ||
                      (mensaje == WM_SYSKEYDOWN && w == VK_DOWN && (GetKeyState(VK_MENU) & 0x8000));
    if (!abre) {
        return DefSubclassProc(hwnd, mensaje, w, l);
    }
    const LRESULT r = DefSubclassProc(hwnd, mensaje, w, l);
    // Donde el control no abre el calendario con esas teclas, se abre como con un clic en su botón.
    // (Algunos guardan el calendario creado y oculto: cuenta si se ve.)
    const HWND calendario = DateTime_GetMonthCal(hwnd);
    if (!calendario || !IsWindowVisible(calendario)) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        const int x = rc.right - GetSystemMetrics(SM_CXVSCROLL) / 2 - 1, y = (rc.top + rc.bottom) / 2;
        SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    return r;
}

} // namespace ov::app::win32
