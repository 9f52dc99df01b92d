#pragma once

#include "app/win32/Win32.h"
#include "log/Reloj.h"

namespace ov::app::win32 {

// DTPicker1(i): el selector de fecha del sistema con la fecha larga. Su mínimo es el 1 de enero de
// 1753, la primera fecha de SQL Server: una fecha anterior tecleada no se toma en el control.
// F4 y Alt+Flecha abajo abren el calendario.
class SelectorFecha {
public:
    SelectorFecha(HWND padre, int id);
    ~SelectorFecha();
    SelectorFecha(const SelectorFecha&) = delete;
    SelectorFecha& operator=(const SelectorFecha&) = delete;
    HWND Hwnd() const { return hwnd_; }

    Fecha Value() const;
    void PonValue(Fecha fecha);

private:
    static LRESULT CALLBACK Subclase(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    HWND hwnd_;
};

// La fecha más temprana que aceptan los selectores.
inline constexpr std::chrono::year_month_day kFechaMinima{std::chrono::year{1753}, std::chrono::January,
                                                          std::chrono::day{1}};

} // namespace ov::app::win32
