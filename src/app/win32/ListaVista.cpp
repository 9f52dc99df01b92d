#include "app/win32/ListaVista.h"

#include <algorithm>

namespace ov::app::win32 {

namespace {

// Los textos de la columna por clave: mientras ordena, la vista no contesta más que LVM_GETITEM.
struct Orden {
    std::vector<std::wstring> textos;
    std::vector<int> posicion; // los empates quedan como estaban
    bool descendente;
};

// Compara los textos que se ven, como lo haría el operador: sin distinguir mayúsculas.
int CALLBACK Compara(LPARAM a, LPARAM b, LPARAM datos) {
    const auto* orden = reinterpret_cast<const Orden*>(datos);
    const auto ia = static_cast<size_t>(a), ib = static_cast<size_t>(b);
    const int r = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, orden->textos.at(ia).c_str(), -1,
                                 orden->textos.at(ib).c_str(), -1) -
                  CSTR_EQUAL;
    if (r == 0) {
        return orden->posicion.at(ia) - orden->posicion.at(ib);
    }
    return orden->descendente ? -r : r;
}

LPARAM Clave(HWND lista, int posicion) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = posicion;
    SendMessageW(lista, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
}

} // namespace

ListaVista::ListaVista(HWND padre, int id)
    : hwnd_(CreaHijo(padre, WC_LISTVIEWW, L"",
                     WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL, id)) {
    ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP |
                                                 LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
}

void ListaVista::AgregaColumna(const std::string& texto) {
    std::wstring w = Ancho(texto);
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    c.pszText = w.data();
    c.cx = 96;
    c.iSubItem = columnas_;
    SendMessageW(hwnd_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(columnas_), reinterpret_cast<LPARAM>(&c));
    ++columnas_;
}

int ListaVista::Agrega(const std::string& texto) {
    std::wstring w = Ancho(texto);
    filas_.emplace_back();
    const int clave = static_cast<int>(filas_.size() - 1);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = ListView_GetItemCount(hwnd_);
    item.pszText = w.data();
    item.lParam = clave;
    callado_ = true; // la casilla nace sin marcar: no es del operador
    SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    callado_ = false;
    return clave;
}

std::vector<int> ListaVista::Filas() const {
    std::vector<int> claves;
    for (int i = 0, n = ListView_GetItemCount(hwnd_); i < n; ++i) {
        claves.push_back(static_cast<int>(Clave(hwnd_, i)));
    }
    return claves;
}

int ListaVista::Posicion(int fila) const {
    LVFINDINFOW busca{};
    busca.flags = LVFI_PARAM;
    busca.lParam = fila;
    return static_cast<int>(
        SendMessageW(hwnd_, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&busca)));
}

std::wstring ListaVista::Celda(int posicion, int columna) const {
    std::wstring texto(256, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = columna;
        item.pszText = texto.data();
        item.cchTextMax = static_cast<int>(texto.size());
        const auto n = static_cast<size_t>(SendMessageW(
            hwnd_, LVM_GETITEMTEXTW, static_cast<WPARAM>(posicion), reinterpret_cast<LPARAM>(&item)));
        if (n + 1 < texto.size()) {
            texto.resize(n);
            return texto;
        }
        texto.resize(texto.size() * 2);
    }
}

std::string ListaVista::Texto(int fila) const {
    return Utf8(Celda(Posicion(fila), 0));
}

bool ListaVista::Checked(int fila) const {
    return ListView_GetCheckState(hwnd_, static_cast<UINT>(Posicion(fila))) != 0;
}

void ListaVista::PonChecked(int fila, bool marcada) {
    callado_ = true;
    ListView_SetCheckState(hwnd_, static_cast<UINT>(Posicion(fila)), marcada);
    callado_ = false;
}

void ListaVista::PonCelda(int fila, int columna, const std::string& texto) {
    std::wstring w = Ancho(texto);
    LVITEMW item{};
    item.iSubItem = columna;
    item.pszText = w.data();
    SendMessageW(hwnd_, LVM_SETITEMTEXTW, static_cast<WPARAM>(Posicion(fila)),
                 reinterpret_cast<LPARAM>(&item));
}

void ListaVista::PonAyuda(int fila, const std::string& texto) {
    filas_.at(static_cast<size_t>(fila)).ayuda = Ancho(texto);
}

void ListaVista::PonGhosted(int fila) {
    filas_.at(static_cast<size_t>(fila)).atenuada = true;
    const int p = Posicion(fila);
    ListView_RedrawItems(hwnd_, p, p);
}

void ListaVista::Ordena(int columna, bool descendente) {
    Orden orden{std::vector<std::wstring>(filas_.size()), std::vector<int>(filas_.size()), descendente};
    for (int i = 0, n = ListView_GetItemCount(hwnd_); i < n; ++i) {
        const auto clave = static_cast<size_t>(Clave(hwnd_, i));
        orden.textos.at(clave) = Celda(i, columna);
        orden.posicion.at(clave) = i;
    }
    SendMessageW(hwnd_, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&orden), reinterpret_cast<LPARAM>(&Compara));
}

int ListaVista::FilaMarcada(const NMHDR* aviso) const {
    if (aviso->code != LVN_ITEMCHANGED || callado_) {
        return -1;
    }
    // Al agregar la fila su casilla pasa de ninguna imagen de estado a sin marcar: eso no cuenta.
    const auto* cambio = reinterpret_cast<const NMLISTVIEW*>(aviso);
    const UINT antes = cambio->uOldState & LVIS_STATEIMAGEMASK,
               ahora = cambio->uNewState & LVIS_STATEIMAGEMASK;
    if ((cambio->uChanged & LVIF_STATE) && antes != 0 && antes != ahora) {
        return static_cast<int>(cambio->lParam);
    }
    return -1;
}

LRESULT ListaVista::Notifica(NMHDR* aviso) {
    switch (aviso->code) {
    case LVN_GETINFOTIPW: {
        auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(aviso);
        const std::wstring& ayuda = filas_.at(static_cast<size_t>(Clave(hwnd_, tip->iItem))).ayuda;
        if (!ayuda.empty() && tip->cchTextMax > 0) {
            const size_t n = std::min(ayuda.size(), static_cast<size_t>(tip->cchTextMax - 1));
            std::copy_n(ayuda.begin(), n, tip->pszText);
            tip->pszText[n] = L'\0';
        }
        return 0;
    }
    case NM_CUSTOMDRAW: {
        // Las filas de una base que no abrió se pintan con el gris del texto deshabilitado.
        auto* dibujo = reinterpret_cast<NMLVCUSTOMDRAW*>(aviso);
        if (dibujo->nmcd.dwDrawStage == CDDS_PREPAINT) {
            return CDRF_NOTIFYITEMDRAW;
        }
        if (dibujo->nmcd.dwDrawStage == CDDS_ITEMPREPAINT &&
            filas_.at(static_cast<size_t>(dibujo->nmcd.lItemlParam)).atenuada) {
            dibujo->clrText = GetSysColor(COLOR_GRAYTEXT);
        }
        return CDRF_DODEFAULT;
    }
    default:
        return 0;
    }
}

} // namespace ov::app::win32
