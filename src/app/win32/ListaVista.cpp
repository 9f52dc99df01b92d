#include "app/win32/ListaVista.h"

#include <algorithm>

namespace ov::app::win32 {

namespace {

constexpr UINT kSinMarcar = 1, kMarcada = 2; // índices de la imagen de estado de la casilla

std::wstring TextoCelda(HWND lista, int indice, int columna) {
    std::wstring texto(256, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = columna;
        item.pszText = texto.data();
        item.cchTextMax = static_cast<int>(texto.size());
        const auto n = static_cast<size_t>(SendMessageW(lista, LVM_GETITEMTEXTW, static_cast<WPARAM>(indice),
                                                        reinterpret_cast<LPARAM>(&item)));
        if (n + 1 < texto.size()) {
            texto.resize(n);
            return texto;
        }
        texto.resize(texto.size() * 2);
    }
}

// Los textos de la columna por el lParam de cada fila: mientras ordena, la vista no contesta bien
// a otras preguntas que LVM_GETITEM.
struct Orden {
    std::vector<std::wstring> textos;
    std::vector<int> posicion; // los empates quedan como estaban
    bool descendente;
};

// Compara los textos que se ven, como lo haría el operador: sin distinguir mayúsculas.
int CALLBACK Compara(LPARAM a, LPARAM b, LPARAM datos) {
    const auto* orden = reinterpret_cast<const Orden*>(datos);
    const std::wstring& ta = orden->textos.at(static_cast<size_t>(a));
    const std::wstring& tb = orden->textos.at(static_cast<size_t>(b));
    const int r =
        CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, ta.c_str(), -1, tb.c_str(), -1) - CSTR_EQUAL;
    if (r == 0) {
        return orden->posicion.at(static_cast<size_t>(a)) - orden->posicion.at(static_cast<size_t>(b));
    }
    return orden->descendente ? -r : r;
}

} // namespace

ListaVista::ListaVista(HWND padre, int id)
    : hwnd_(CreaHijo(padre, WC_LISTVIEWW, L"",
                     WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL, id)) {
    ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP |
                                                 LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
}

void ListaVista::AgregaColumna(const std::string& texto, int ancho) {
    std::wstring w = Ancho(texto);
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    c.pszText = w.data();
    c.cx = ancho > 0 ? ancho : MulDiv(100, static_cast<int>(PppDe(hwnd_)), 96);
    c.iSubItem = columnas_;
    SendMessageW(hwnd_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(columnas_), reinterpret_cast<LPARAM>(&c));
    ++columnas_;
}

void ListaVista::AgregaFila(const std::string& texto) {
    std::wstring w = Ancho(texto);
    filas_.emplace_back();
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = Count();
    item.pszText = w.data();
    item.lParam = static_cast<LPARAM>(filas_.size() - 1);
    SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

int ListaVista::Count() const {
    return ListView_GetItemCount(hwnd_);
}

std::string ListaVista::Text(int fila, int columna) const {
    return Utf8(TextoCelda(hwnd_, Indice(fila), columna));
}

void ListaVista::PonTexto(int fila, int columna, const std::string& texto) {
    std::wstring w = Ancho(texto);
    LVITEMW item{};
    item.iSubItem = columna;
    item.pszText = w.data();
    SendMessageW(hwnd_, LVM_SETITEMTEXTW, static_cast<WPARAM>(Indice(fila)), reinterpret_cast<LPARAM>(&item));
}

bool ListaVista::Checked(int fila) const {
    return ListView_GetCheckState(hwnd_, static_cast<UINT>(Indice(fila))) != 0;
}

ListaVista::Fila& ListaVista::DatosDe(int fila) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = Indice(fila);
    SendMessageW(hwnd_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return filas_.at(static_cast<size_t>(item.lParam));
}

void ListaVista::PonGhosted(int fila, bool atenuada) {
    DatosDe(fila).atenuada = atenuada;
    ListView_RedrawItems(hwnd_, Indice(fila), Indice(fila));
}

bool ListaVista::Ghosted(int fila) const {
    return DatosDe(fila).atenuada;
}

void ListaVista::PonAyuda(int fila, const std::string& ayuda) {
    DatosDe(fila).ayuda = Ancho(ayuda);
}

void ListaVista::Ordena(int columna, bool descendente) {
    Orden orden{std::vector<std::wstring>(filas_.size()), std::vector<int>(filas_.size()), descendente};
    for (int i = 0; i < Count(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        SendMessageW(hwnd_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        orden.textos.at(static_cast<size_t>(item.lParam)) = TextoCelda(hwnd_, i, columna);
        orden.posicion.at(static_cast<size_t>(item.lParam)) = i;
    }
    SendMessageW(hwnd_, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&orden), reinterpret_cast<LPARAM>(&Compara));
}

LRESULT ListaVista::Notifica(NMHDR* aviso) {
    switch (aviso->code) {
    case LVN_ITEMCHANGED: {
        // Solo un cambio de casilla hecho sobre una fila ya puesta: al agregar la fila la imagen de
        // estado pasa de ninguna (0) a sin marcar, y eso no es del operador.
        const auto* cambio = reinterpret_cast<const NMLISTVIEW*>(aviso);
        const UINT antes = (cambio->uOldState & LVIS_STATEIMAGEMASK) >> 12;
        const UINT ahora = (cambio->uNewState & LVIS_STATEIMAGEMASK) >> 12;
        if ((cambio->uChanged & LVIF_STATE) && antes != 0 && ahora != 0 && antes != ahora &&
            (antes == kSinMarcar || antes == kMarcada) && alMarcar) {
            alMarcar(cambio->iItem + 1);
        }
        return 0;
    }
    case LVN_COLUMNCLICK:
        if (alEncabezado) {
            alEncabezado(reinterpret_cast<const NMLISTVIEW*>(aviso)->iSubItem + 1);
        }
        return 0;
    case LVN_GETINFOTIPW: {
        auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(aviso);
        const std::wstring& ayuda = DatosDe(tip->iItem + 1).ayuda;
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
