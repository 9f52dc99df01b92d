// Sonda de la ventana de Windows para la prueba de punta a punta y el banco: corre bajo wine como
// otro proceso y ve los controles como los ve el sistema (sus mensajes, con la memoria del
// proceso de la ventana donde el mensaje lleva un puntero). Dice dónde hacer clic; los clics los da
// xdotool, como un operador.
#include <windows.h>
// commctrl.h pide windows.h antes.
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <functional>
#include <string>
#include <thread>

namespace {

constexpr int kIdDesde = 100, kIdIniciar = 103;

HWND Ventana() {
    return FindWindowW(L"frmNalvora", nullptr);
}

HWND Hijo(const wchar_t* clase) {
    return FindWindowExW(Ventana(), nullptr, clase, nullptr);
}

// Memoria en el proceso de la ventana, para los mensajes que llevan un puntero.
class Remota {
public:
    Remota(HWND ventana, size_t tam) {
        DWORD pid = 0;
        GetWindowThreadProcessId(ventana, &pid);
        proceso_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        ptr_ = VirtualAllocEx(proceso_, nullptr, tam, MEM_COMMIT, PAGE_READWRITE);
    }
    ~Remota() {
        VirtualFreeEx(proceso_, ptr_, 0, MEM_RELEASE);
        CloseHandle(proceso_);
    }
    Remota(const Remota&) = delete;
    Remota& operator=(const Remota&) = delete;
    LPARAM Ptr() const { return reinterpret_cast<LPARAM>(ptr_); }
    // Manda el mensaje con `dato` escrito en la memoria remota y lo lee de vuelta.
    template <typename T> LRESULT Manda(HWND control, UINT mensaje, WPARAM w, T& dato) {
        WriteProcessMemory(proceso_, ptr_, &dato, sizeof dato, nullptr);
        const LRESULT r = SendMessageW(control, mensaje, w, Ptr());
        ReadProcessMemory(proceso_, ptr_, &dato, sizeof dato, nullptr);
        return r;
    }

private:
    HANDLE proceso_;
    void* ptr_;
};

std::string Utf8(const wchar_t* w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
    s.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
    return s;
}

std::string Celda(HWND lista, int fila, int columna) {
    struct {
        LVITEMW item;
        wchar_t texto[256];
    } todo{};
    Remota r(lista, sizeof todo);
    todo.item.iSubItem = columna;
    todo.item.cchTextMax = 255;
    todo.item.pszText = reinterpret_cast<wchar_t*>(r.Ptr() + static_cast<LPARAM>(sizeof todo.item));
    r.Manda(lista, LVM_GETITEMTEXTW, static_cast<WPARAM>(fila), todo);
    return Utf8(todo.texto);
}

HTREEITEM Nodo(HWND arbol, HTREEITEM anterior) {
    return reinterpret_cast<HTREEITEM>(SendMessageW(arbol, TVM_GETNEXTITEM, anterior ? TVGN_NEXT : TVGN_ROOT,
                                                    reinterpret_cast<LPARAM>(anterior)));
}

// El centro del rectángulo (en coordenadas de `de`, o de la pantalla si es nulo), en la pantalla.
int Centro(RECT r, HWND de) {
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    if (de) {
        ClientToScreen(de, &p);
    }
    std::printf("%ld %ld\n", p.x, p.y);
    return 0;
}

int CentroDe(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    return Centro(r, nullptr);
}

// Hasta que la ventana esté libre (Iniciar habilitado) y la primera fila tenga su tamaño.
int EsperaLibre(int segundos) {
    for (int i = 0; i < segundos * 10; ++i) {
        HWND lista = Hijo(WC_LISTVIEWW);
        HWND iniciar = GetDlgItem(Ventana(), kIdIniciar);
        if (lista && iniciar && IsWindowEnabled(iniciar) && SendMessageW(lista, LVM_GETITEMCOUNT, 0, 0) > 0 &&
            !Celda(lista, 0, 1).empty()) {
            return 0;
        }
        Sleep(100);
    }
    std::fprintf(stderr, "la ventana no quedó libre\n");
    return 1;
}

// Un cuadro de mensaje con ese título (y con `contiene` en su texto): dónde está su botón y su texto.
int Caja(const wchar_t* titulo, int boton, int segundos, const wchar_t* contiene) {
    for (int i = 0; i == 0 || i < segundos * 10; ++i) {
        HWND caja = nullptr;
        wchar_t texto[4096] = {};
        while ((caja = FindWindowExW(nullptr, caja, L"#32770", titulo)) != nullptr) {
            GetDlgItemTextW(caja, 0xFFFF, texto, 4096);
            if (IsWindowVisible(caja) && std::wcsstr(texto, contiene)) {
                break;
            }
        }
        if (caja) {
            CentroDe(GetDlgItem(caja, boton));
            std::printf("%s\n", Utf8(texto).c_str());
            return 0;
        }
        Sleep(100);
    }
    std::fprintf(stderr, "no apareció el cuadro\n");
    return 1;
}

// La casilla de la fila (List1) o del nodo (Lista), contados desde 0.
int Casilla(bool arbol, int n) {
    HWND control = Hijo(arbol ? WC_TREEVIEWW : WC_LISTVIEWW);
    Remota r(control, sizeof(RECT));
    RECT rect{};
    if (arbol) {
        HTREEITEM item = Nodo(control, nullptr);
        for (int i = 0; i < n && item; ++i) {
            item = Nodo(control, item);
        }
        std::memcpy(&rect, &item, sizeof item);
        r.Manda(control, TVM_GETITEMRECT, TRUE, rect);
        // La casilla está a la izquierda del texto, tras la imagen (16 px).
        rect.right = rect.left - 16 - 2;
        rect.left = rect.right - 12;
    } else {
        rect.left = LVIR_BOUNDS;
        r.Manda(control, LVM_GETITEMRECT, static_cast<WPARAM>(n), rect);
        rect.right = rect.left + 16;
    }
    return Centro(rect, control);
}

// El encabezado de la columna (desde 0) de List1.
int Encabezado(int columna) {
    HWND encabezado = reinterpret_cast<HWND>(SendMessageW(Hijo(WC_LISTVIEWW), LVM_GETHEADER, 0, 0));
    RECT rect{};
    Remota(encabezado, sizeof rect).Manda(encabezado, HDM_GETITEMRECT, static_cast<WPARAM>(columna), rect);
    return Centro(rect, encabezado);
}

// Las marcas de List1 y de Lista, como 0 y 1.
int Marcas() {
    HWND lista = Hijo(WC_LISTVIEWW), arbol = Hijo(WC_TREEVIEWW);
    const auto filas = SendMessageW(lista, LVM_GETITEMCOUNT, 0, 0);
    for (LRESULT i = 0; i < filas; ++i) {
        std::printf(
            "%d",
            SendMessageW(lista, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_STATEIMAGEMASK) >> 12 == 2);
    }
    std::printf(" ");
    for (HTREEITEM item = Nodo(arbol, nullptr); item; item = Nodo(arbol, item)) {
        const auto estado =
            SendMessageW(arbol, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_STATEIMAGEMASK);
        std::printf("%d", (estado >> 12) == 2);
    }
    std::printf("\n");
    return 0;
}

// El área interior de la ventana, en píxeles.
int Tamano() {
    RECT r{};
    GetClientRect(Ventana(), &r);
    std::printf("%ld %ld\n", r.right, r.bottom);
    return 0;
}

// Pone una fecha en DTPicker1(indice) con su propio mensaje; 0 si la tomó.
int Fecha(int indice, int anio, int mes, int dia) {
    HWND selector = GetDlgItem(Ventana(), kIdDesde + indice);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(anio);
    st.wMonth = static_cast<WORD>(mes);
    st.wDay = static_cast<WORD>(dia);
    return Remota(selector, sizeof st).Manda(selector, DTM_SETSYSTEMTIME, GDT_VALID, st) ? 0 : 1;
}

// El primer día que acepta DTPicker1(indice), AAAA-MM-DD.
int Minimo(int indice) {
    HWND selector = GetDlgItem(Ventana(), kIdDesde + indice);
    SYSTEMTIME rango[2] = {};
    if (!(Remota(selector, sizeof rango).Manda(selector, DTM_GETRANGE, 0, rango) & GDTR_MIN)) {
        std::printf("sin mínimo\n");
        return 1;
    }
    std::printf("%04d-%02d-%02d\n", rango[0].wYear, rango[0].wMonth, rango[0].wDay);
    return 0;
}

// La mayor espera (ms) de la ventana a un mensaje mientras está bloqueada: espera a que se bloquee
// (Iniciar deshabilitado) y le pide uno cada 20 ms hasta que se desbloquea (o pasan `segundos`). Dice
// también la espera del último, el que llega cuando ya se desbloqueó.
int Latidos(int segundos) {
    using reloj = std::chrono::steady_clock;
    HWND ventana = Ventana(), iniciar = GetDlgItem(ventana, kIdIniciar);
    const auto fin = reloj::now() + std::chrono::seconds(segundos);
    while (IsWindowEnabled(iniciar) && reloj::now() < fin) {
        Sleep(10);
    }
    long peor = 0, latidos = 0, alSoltar = 0;
    while (reloj::now() < fin && IsWindow(ventana) && !IsWindowEnabled(iniciar)) {
        const auto t0 = reloj::now();
        DWORD_PTR r = 0;
        SendMessageTimeoutW(ventana, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &r);
        const long ms = static_cast<long>((reloj::now() - t0) / std::chrono::milliseconds(1));
        // La que termina con la ventana ya libre mide el aviso final, que se abre al soltarla.
        long& mayor = IsWindowEnabled(iniciar) ? alSoltar : peor;
        mayor = ms > mayor ? ms : mayor;
        ++latidos;
        Sleep(20);
    }
    std::printf("%ld %ld %ld\n", peor, latidos, alSoltar);
    return 0;
}

// La clase y el id del control con el foco en el hilo de la ventana (SysMonthCal32: el calendario).
int Foco() {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(Ventana(), nullptr), &info);
    wchar_t clase[64] = {};
    GetClassNameW(info.hwndFocus, clase, 64);
    std::printf("%s %d\n", Utf8(clase).c_str(), GetDlgCtrlID(info.hwndFocus));
    return 0;
}

} // namespace

