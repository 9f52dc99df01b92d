#pragma once

#include "app/ControlesVentana.h"
#include "app/win32/Win32.h"

#include <functional>
#include <string>
#include <vector>

namespace ov::app::win32 {

// Lista: árbol de una línea por nodo, con casilla e imagen de ImageList1 (índices 1 a 5; 0 ninguna).
// Bloqueado se sigue desplazando, pero ni el ratón ni las teclas cambian sus casillas.
class Arbol final : public ArbolDeTareas {
public:
    Arbol(HWND padre, int id);
    ~Arbol() override;
    Arbol(const Arbol&) = delete;
    Arbol& operator=(const Arbol&) = delete;
    HWND Hwnd() const { return hwnd_; }

    void PonEnabled(bool valor) override { bloqueado_ = !valor; }
    void Llena(const std::vector<AspectoNodo>& nodos) override;
    int Count() const override { return static_cast<int>(nodos_.size()); }
    bool Checked(int k) const override;
    void PonChecked(int k, bool marcado) override;
    void PonAspecto(int k, const AspectoNodo& aspecto) override;
    void PonAyuda(int k, const std::string& texto) override;
    void MuestraNodo(int k) override;
    void MenuContextual(const std::vector<std::string>& opciones, std::function<void(int)> alElegir) override;

    std::string Text(int k) const;
    int Imagen(int k) const;
    bool Bloqueado() const { return bloqueado_; }
    // Las imágenes al tamaño de los ppp dados.
    void CargaImagenes(UINT ppp);
    // El nodo bajo un punto de la pantalla (el seleccionado si el menú se pidió con el teclado); 0
    // si ninguno.
    int NodoEn(POINT pantalla);
    LRESULT Notifica(NMHDR* aviso);

private:
    static LRESULT CALLBACK Subclase(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    HTREEITEM Item(int k) const { return nodos_.at(static_cast<size_t>(k - 1)); }
    void AbreMenu();

    HWND hwnd_;
    ListaImagenes imagenes_;
    std::vector<HTREEITEM> nodos_;
    std::vector<std::wstring> ayudas_;
    bool bloqueado_ = false;
    POINT lugarMenu_{};
    std::vector<std::string> opciones_;
    std::function<void(int)> alElegir_;
};

} // namespace ov::app::win32
