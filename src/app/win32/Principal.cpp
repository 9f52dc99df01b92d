// El programa de la ventana para Windows: subsistema GUI, sin consola.
#include "app/frmNalvora.h"
#include "app/win32/Aplicacion.h"
#include "app/win32/Servicios.h"
#include "app/win32/Ventana.h"
#include "connections/ArchivoReg.h"

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
                                           ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&cc);
    const auto app = ov::app::win32::LeeAplicacion();
    const ov::Reloj& reloj = ov::RelojDelSistema();
    ov::app::win32::Ventana ventana;
    ov::app::win32::ServiciosWin32 servicios(ventana, reloj);
    // El registro de Windows, en la vista de 32 bits, como la línea de comandos.
    const auto registro = ov::RegistroDeLaPlataforma("", app.Path);
    ov::app::frmNalvora form({ventana, servicios, servicios, reloj, app.Path, *registro, app.Programa});
    ventana.Conecta(&form);
    ventana.Muestra(mostrar);
    form.Controles().FocoInicial();
    const int salida = BucleDeMensajes(ventana.Hwnd());
    ventana.Conecta(nullptr);
    return salida;
}
