#pragma once

#include "app/ControlesVentana.h"
#include "app/win32/Win32.h"
#include "log/Reloj.h"

namespace ov::app::win32 {

// DTPicker1(i): el selector de fecha del sistema con la fecha larga. Con su mínimo (DTM_SETRANGE) una
// fecha anterior tecleada no se toma en el control. F4 y Alt+Flecha abajo abren el calendario.
class SelectorFecha final : public SelectorDeFecha {
public:
    SelectorFecha(HWND padre, int id);
    ~SelectorFecha() override;
    SelectorFecha(const SelectorFecha&) = delete;
    SelectorFecha& operator=(const SelectorFecha&) = delete;
    HWND Hwnd() const { return hwnd_; }

    void PonEnabled(bool valor) override { EnableWindow(hwnd_, valor); }
    Fecha Value() const override;
    void PonValue(Fecha fecha) override;
    void PonMinimo(Fecha minimo) override;

private:
    static LRESULT CALLBACK Subclase(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    HWND hwnd_;
};

} // namespace ov::app::win32
