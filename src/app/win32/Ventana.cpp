#include "app/win32/Ventana.h"

#include "app/win32/Recursos.h"

#include <windowsx.h>

namespace ov::app::win32 {

namespace {

constexpr wchar_t kClase[] = L"frmNalvora";
constexpr UINT kIntervalo = 500;
// Borde fijo, cuadro de cierre, sin maximizar ni minimizar.
constexpr DWORD kEstilo = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

void RegistraClase() {
    static const bool registrada = [] {
        WNDCLASSEXW clase{};
        clase.cbSize = sizeof clase;
        clase.lpfnWndProc = &DefWindowProcW;
        clase.hInstance = GetModuleHandleW(nullptr);
        clase.hIcon = LoadIconW(clase.hInstance, MAKEINTRESOURCEW(OV_ICONO_VENTANA));
        clase.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        clase.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        clase.lpszClassName = kClase;
        return RegisterClassExW(&clase) != 0;
    }();
    (void)registrada;
}

} // namespace

Ventana::Ventana() {
    RegistraClase();
    hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kClase, Ancho("Depuración de base de datos Orvalo").c_str(),
                            kEstilo, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    CreaControles();
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Ventana::Procedimiento));
    Acomoda(PppDe(hwnd_));
}

Ventana::~Ventana() {
    PonTimer(false);
    Destruye();
}

void Ventana::Destruye() {
    if (IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void Ventana::Muestra(int mostrar) {
    POINT cursor{};
    GetCursorPos(&cursor);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromPoint(cursor, MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT r;
    GetWindowRect(hwnd_, &r);
    const RECT& area = monitor.rcWork;
    const int x = area.left + (area.right - area.left - (r.right - r.left)) / 2;
    const int y = area.top + (area.bottom - area.top - (r.bottom - r.top)) / 2;
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    // En otro monitor con otros ppp, la ventana ya recibió WM_DPICHANGED al moverse.
    ShowWindow(hwnd_, mostrar);
    UpdateWindow(hwnd_);
}

std::string Ventana::Texto(HWND control) const {
    std::wstring texto(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    texto.resize(static_cast<size_t>(GetWindowTextW(control, texto.data(), static_cast<int>(texto.size()))));
    return Utf8(texto);
}

void Ventana::PonTexto(HWND control, const std::string& texto) {
    SetWindowTextW(control, Ancho(texto).c_str());
    if (GetWindowLongPtrW(control, GWL_STYLE) & SS_OWNERDRAW) {
        InvalidateRect(control, nullptr, TRUE);
    }
}

std::string Ventana::Caption() const {
    return Texto(hwnd_);
}

void Ventana::PonCaption(const std::string& texto) {
    PonTexto(hwnd_, texto);
}

COLORREF Ventana::ForeColor(HWND etiqueta) const {
    for (const auto& [h, c] : colores_) {
        if (h == etiqueta) {
            return c;
        }
    }
    return GetSysColor(COLOR_WINDOWTEXT);
}

void Ventana::PonForeColor(HWND etiqueta, COLORREF color) {
    for (auto& [h, c] : colores_) {
        if (h == etiqueta) {
            c = color;
            InvalidateRect(etiqueta, nullptr, FALSE);
        }
    }
}

void Ventana::PonMousePointer(int puntero) {
    relojDeArena_ = puntero == 11;
    SetCursor(LoadCursorW(nullptr, relojDeArena_ ? IDC_WAIT : IDC_ARROW));
}

void Ventana::PonTimer(bool activo) {
    // Un temporizador deshabilitado no late: el aviso se queda en el color que tenía.
    if (activo && !timerActivo_) {
        SetTimer(hwnd_, kTimer1, kIntervalo, nullptr);
    } else if (!activo && timerActivo_) {
        KillTimer(hwnd_, kTimer1);
    }
    timerActivo_ = activo;
}

void Ventana::Enabled(HWND control, bool valor) {
    if (!valor && (GetFocus() == control)) {
        focoAntes_ = control; // se le devuelve al desbloquear
        SetFocus(hwnd_);
    }
    EnableWindow(control, valor);
    if (valor && focoAntes_ == control) {
        SetFocus(control);
        focoAntes_ = nullptr;
    }
}

int Ventana::MsgBox(const std::string& texto, UINT banderas, const std::string& titulo) {
    return MessageBoxW(hwnd_, Ancho(texto).c_str(), Ancho(titulo).c_str(), banderas);
}

void Ventana::MuestraAviso(const std::string& texto, const std::string& titulo) {
    if (avisoAbierto_) {
        if (aviso_) {
            SetForegroundWindow(aviso_);
        }
        return;
    }
    avisoAbierto_ = true;
    // Se muestra desde un mensaje propio, para que quien lo pide no quede esperando la respuesta.
    auto* datos = new std::pair<std::wstring, std::wstring>(Ancho(texto), Ancho(titulo));
    PostMessageW(hwnd_, kMuestraAviso, 0, reinterpret_cast<LPARAM>(datos));
}

void Ventana::CierraAviso() {
    if (aviso_ && IsWindow(aviso_)) {
        PostMessageW(aviso_, WM_COMMAND, IDOK, 0);
    }
}

namespace {
thread_local HWND* capturado = nullptr;
thread_local HHOOK gancho = nullptr;

LRESULT CALLBACK AlActivarse(int codigo, WPARAM w, LPARAM l) {
    if (codigo == HCBT_ACTIVATE && capturado && !*capturado) {
        *capturado = reinterpret_cast<HWND>(w);
    }
    return CallNextHookEx(gancho, codigo, w, l);
}
} // namespace

void Ventana::CapturaSiguienteCuadro(HWND* destino) {
    // La primera ventana que se active en este hilo (el cuadro que se va a abrir) queda en *destino.
    capturado = destino;
    if (destino && !gancho) {
        gancho = SetWindowsHookExW(WH_CBT, &AlActivarse, nullptr, GetCurrentThreadId());
    } else if (!destino && gancho) {
        UnhookWindowsHookEx(gancho);
        gancho = nullptr;
    }
}

void Ventana::Publica(std::function<void()> fn) {
    {
        const std::lock_guard<std::mutex> candado(mutex_);
        pendientes_.push_back(std::move(fn));
    }
    PostMessageW(hwnd_, kTrabajo, 0, 0);
}

LRESULT CALLBACK Ventana::Procedimiento(HWND hwnd, UINT mensaje, WPARAM w, LPARAM l) {
    auto* ventana = reinterpret_cast<Ventana*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!ventana) {
        return DefWindowProcW(hwnd, mensaje, w, l);
    }
    return ventana->Mensaje(mensaje, w, l);
}

} // namespace ov::app::win32