int wmain(int argc, wchar_t* argv[]) {
    const std::wstring orden = argc > 1 ? argv[1] : L"";
    auto n = [&](int i) { return argc > i ? _wtoi(argv[i]) : 0; };
    const std::pair<const wchar_t*, std::function<int()>> ordenes[] = {
        {L"espera-libre", [&] { return EsperaLibre(n(2)); }},
        {L"caja", [&] { return argc > 4 ? Caja(argv[2], n(3), n(4), argc > 5 ? argv[5] : L"") : 2; }},
        {L"casilla-lista", [&] { return Casilla(false, n(2)); }},
        {L"casilla-arbol", [&] { return Casilla(true, n(2)); }},
        {L"marcas", [&] { return Marcas(); }},
        {L"fecha", [&] { return Fecha(n(2), n(3), n(4), n(5)); }},
        {L"tamano", [] { return Tamano(); }},
        {L"encabezado", [&] { return Encabezado(n(2)); }},
        {L"minimo", [&] { return Minimo(n(2)); }},
        {L"boton", [&] { return CentroDe(GetDlgItem(Ventana(), n(2))); }},
        {L"latidos", [&] { return Latidos(n(2)); }},
        {L"foco", [] { return Foco(); }},
    };
    for (const auto& [nombre, corre] : ordenes) {
        if (orden == nombre) {
            return corre();
        }
    }
    std::fprintf(stderr, "sonda: orden desconocida\n");
    return 2;
}
