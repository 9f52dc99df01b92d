#pragma once

#include "app/ControlesVentana.h"
#include "app/win32/Win32.h"

#include <optional>
#include <string>

namespace ov::app::win32 {

// Un control que solo se habilita y deshabilita (botones, marco, etiquetas sin color propio).
class ControlHwnd final : public Control {
public:
    explicit ControlHwnd(HWND hwnd) : hwnd_(hwnd) {}
    void PonEnabled(bool valor) override { EnableWindow(hwnd_, valor); }

private:
    HWND hwnd_;
};

// ImageList1: está en la colección pero no tiene Enabled.
class SinEnabled final : public Control {
public:
    bool TieneEnabled() const override { return false; }
    void PonEnabled(bool) override {}
};

// Una etiqueta pintada a mano (SS_OWNERDRAW): conserva su color también bloqueada, y muestra el
// progreso centrada a lo ancho de la ventana, con el texto entero en su ayuda emergente.
class EtiquetaWin32 final : public Etiqueta {
public:
    // `ajustaAncho`: crece hasta caber en una línea si la fuente a esos ppp es más ancha que el diseño.
    EtiquetaWin32(HWND padre, int id, const std::string& texto, Twips lugar, ColorRGB color,
                  bool fondoVentana, bool ajustaAncho = false);
    HWND Hwnd() const { return hwnd_; }

    // Bloquearla no cambia nada que se vea: así su ayuda emergente sigue funcionando.
    void PonEnabled(bool) override {}
    std::string Caption() const override { return caption_; }
    ColorRGB ForeColor() const override { return color_; }
    void PonForeColor(ColorRGB color) override;
    void MuestraProgreso(const std::string& texto) override;
    void TerminaProgreso() override;

    // Su lugar y su fuente a los ppp dados; `ayudas` es el control de ayudas emergentes de la ventana.
    void Acomoda(UINT ppp, HFONT fuente, HWND ayudas);
    void Dibuja(const DRAWITEMSTRUCT& dibujo) const;

private:
    void Coloca();

    HWND hwnd_;
    std::string caption_;
    Twips lugar_;
    ColorRGB color_, colorDiseno_;
    bool fondoVentana_, ajustaAncho_;
    std::optional<std::wstring> progreso_;
    UINT ppp_ = 96;
    HFONT fuente_{};
    HWND ayudas_{};
};

// Un temporizador de la ventana: WM_TIMER con su identificador mientras está habilitado.
class TemporizadorWin32 final : public Temporizador {
public:
    TemporizadorWin32(HWND ventana, UINT_PTR id, UINT intervalo)
        : ventana_(ventana), id_(id), intervalo_(intervalo) {}
    void PonEnabled(bool valor) override;
    bool Enabled() const override { return activo_; }

private:
    HWND ventana_;
    UINT_PTR id_;
    UINT intervalo_;
    bool activo_ = false;
};

} // namespace ov::app::win32
