#pragma once

#include "app/win32/Arbol.h"
#include "app/win32/ListaVista.h"
#include "app/win32/SelectorFecha.h"
#include "app/win32/Win32.h"

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ov::app::win32 {

// Un control de la colección de la ventana, en el orden en que se recorre: su Enabled.
struct Control {
    const char* nombre;
    std::function<void(bool)> Enabled; // vacío: no tiene (ImageList1)
};

// frmNalvora con los controles comunes de Windows: los crea en sus posiciones, pasa los eventos a
// quien los atiende y hace lo que se le pide. No decide nada.
class Ventana {
public:
    Ventana();
    ~Ventana();
    Ventana(const Ventana&) = delete;
    Ventana& operator=(const Ventana&) = delete;

    HWND Hwnd() const { return hwnd_; }
    // Centrada en el monitor del cursor, como se diseñó.
    void Muestra(int mostrar);

    // Los controles, con sus nombres de diseño.
    std::unique_ptr<ListaVista> List1;
    std::unique_ptr<Arbol> Lista;
    std::array<std::unique_ptr<SelectorFecha>, 2> DTPicker1;
    HWND lblImportante{}, lblDescripcion{}, lblListaBD{}, lblDesde{}, lblHasta{}, frmTareas{}, Label2{},
        Label1{}, btnIniciar{}, btnSalir{};
    const std::vector<Control>& Controls() const { return controles_; }

    std::string Caption() const;
    void PonCaption(const std::string& texto);
    std::string Texto(HWND control) const;
    void PonTexto(HWND control, const std::string& texto);
    COLORREF ForeColor(HWND etiqueta) const;
    void PonForeColor(HWND etiqueta, COLORREF color);
    // 11 el reloj de arena, 0 el de siempre.
    void PonMousePointer(int puntero);
    void Refresh() {
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    void PonTimer(bool activo);

    // Un cuadro de mensaje modal con las banderas de MessageBox; devuelve el botón (6 = Sí).
    int MsgBox(const std::string& texto, UINT banderas, const std::string& titulo);
    // El aviso que no detiene nada: se muestra sin esperar respuesta y se cierra con CierraAviso.
    void MuestraAviso(const std::string& texto, const std::string& titulo);
    void CierraAviso();

    // Desde cualquier hilo: `fn` corre en el de la ventana, en orden, como un mensaje más.
    void Publica(std::function<void()> fn);
    void Destruye();

    // Los eventos, que atiende el comportamiento de la ventana.
    std::function<void()> alActivar, alIniciar, alSalir, alLatido;
    // Verdadero deja cerrar; falso rechaza el cierre.
    std::function<bool()> alCerrar;
    // Clic derecho (o la tecla de menú) en Lista, en coordenadas de pantalla.
    std::function<void(POINT)> alMenuLista;

private:
    static LRESULT CALLBACK Procedimiento(HWND, UINT, WPARAM, LPARAM);
    LRESULT Mensaje(UINT mensaje, WPARAM w, LPARAM l);
    void CreaControles();
    // Posiciones, fuentes e imágenes a los ppp del monitor.
    void Acomoda(UINT ppp);
    void DibujaEtiqueta(const DRAWITEMSTRUCT& dibujo);
    void Enabled(HWND control, bool valor);
    static void CapturaSiguienteCuadro(HWND* destino);

    static constexpr UINT kTrabajo = WM_APP + 1;  // hay funciones publicadas por el hilo obrero
    static constexpr UINT kActivada = WM_APP + 2; // la activación, ya mostrada la ventana
    static constexpr UINT kMuestraAviso = WM_APP + 3;
    static constexpr UINT_PTR kTimer1 = 1;

    HWND hwnd_{};
    UINT ppp_ = 96;
    Fuente fuente_, fuenteGrande_;
    Pincel fondoVentana_;
    std::vector<std::pair<HWND, COLORREF>> colores_;
    std::vector<Control> controles_;
    HWND focoAntes_{};
    HWND aviso_{};
    bool avisoAbierto_ = false;
    bool relojDeArena_ = false;
    bool timerActivo_ = false;
    std::mutex mutex_;
    std::deque<std::function<void()>> pendientes_;
};

} // namespace ov::app::win32
