#include "app/win32/Ventana.h"

#include "app/frmNalvora.h"
#include "app/win32/Recursos.h"

namespace ov::app::win32 {

namespace {

constexpr wchar_t kClase[] = L"frmNalvora";
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

thread_local HWND* capturado = nullptr;
thread_local HHOOK gancho = nullptr;

LRESULT CALLBACK AlActivarse(int codigo, WPARAM w, LPARAM l) {
    if (codigo == HCBT_ACTIVATE && capturado && !*capturado) {
        *capturado = reinterpret_cast<HWND>(w);
    }
    return CallNextHookEx(gancho, codigo, w, l);
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
    Destruye();
}

void Ventana::Destruye() {
    if (IsWindow(hwnd_)) {
        Timer1_->PonEnabled(false);
        Segundero_->PonEnabled(false);
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
        PostQuitMessage(0);
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
    ShowWindow(hwnd_, mostrar);
    UpdateWindow(hwnd_);
}

std::string Ventana::Caption() const {
    std::wstring texto(static_cast<size_t>(GetWindowTextLengthW(hwnd_)) + 1, L'\0');
    texto.resize(static_cast<size_t>(GetWindowTextW(hwnd_, texto.data(), static_cast<int>(texto.size()))));
    return Utf8(texto);
}

void Ventana::PonCaption(const std::string& texto) {
    SetWindowTextW(hwnd_, Ancho(texto).c_str());
}

void Ventana::Refresh() {
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void Ventana::RecuerdaFoco() {
    focoAntes_ = GetFocus();
    // El foco no se queda en un control deshabilitado: lo toma la ventana.
    SetFocus(hwnd_);
}

void Ventana::DevuelveFoco() {
    if (focoAntes_ && IsWindow(focoAntes_) && IsWindowEnabled(focoAntes_)) {
        SetFocus(focoAntes_);
    }
    focoAntes_ = nullptr;
}

void Ventana::FocoInicial() {
    SetFocus(DTPicker1_[0]->Hwnd());
}

bool Ventana::Cierra() {
    if (form_ && !form_->PideCierre()) {
        return false;
    }
    Destruye();
    return true;
}

void Ventana::PonMousePointer(bool relojDeArena) {
    relojDeArena_ = relojDeArena;
    SetCursor(LoadCursorW(nullptr, relojDeArena_ ? IDC_WAIT : IDC_ARROW));
}

int Ventana::MsgBox(const std::string& texto, UINT banderas, const std::string& titulo) {
    return MessageBoxW(hwnd_, Ancho(texto).c_str(), Ancho(titulo).c_str(), banderas);
}

void Ventana::AbreAvisoDeCierre(const std::string& texto, const std::string& titulo) {
    if (aviso_) {
        if (cuadroAviso_) {
            SetForegroundWindow(cuadroAviso_);
        }
        return;
    }
    // El cuadro tiene su propio bucle: se abre desde un mensaje propio, y quien lo pide no espera.
    aviso_.emplace(Ancho(texto), Ancho(titulo));
    PostMessageW(hwnd_, kMuestraAviso, 0, 0);
}

void Ventana::MuestraAviso() {
    if (!aviso_) {
        return; // se cerró antes de abrirse
    }
    const auto [texto, titulo] = *aviso_;
    cuadroAviso_ = nullptr;
    CapturaSiguienteCuadro(&cuadroAviso_);
    MessageBoxW(hwnd_, texto.c_str(), titulo.c_str(), MB_OK | MB_ICONWARNING);
    CapturaSiguienteCuadro(nullptr);
    cuadroAviso_ = nullptr;
    aviso_.reset();
}

void Ventana::CierraAvisoDeCierre() {
    if (cuadroAviso_ && IsWindow(cuadroAviso_)) {
        PostMessageW(cuadroAviso_, WM_COMMAND, IDOK, 0);
    }
    aviso_.reset();
}

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
