// El programa de la ventana para Windows: subsistema GUI, sin consola.
#include "app/win32/Aplicacion.h"
#include "app/win32/Ventana.h"

namespace {

// Tab, Alt+letra y Enter como en un cuadro de diálogo; el resto a su ventana.
int BucleDeMensajes(HWND ventana) {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsWindow(ventana) && IsDialogMessageW(ventana, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int mostrar) {
    INITCOMMONCONTROLSEX cc{sizeof cc, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_DATE_CLASSES |
                                           ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&cc);
    ov::app::win32::Ventana ventana;
    const auto app = ov::app::win32::LeeAplicacion();
    ventana.PonCaption("Depuración de base de datos Orvalo v" + std::to_string(app.Major) + "." +
                       std::to_string(app.Minor) + "." + std::to_string(app.Revision));
    for (const char* c :
         {"Conexión", "Tamaño", "Menor checada", "Mayor checada", "Menor kardex", "Mayor kardex"}) {
        ventana.List1->AgregaColumna(c, 0);
    }
    ventana.List1->AgregaFila("Planta Norte");
    ventana.List1->AgregaFila("Planta Sur");
    ventana.List1->PonGhosted(2, true);
    for (int i = 0; i < 8; ++i) {
        ventana.Lista->Add("Se eliminarán las checadas reales de Planta Norte.");
    }
    ventana.Lista->PonImagen(1, 3);
    ventana.Lista->PonImagen(2, 2);
    ventana.Lista->PonBold(2, true);
    ventana.alLatido = [&] {
        const bool rojo = ventana.ForeColor(ventana.lblImportante) == RGB(255, 0, 0);
        ventana.PonForeColor(ventana.lblImportante, rojo ? RGB(0, 0, 255) : RGB(255, 0, 0));
    };
    ventana.alSalir = [&] { PostMessageW(ventana.Hwnd(), WM_CLOSE, 0, 0); };
    ventana.PonTimer(true);
    ventana.Muestra(mostrar);
    SetFocus(ventana.DTPicker1[0]->Hwnd());
    return BucleDeMensajes(ventana.Hwnd());
}
