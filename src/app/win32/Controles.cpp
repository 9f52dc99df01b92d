// Los controles de frmNalvora tal como se diseñaron: textos, colores, fuentes, posiciones en twips y
// orden de tabulación (el orden en que se crean).
#include "app/win32/Ventana.h"

#include "app/win32/Recursos.h"

namespace ov::app::win32 {

namespace {

enum Id : int {
    kDesde = OV_ID_DESDE,
    kHasta = OV_ID_HASTA,
    kSalir = OV_ID_SALIR,
    kIniciar = OV_ID_INICIAR,
    kImportante,
    kDescripcion,
    kLblDesde,
    kLblHasta,
    kLabel1,
    kLabel2,
    kTareas,
    kLista,
    kLblListaBD,
    kList1,
};

// En twips, relativos al área interior; los de Lista, al marco.
constexpr Twips kInterior{0, 0, 8775, 7815};
constexpr Twips kPosImportante{45, 30, 8685, 840}, kPosDescripcion{45, 975, 8685, 465},
    kPosListaBD{45, 1440, 4470, 195}, kPosList1{45, 1710, 8685, 1380}, kPosLblDesde{90, 3165, 510, 195},
    kPosDesde{90, 3375, 3765, 330}, kPosLblHasta{4155, 3135, 480, 195}, kPosHasta{4155, 3375, 3765, 330},
    kPosTareas{30, 3870, 8700, 2505}, kPosLista{75, 195, 8565, 2250}, kPosLabel2{2475, 6465, 4020, 195},
    kPosLabel1{2595, 6705, 3630, 420}, kPosIniciar{2565, 7320, 1665, 390}, kPosSalir{4635, 7320, 1665, 390};

// Las etiquetas que llevan color propio se pintan a mano: así lo conservan también deshabilitadas.
HWND EtiquetaDeColor(HWND padre, const char* texto, int id) {
    return CreaHijo(padre, WC_STATICW, Ancho(texto), SS_OWNERDRAW, id);
}

} // namespace

void Ventana::CreaControles() {
    DTPicker1[0] = std::make_unique<SelectorFecha>(hwnd_, kDesde);
    DTPicker1[1] = std::make_unique<SelectorFecha>(hwnd_, kHasta);
    // Las letras subrayadas: Alt+S sale, Alt+I inicia; la del marco lleva a Lista y la de la
    // etiqueta de la lista a List1, los controles que les siguen en el orden de tabulación.
    btnSalir = CreaHijo(hwnd_, WC_BUTTONW, L"&Salir", WS_TABSTOP | BS_PUSHBUTTON, kSalir);
    btnIniciar = CreaHijo(hwnd_, WC_BUTTONW, L"&Iniciar", WS_TABSTOP | BS_PUSHBUTTON, kIniciar);
    lblImportante = EtiquetaDeColor(hwnd_,
                                    "IMPORTANTE: Asegúrese de contar con un respaldo reciente de la base de "
                                    "datos antes de ejecutar este proceso.",
                                    kImportante);
    lblDescripcion = EtiquetaDeColor(hwnd_,
                                     "Este proceso de depuración elimina definitivamente la información de "
                                     "Orvalo en el rango de fechas que se especifique a continuación.",
                                     kDescripcion);
    lblDesde = CreaHijo(hwnd_, WC_STATICW, L"Desde:", SS_LEFT | SS_NOPREFIX, kLblDesde);
    lblHasta = CreaHijo(hwnd_, WC_STATICW, L"Hasta:", SS_LEFT | SS_NOPREFIX, kLblHasta);
    Label1 = EtiquetaDeColor(
        hwnd_, "Una vez iniciado el proceso no se puede detener y puede durar muchos minutos.", kLabel1);
    Label2 = CreaHijo(hwnd_, WC_STATICW, Ancho("Para iniciar con la depuración oprima el botón <Iniciar>."),
                      SS_LEFT | SS_NOPREFIX, kLabel2);
    frmTareas = CreaHijo(hwnd_, WC_BUTTONW, L"&Tareas", BS_GROUPBOX | WS_CLIPSIBLINGS, kTareas);
    // Hermano del marco y no su hijo: así sus avisos llegan a la ventana.
    Lista = std::make_unique<Arbol>(hwnd_, kLista);
    lblListaBD =
        CreaHijo(hwnd_, WC_STATICW, Ancho("Seleccione la &conexión de la base de datos que desea depurar"),
                 SS_LEFT, kLblListaBD);
    List1 = std::make_unique<ListaVista>(hwnd_, kList1);

    colores_ = {{lblImportante, RGB(255, 0, 0)}, {lblDescripcion, RGB(0, 0, 192)}, {Label1, RGB(255, 0, 0)}};

    auto enabled = [this](HWND h) { return [this, h](bool v) { Enabled(h, v); }; };
    controles_ = {
        {"lblImportante", enabled(lblImportante)},
        {"lblDescripcion", enabled(lblDescripcion)},
        {"lblListaBD", enabled(lblListaBD)},
        {"List1", enabled(List1->Hwnd())},
        {"lblDesde", enabled(lblDesde)},
        {"DTPicker1(0)", enabled(DTPicker1[0]->Hwnd())},
        {"lblHasta", enabled(lblHasta)},
        {"DTPicker1(1)", enabled(DTPicker1[1]->Hwnd())},
        {"frmTareas", enabled(frmTareas)},
        // Bloqueada, Lista se sigue recorriendo: solo deja de aceptar marcas.
        {"Lista", [this](bool v) { Lista->Bloquea(!v); }},
        {"Label2", enabled(Label2)},
        {"Label1", enabled(Label1)},
        {"btnIniciar", enabled(btnIniciar)},
        {"btnSalir", enabled(btnSalir)},
        {"Timer1", [this](bool v) { PonTimer(v); }},
        {"ImageList1", {}},
    };
}

void Ventana::Acomoda(UINT ppp) {
    ppp_ = ppp;
    fuente_ = Tahoma(8.25, ppp);
    fuenteGrande_ = Tahoma(13.5, ppp);
    const std::pair<HWND, Twips> lugares[] = {
        {lblImportante, kPosImportante},
        {lblDescripcion, kPosDescripcion},
        {lblListaBD, kPosListaBD},
        {List1->Hwnd(), kPosList1},
        {lblDesde, kPosLblDesde},
        {DTPicker1[0]->Hwnd(), kPosDesde},
        {lblHasta, kPosLblHasta},
        {DTPicker1[1]->Hwnd(), kPosHasta},
        {frmTareas, kPosTareas},
        {Label2, kPosLabel2},
        {Label1, kPosLabel1},
        {btnIniciar, kPosIniciar},
        {btnSalir, kPosSalir},
    };
    for (const auto& [control, t] : lugares) {
        const RECT r = Rectangulo(t, ppp);
        SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fuente_.get()), TRUE);
    }
    const RECT lista = Rectangulo({kPosTareas.Izquierda + kPosLista.Izquierda,
                                   kPosTareas.Arriba + kPosLista.Arriba, kPosLista.Ancho, kPosLista.Alto},
                                  ppp);
    SetWindowPos(Lista->Hwnd(), nullptr, lista.left, lista.top, lista.right - lista.left,
                 lista.bottom - lista.top, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(Lista->Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(fuente_.get()), TRUE);
    SendMessageW(lblImportante, WM_SETFONT, reinterpret_cast<WPARAM>(fuenteGrande_.get()), TRUE);
    Lista->CargaImagenes(ppp);
    // Las etiquetas de tamaño automático crecen si la fuente sustituta es más ancha que Tahoma.
    for (HWND etiqueta : {lblListaBD, lblDesde, lblHasta, Label2}) {
        HDC dc = GetDC(etiqueta);
        HGDIOBJ antes = SelectObject(dc, fuente_.get());
        const std::wstring texto = Ancho(Texto(etiqueta));
        RECT medida{0, 0, 0, 0};
        DrawTextW(dc, texto.c_str(), -1, &medida, DT_CALCRECT | DT_SINGLELINE);
        SelectObject(dc, antes);
        ReleaseDC(etiqueta, dc);
        RECT r;
        GetClientRect(etiqueta, &r);
        if (medida.right > r.right) {
            SetWindowPos(etiqueta, nullptr, 0, 0, medida.right, r.bottom,
                         SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
        }
    }
    // El área interior a la medida del diseño.
    const RECT interior = Rectangulo(kInterior, ppp);
    RECT marco = interior;
    AdjustWindowRectEx(&marco, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
    SetWindowPos(hwnd_, nullptr, 0, 0, marco.right - marco.left, marco.bottom - marco.top,
                 SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

void Ventana::DibujaEtiqueta(const DRAWITEMSTRUCT& dibujo) {
    COLORREF color = GetSysColor(COLOR_WINDOWTEXT);
    for (const auto& [h, c] : colores_) {
        if (h == dibujo.hwndItem) {
            color = c;
        }
    }
    // La advertencia va sobre el color de fondo de las ventanas; las demás, sobre el del diálogo.
    FillRect(dibujo.hDC, &dibujo.rcItem,
             GetSysColorBrush(dibujo.hwndItem == lblImportante ? COLOR_WINDOW : COLOR_BTNFACE));
    SetBkMode(dibujo.hDC, TRANSPARENT);
    SetTextColor(dibujo.hDC, color);
    HGDIOBJ antes =
        SelectObject(dibujo.hDC, dibujo.hwndItem == lblImportante ? fuenteGrande_.get() : fuente_.get());
    const std::wstring texto = Ancho(Texto(dibujo.hwndItem));
    RECT r = dibujo.rcItem;
    DrawTextW(dibujo.hDC, texto.c_str(), -1, &r, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dibujo.hDC, antes);
}

} // namespace ov::app::win32
