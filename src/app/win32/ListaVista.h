#pragma once

#include "app/win32/Win32.h"

#include <functional>
#include <string>
#include <vector>

namespace ov::app::win32 {

// List1: vista de informe con una casilla por fila, filas atenuadas y orden por el texto de una
// columna. Las filas se cuentan desde 1 en el orden en que se ven.
class ListaVista {
public:
    ListaVista(HWND padre, int id);
    HWND Hwnd() const { return hwnd_; }

    // Ancho en píxeles; 0 = el del control.
    void AgregaColumna(const std::string& texto, int ancho);
    // Agrega una fila con `columnas` celdas: el texto y las demás vacías.
    void AgregaFila(const std::string& texto);
    int Count() const;
    std::string Text(int fila, int columna = 0) const;
    void PonTexto(int fila, int columna, const std::string& texto);
    bool Checked(int fila) const;
    void PonGhosted(int fila, bool atenuada);
    bool Ghosted(int fila) const;
    // La ayuda que se ve al detenerse sobre la fila (por qué no abrió).
    void PonAyuda(int fila, const std::string& ayuda);
    // Ordena por el texto de la columna (0 = la fila, 1 a 5 las celdas); `descendente` invierte.
    void Ordena(int columna, bool descendente);
    void Refresh() { InvalidateRect(hwnd_, nullptr, FALSE); }

    std::function<void(int fila)> alMarcar;        // el operador cambió la casilla
    std::function<void(int columna)> alEncabezado; // contada desde 1

    // Lo que el padre le pasa de WM_NOTIFY; devuelve el resultado para el mensaje.
    LRESULT Notifica(NMHDR* aviso);

private:
    struct Fila {
        bool atenuada = false;
        std::wstring ayuda;
    };
    Fila& DatosDe(int fila) const;
    int Indice(int fila) const { return fila - 1; }

    HWND hwnd_;
    int columnas_ = 0;
    mutable std::vector<Fila> filas_; // por el lParam de cada fila, que no cambia al ordenar
    std::wstring ayudaActual_;
};

} // namespace ov::app::win32
