#include "app/win32/Arbol.h"

#include "app/win32/Recursos.h"

#include <algorithm>
#include <cstring>

namespace ov::app::win32 {

namespace {
constexpr int kImagenes = 5;
constexpr UINT kAbreMenu = WM_APP + 10;
} // namespace

Arbol::Arbol(HWND padre, int id)
    : hwnd_(CreaHijo(padre, WC_TREEVIEWW, L"",
                     WS_TABSTOP | TVS_SHOWSELALWAYS | TVS_DISABLEDRAGDROP | TVS_INFOTIP, id,
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

void Arbol::Llena(const std::vector<AspectoNodo>& nodos) {
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    TreeView_DeleteAllItems(hwnd_);
    nodos_.clear();
    ayudas_.clear();
    for (const AspectoNodo& a : nodos) {
        std::wstring w = Ancho(a.Texto);
        TVINSERTSTRUCTW ins{};
        ins.hParent = TVI_ROOT;
        ins.hInsertAfter = TVI_LAST;
        ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        ins.item.pszText = w.data();
        nodos_.push_back(reinterpret_cast<HTREEITEM>(
            SendMessageW(hwnd_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins))));
        ayudas_.emplace_back();
        PonAspecto(Count(), a);
    }
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

std::string Arbol::Text(int k) const {
    wchar_t texto[1024];
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = Item(k);
    item.pszText = texto;
    item.cchTextMax = static_cast<int>(std::size(texto));
    SendMessageW(hwnd_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return Utf8(texto);
}

void Arbol::PonAspecto(int k, const AspectoNodo& aspecto) {
    std::wstring w = Ancho(aspecto.Texto);
    TVITEMW item{};
    item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    item.hItem = Item(k);
    item.pszText = w.data();
    item.iImage = item.iSelectedImage =
        (aspecto.Imagen >= 1 && aspecto.Imagen <= kImagenes) ? aspecto.Imagen : 0;
    item.state = aspecto.Bold ? TVIS_BOLD : 0;
    item.stateMask = TVIS_BOLD;
    SendMessageW(hwnd_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    ayudas_.at(static_cast<size_t>(k - 1)) = w;
}

void Arbol::PonAyuda(int k, const std::string& texto) {
    ayudas_.at(static_cast<size_t>(k - 1)) = Ancho(texto);
}

int Arbol::Imagen(int k) const {
    TVITEMW item{};
    item.mask = TVIF_IMAGE;
    item.hItem = Item(k);
    SendMessageW(hwnd_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

bool Arbol::Checked(int k) const {
    return TreeView_GetCheckState(hwnd_, Item(k)) == 1;
}

void Arbol::PonChecked(int k, bool marcado) {
    TreeView_SetCheckState(hwnd_, Item(k), marcado);
}

void Arbol::MuestraNodo(int k) {
    TreeView_EnsureVisible(hwnd_, Item(k));
}

void Arbol::MenuContextual(const std::vector<std::string>& opciones, std::function<void(int)> alElegir) {
    // El menú tiene su propio bucle mientras está abierto: se abre después, desde un mensaje, y esta
    // llamada vuelve en seguida.
    opciones_ = opciones;
    alElegir_ = std::move(alElegir);
    PostMessageW(hwnd_, kAbreMenu, 0, 0);
}

void Arbol::AbreMenu() {
    HMENU menu = CreatePopupMenu();
    for (size_t i = 0; i < opciones_.size(); ++i) {
        AppendMenuW(menu, MF_STRING, i + 1, Ancho(opciones_[i]).c_str());
    }
    const int elegida = static_cast<int>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, lugarMenu_.x,
                                                        lugarMenu_.y, 0, GetParent(hwnd_), nullptr));
    DestroyMenu(menu);
    auto alElegir = std::move(alElegir_);
    if (elegida > 0 && alElegir) {
        alElegir(elegida - 1);
    }
}

LRESULT Arbol::Notifica(NMHDR* aviso) {
    if (aviso->code == TVN_GETINFOTIPW) {
        auto* tip = reinterpret_cast<NMTVGETINFOTIPW*>(aviso);
        for (size_t k = 0; k < nodos_.size(); ++k) {
            if (nodos_[k] == tip->hItem && tip->cchTextMax > 0) {
                const std::wstring& ayuda = ayudas_[k];
                const size_t n = std::min(ayuda.size(), static_cast<size_t>(tip->cchTextMax - 1));
                std::copy_n(ayuda.begin(), n, tip->pszText);
                tip->pszText[n] = L'\0';
            }
        }
    }
    return 0;
}

int Arbol::NodoEn(POINT pantalla) {
    HTREEITEM item = nullptr;
    lugarMenu_ = pantalla;
    if (pantalla.x != -1 || pantalla.y != -1) {
        TVHITTESTINFO prueba{};
        prueba.pt = pantalla;
        ScreenToClient(hwnd_, &prueba.pt);
        item = TreeView_HitTest(hwnd_, &prueba);
    }
    if (!item) {
        item = TreeView_GetSelection(hwnd_); // el menú pedido con el teclado
        RECT r{};
        std::memcpy(&r, &item, sizeof item); // TVM_GETITEMRECT lee el nodo del mismo RECT
        if (item && SendMessageW(hwnd_, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r))) {
            lugarMenu_ = {r.left, r.bottom};
            ClientToScreen(hwnd_, &lugarMenu_);
        }
    }
    for (size_t k = 0; k < nodos_.size(); ++k) {
        if (nodos_[k] == item) {
            return static_cast<int>(k) + 1;
        }
    }
    return 0;
}

LRESULT CALLBACK Arbol::Subclase(HWND hwnd, UINT mensaje, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR datos) {
    auto* arbol = reinterpret_cast<Arbol*>(datos);
    if (mensaje == kAbreMenu) {
        arbol->AbreMenu();
        return 0;
    }
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
