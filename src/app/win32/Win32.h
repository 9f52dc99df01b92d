#pragma once

// Lo común a los controles nativos: las cabeceras de Windows en su orden, las medidas en twips y
// los dueños RAII de los recursos de GDI y de los controles comunes.
#include <windows.h>
// commctrl.h pide windows.h antes.
#include <commctrl.h>

#include <memory>
#include <string>
#include <type_traits>

namespace ov::app::win32 {

// Posición y tamaño en twips, como en la tabla de diseño.
struct Twips {
    int Izquierda, Arriba, Ancho, Alto;
};

// 1440 twips por pulgada: 15 por píxel a 96 ppp, menos píxeles por twip en monitores de más ppp.
inline int Pixeles(int twips, UINT ppp) {
    return MulDiv(twips, static_cast<int>(ppp), 1440);
}

inline RECT Rectangulo(Twips t, UINT ppp) {
    const int x = Pixeles(t.Izquierda, ppp), y = Pixeles(t.Arriba, ppp);
    return {x, y, x + Pixeles(t.Ancho, ppp), y + Pixeles(t.Alto, ppp)};
}

// Los puntos de una fuente a la altura en píxeles que pide LOGFONT (negativa: sin el espacio interno).
inline int AltoFuente(double puntos, UINT ppp) {
    return -static_cast<int>(puntos * ppp / 72.0 + 0.5);
}

// El texto del programa es UTF-8; Windows lo quiere en UTF-16.
std::wstring Ancho(const std::string& utf8);
std::string Utf8(const std::wstring& texto);

struct BorraObjetoGdi {
    void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
using Fuente = std::unique_ptr<std::remove_pointer_t<HFONT>, BorraObjetoGdi>;
using Pincel = std::unique_ptr<std::remove_pointer_t<HBRUSH>, BorraObjetoGdi>;

struct DestruyeListaImagenes {
    void operator()(HIMAGELIST h) const { ImageList_Destroy(h); }
};
using ListaImagenes = std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, DestruyeListaImagenes>;

struct DestruyeIcono {
    void operator()(HICON h) const { DestroyIcon(h); }
};
using Icono = std::unique_ptr<std::remove_pointer_t<HICON>, DestruyeIcono>;

// Tahoma de `puntos` a los ppp dados, con el suavizado del sistema.
Fuente Tahoma(double puntos, UINT ppp, bool negrita = false);

// Los ppp del monitor de la ventana: GetDpiForWindow donde existe (Windows 10), si no los del sistema.
UINT PppDe(HWND ventana);

// Un control hijo con el texto, el estilo y el identificador dados, aún sin posición.
HWND CreaHijo(HWND padre, const wchar_t* clase, const std::wstring& texto, DWORD estilo, int id,
              DWORD estiloExtendido = 0);

} // namespace ov::app::win32
