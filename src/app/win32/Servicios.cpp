#include "app/win32/Servicios.h"

#include "app/win32/Ventana.h"

namespace ov::app::win32 {

bool ServiciosWin32::PreguntaSiNo(const std::string& texto, const std::string& titulo) {
    // 292: Sí y No, icono de pregunta, No por omisión. Solo Sí (6) sigue.
    return ventana_.MsgBox(texto, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, titulo) == IDYES;
}

void ServiciosWin32::Informa(const std::string& texto, const std::string& titulo) {
    ventana_.MsgBox(texto, MB_OK | MB_ICONINFORMATION, titulo); // 64
}

void ServiciosWin32::Advierte(const std::string& texto, const std::string& titulo) {
    ventana_.MsgBox(texto, MB_OK | MB_ICONWARNING, titulo);
}

void ServiciosWin32::PonPuntero(Puntero puntero) {
    ventana_.PonMousePointer(puntero == Puntero::RelojDeArena);
}

void ServiciosWin32::Publica(std::function<void()> fn) {
    ventana_.Publica(std::move(fn));
}

void ServiciosWin32::TerminaPrograma() {
    PostQuitMessage(0);
}

} // namespace ov::app::win32
