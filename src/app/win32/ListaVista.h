#pragma once

#include "app/ControlesVentana.h"
#include "app/win32/Win32.h"

#include <string>
#include <vector>

namespace ov::app::win32 {

// List1: vista de informe con una casilla por fila, filas atenuadas, ayuda por fila y orden por el
// texto de una columna. La clave de una fila es su lParam, que no cambia al ordenar.
class ListaVista final : public ListaDeConexiones {
public:
    ListaVista(HWND padre, int id);
    HWND Hwnd() const { return hwnd_; }

    void AgregaColumna(const std::string& texto);
    void AnchoColumna(int columna, int pixeles) { ListView_SetColumnWidth(hwnd_, columna, pixeles); }

    void PonEnabled(bool valor) override { EnableWindow(hwnd_, valor); }
    int Agrega(const std::string& texto) override;
    std::vector<int> Filas() const override;
    std::string Texto(int fila) const override;
    bool Checked(int fila) const override;
    void PonChecked(int fila, bool marcada) override;
    void PonCelda(int fila, int columna, const std::string& texto) override;
    void PonAyuda(int fila, const std::string& texto) override;
    void PonGhosted(int fila) override;
    void Ordena(int columna, bool descendente) override;

    // La clave de la fila cuya casilla cambió por mano del operador, o -1 si el aviso no es eso.
    int FilaMarcada(const NMHDR* aviso) const;
    // Lo demás que el padre le pasa de WM_NOTIFY; devuelve el resultado para el mensaje.
    LRESULT Notifica(NMHDR* aviso);

private:
    struct Fila {
        bool atenuada = false;
        std::wstring ayuda;
    };
    int Posicion(int fila) const;
    std::wstring Celda(int posicion, int columna) const;

    HWND hwnd_;
    int columnas_ = 0;
    std::vector<Fila> filas_; // por clave
    bool callado_ = false;    // PonChecked no avisa
};

} // namespace ov::app::win32
