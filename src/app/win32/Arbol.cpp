#include "app/win32/Arbol.h"

#include "app/win32/Recursos.h"

namespace ov::app::win32 {

namespace {
constexpr int kImagenes = 5;
}

Arbol::Arbol(HWND padre, int id)
    : hwnd_(CreaHijo(padre, WC_TREEVIEWW, L"", WS_TABSTOP | TVS_SHOWSELALWAYS | TVS_DISABLEDRAGDROP, id,
                     WS_EX_CLIENTEDGE)) {
    // TVS_CHECKBOXES se pone después de crear el árbol: así crea su lista de imágenes de estado.
    SetWindowLongPtrW(hwnd_, GWL_STYLE, GetWindowLongPtrW(hwnd_, GWL_STYLE) | TVS_CHECKBOXES);
    SetWindowSubclass(hwnd_, &Arbol::Subclase, 1, reinterpret_cast<DWORD_PTR>(this));
}

Arbol::~Arbol() {
    if (IsWindow(hwnd_)) {
        RemoveWindowSubclass(hwnd_, &Arbol::Subclase, 1);
    }
}

void Arbol::CargaImagenes(UINT ppp) {
    const int lado = MulDiv(16, static_cast<int>(ppp), 96);
    ListaImagenes nuevas(ImageList_Create(lado, lado, ILC_COLOR32 | ILC_MASK, kImagenes + 1, 0));
    // La posición 0 de la lista nativa es un hueco transparente: la imagen 0 de un nodo es "ninguna"
    // y el texto no se corre al ponerle o quitarle imagen.
    {
        HDC pantalla = GetDC(nullptr);
        HBITMAP vacio = CreateCompatibleBitmap(pantalla, lado, lado);
        HBITMAP mascara = CreateBitmap(lado, lado, 1, 1, nullptr);
        HDC dc = CreateCompatibleDC(pantalla);
        HGDIOBJ antes = SelectObject(dc, mascara);
        PatBlt(dc, 0, 0, lado, lado, WHITENESS);
        SelectObject(dc, antes);
        DeleteDC(dc);
        ReleaseDC(nullptr, pantalla);
        ImageList_Add(nuevas.get(), vacio, mascara);
        DeleteObject(vacio);
        DeleteObject(mascara);
    }
    for (int i = 0; i < kImagenes; ++i) {
        Icono icono(
            static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(OV_IMAGEN_1 + i),
                                          IMAGE_ICON, lado, lado, LR_DEFAULTCOLOR)));
        ImageList_AddIcon(nuevas.get(), icono.get());
    }
    TreeView_SetImageList(hwnd_, nuevas.get(), TVSIL_NORMAL);
    imagenes_ = std::move(nuevas);
}

void Arbol::Clear() {
    TreeView_DeleteAllItems(hwnd_);
    nodos_.clear();
}

void Arbol::Add(const std::string& texto) {
    std::wstring w = Ancho(texto);
    TVINSERTSTRUCTW ins{};
    ins.hParent = TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    ins.item.pszText = w.data();
    nodos_.push_back(
        reinterpret_cast<HTREEITEM>(SendMessageW(hwnd_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins))));
}

std::string Arbol::Text(int nodo) const {
    wchar_t texto[1024];
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = Item(nodo);
    item.pszText = texto;
    item.cchTextMax = static_cast<int>(std::size(texto));
    SendMessageW(hwnd_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return Utf8(texto);
}

void Arbol::PonTexto(int nodo, const std::string& texto) {
    std::wstring w = Ancho(texto);
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = Item(nodo);
    item.pszText = w.data();
    SendMessageW(hwnd_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void Arbol::PonImagen(int nodo, int imagen) {
    TVITEMW item{};
    item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    item.hItem = Item(nodo);
    item.iImage = item.iSelectedImage = (imagen >= 1 && imagen <= kImagenes) ? imagen : 0;
    SendMessageW(hwnd_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

int Arbol::Imagen(int nodo) const {
    TVITEMW item{};
    item.mask = TVIF_IMAGE;
    item.hItem = Item(nodo);
    SendMessageW(hwnd_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

void Arbol::PonBold(int nodo, bool negrita) {
    TreeView_SetItemState(hwnd_, Item(nodo), negrita ? TVIS_BOLD : 0, TVIS_BOLD);
}

bool Arbol::Checked(int nodo) const {
    return TreeView_GetCheckState(hwnd_, Item(nodo)) == 1;
}

void Arbol::PonChecked(int nodo, bool marca) {
    TreeView_SetCheckState(hwnd_, Item(nodo), marca);
}

int Arbol::NodoEn(POINT pantalla) const {
    HTREEITEM item = nullptr;
    if (pantalla.x != -1 || pantalla.y != -1) {
        TVHITTESTINFO prueba{};
        prueba.pt = pantalla;
        ScreenToClient(hwnd_, &prueba.pt);
        item = TreeView_HitTest(hwnd_, &prueba);
    }
    if (!item) {
        item = TreeView_GetSelection(hwnd_); // el menú pedido con el teclado
    }
    for (size_t k = 0; k < nodos_.size(); ++k) {
        if (nodos_[k] == item) {
            return static_cast<int>(k) + 1;
        }
    }
    return 0;
}

LRESULT CALLBACK Arbol::Subclase(HWND hwnd, UINT mensaje, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR datos) {
    const auto* arbol = reinterpret_cast<const Arbol*>(datos);
    if (arbol->bloqueado_) {
        switch (mensaje) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_LBUTTONUP:
            SetFocus(hwnd); // se puede recorrer con las flechas, no marcar
            return 0;
        case WM_KEYDOWN:
            switch (w) {
            case VK_UP:
            case VK_DOWN:
            case VK_PRIOR:
            case VK_NEXT:
            case VK_HOME:
            case VK_END:
                break;
            default:
                return 0;
            }
            break;
        case WM_CHAR:
            return 0;
        default:
            break;
        }
    }
    return DefSubclassProc(hwnd, mensaje, w, l);
}

} // namespace ov::app::win32
