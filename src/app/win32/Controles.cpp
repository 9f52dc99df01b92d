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

} // namespace

void Ventana::CreaControles() {
    const ColorRGB rojo{255, 0, 0};
    DTPicker1_[0] = std::make_unique<SelectorFecha>(hwnd_, kDesde);
    DTPicker1_[1] = std::make_unique<SelectorFecha>(hwnd_, kHasta);
    // Las letras subrayadas: Alt+S sale, Alt+I inicia; la del marco lleva a Lista y la de la
    // etiqueta de la lista a List1, los controles que les siguen en el orden de tabulación.
    btnSalir_ = CreaHijo(hwnd_, WC_BUTTONW, L"&Salir", WS_TABSTOP | BS_PUSHBUTTON, kSalir);
    btnIniciar_ = CreaHijo(hwnd_, WC_BUTTONW, L"&Iniciar", WS_TABSTOP | BS_PUSHBUTTON, kIniciar);
    lblImportante_ =
        std::make_unique<EtiquetaWin32>(hwnd_, kImportante,
                                        "IMPORTANTE: Asegúrese de contar con un respaldo reciente de "
                                        "la base de datos antes de ejecutar este proceso.",
                                        kPosImportante, rojo, true);
    lblDescripcion_ = std::make_unique<EtiquetaWin32>(hwnd_, kDescripcion,
                                                      "Este proceso de depuración elimina definitivamente la "
                                                      "información de Orvalo en el rango de fechas que se "
                                                      "especifique a continuación.",
                                                      kPosDescripcion, ColorRGB{0, 0, 192}, false);
    lblDesde_ = CreaHijo(hwnd_, WC_STATICW, L"Desde:", SS_LEFT | SS_NOPREFIX, kLblDesde);
    lblHasta_ = CreaHijo(hwnd_, WC_STATICW, L"Hasta:", SS_LEFT | SS_NOPREFIX, kLblHasta);
    Label1_ = std::make_unique<EtiquetaWin32>(
        hwnd_, kLabel1, "Una vez iniciado el proceso no se puede detener y puede durar muchos minutos.",
        kPosLabel1, rojo, false);
    const COLORREF texto = GetSysColor(COLOR_BTNTEXT);
    Label2_ = std::make_unique<EtiquetaWin32>(
        hwnd_, kLabel2, "Para iniciar con la depuración oprima el botón <Iniciar>.", kPosLabel2,
        ColorRGB{GetRValue(texto), GetGValue(texto), GetBValue(texto)}, false, true);
    frmTareas_ = CreaHijo(hwnd_, WC_BUTTONW, L"&Tareas", BS_GROUPBOX | WS_CLIPSIBLINGS, kTareas);
    // Hermano del marco y no su hijo: así sus avisos llegan a la ventana.
    Lista_ = std::make_unique<Arbol>(hwnd_, kLista);
    lblListaBD_ =
        CreaHijo(hwnd_, WC_STATICW, Ancho("Seleccione la &conexión de la base de datos que desea depurar"),
                 SS_LEFT, kLblListaBD);
    List1_ = std::make_unique<ListaVista>(hwnd_, kList1);
    for (const char* encabezado :
         {"Conexión", "Tamaño", "Menor checada", "Mayor checada", "Menor kardex", "Mayor kardex"}) {
        List1_->AgregaColumna(encabezado);
    }
    Timer1_ = std::make_unique<TemporizadorWin32>(hwnd_, kTimer1, 500);
    Segundero_ = std::make_unique<TemporizadorWin32>(hwnd_, kSegundero, 1000);
    ayudas_ = CreateWindowExW(
        WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);

    auto simple = [this](HWND h) { return simples_.emplace_back(std::make_unique<ControlHwnd>(h)).get(); };
    controles_ = {lblImportante_.get(), lblDescripcion_.get(),
                  simple(lblListaBD_),  List1_.get(),
                  simple(lblDesde_),    DTPicker1_[0].get(),
                  simple(lblHasta_),    DTPicker1_[1].get(),
                  simple(frmTareas_),   Lista_.get(),
                  Label2_.get(),        Label1_.get(),
                  simple(btnIniciar_),  simple(btnSalir_),
                  Timer1_.get(),        simples_.emplace_back(std::make_unique<SinEnabled>()).get()};
}

void Ventana::Acomoda(UINT ppp) {
    ppp_ = ppp;
    fuente_ = Tahoma(8.25, ppp);
    fuenteGrande_ = Tahoma(13.5, ppp);
    const std::pair<HWND, Twips> lugares[] = {
        {lblListaBD_, kPosListaBD},
        {List1_->Hwnd(), kPosList1},
        {lblDesde_, kPosLblDesde},
        {DTPicker1_[0]->Hwnd(), kPosDesde},
        {lblHasta_, kPosLblHasta},
        {DTPicker1_[1]->Hwnd(), kPosHasta},
        {frmTareas_, kPosTareas},
        {btnIniciar_, kPosIniciar},
        {btnSalir_, kPosSalir},
        {Lista_->Hwnd(),
         {kPosTareas.Izquierda + kPosLista.Izquierda, kPosTareas.Arriba + kPosLista.Arriba, kPosLista.Ancho,
          kPosLista.Alto}},
    };
    for (const auto& [control, t] : lugares) {
        const RECT r = Rectangulo(t, ppp);
        SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fuente_.get()), TRUE);
    }
    lblImportante_->Acomoda(ppp, fuenteGrande_.get(), ayudas_);
    for (EtiquetaWin32* e : {lblDescripcion_.get(), Label1_.get(), Label2_.get()}) {
        e->Acomoda(ppp, fuente_.get(), ayudas_);
    }
    SendMessageW(ayudas_, WM_SETFONT, reinterpret_cast<WPARAM>(fuente_.get()), TRUE);
    Lista_->CargaImagenes(ppp);
    // La primera columna, un tercio del ancho de la lista; las demás, el ancho de omisión de un
    // encabezado (1440 twips).
    List1_->AnchoColumna(0, Pixeles(kPosList1.Ancho / 3, ppp));
    for (int c = 1; c < 6; ++c) {
        List1_->AnchoColumna(c, Pixeles(1440, ppp));
    }
    // Las etiquetas de tamaño automático crecen si la fuente sustituta es más ancha que Tahoma.
    for (HWND etiqueta : {lblListaBD_, lblDesde_, lblHasta_}) {
        wchar_t texto[128];
        GetWindowTextW(etiqueta, texto, 128);
        HDC dc = GetDC(etiqueta);
        HGDIOBJ antes = SelectObject(dc, fuente_.get());
        RECT medida{0, 0, 0, 0};
        DrawTextW(dc, texto, -1, &medida, DT_CALCRECT | DT_SINGLELINE);
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
    RECT marco = Rectangulo(kInterior, ppp);
    AdjustWindowRectEx(&marco, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
    SetWindowPos(hwnd_, nullptr, 0, 0, marco.right - marco.left, marco.bottom - marco.top,
                 SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

} // namespace ov::app::win32
