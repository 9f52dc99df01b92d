#pragma once

#include "app/win32/Win32.h"

#include <string>
#include <vector>

namespace ov::app::win32 {

// Lista: árbol de una línea por nodo, con casilla e imagen de ImageList1 (índices 1 a 5; 0 ninguna).
// Bloqueado se sigue desplazando, pero ni el ratón ni las teclas cambian sus casillas.
class Arbol {
public:
    Arbol(HWND padre, int id);
    ~Arbol();
    Arbol(const Arbol&) = delete;
    Arbol& operator=(const Arbol&) = delete;
    HWND Hwnd() const { return hwnd_; }

    void Clear();
    void Add(const std::string& texto);
    int Count() const { return static_cast<int>(nodos_.size()); }
    std::string Text(int nodo) const;
    void PonTexto(int nodo, const std::string& texto);
    void PonImagen(int nodo, int imagen);
    int Imagen(int nodo) const;
    void PonBold(int nodo, bool negrita);
    bool Checked(int nodo) const;
    // Acción del operador (el menú del clic derecho): marca o desmarca como con la casilla.
    void PonChecked(int nodo, bool marca);
    void Refresh() { InvalidateRect(hwnd_, nullptr, FALSE); }

    void Bloquea(bool bloqueado) { bloqueado_ = bloqueado; }
    // Las imágenes al tamaño de los ppp dados.
    void CargaImagenes(UINT ppp);
    // El nodo bajo un punto de la pantalla, o el seleccionado; 0 si ninguno.
    int NodoEn(POINT pantalla) const;

private:
    static LRESULT CALLBACK Subclase(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    HTREEITEM Item(int nodo) const { return nodos_.at(static_cast<size_t>(nodo - 1)); }

    HWND hwnd_;
    ListaImagenes imagenes_;
    std::vector<HTREEITEM> nodos_;
    bool bloqueado_ = false;
};

} // namespace ov::app::win32
