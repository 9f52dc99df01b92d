#include "cli/LineaComandos.h"
#ifdef _WIN32
#include "db/TextoOdbc.h"
#endif

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
// shellapi.h pide windows.h antes.
#include <io.h>
#include <shellapi.h>
#else
#include <unistd.h>
#endif

#ifndef OV_SIN_VENTANA
#include "app/qt/CorreVentana.h"

#include <QApplication>
#endif

namespace {

#ifdef _WIN32

// argv llega en la página ANSI: lo que no cabe en ella (un nombre de conexión, una carpeta) se
// perdería. Se toma la línea de órdenes en UTF-16 y se pasa a UTF-8, como todo el programa.
std::vector<std::string> Argumentos(int, char*[]) {
    int n = 0;
    wchar_t** anchos = CommandLineToArgvW(GetCommandLineW(), &n);
    std::vector<std::string> argumentos;
    for (int i = 1; i < n; ++i) {
        argumentos.push_back(ov::db::Utf8DeUtf16(anchos[i], wcslen(anchos[i])));
    }
    LocalFree(anchos);
    return argumentos;
}

std::filesystem::path CarpetaDelPrograma() {
    std::wstring ruta(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, ruta.data(), static_cast<DWORD>(ruta.size()));
        if (n == 0) {
            return std::filesystem::current_path();
        }
        if (n < ruta.size()) {
            ruta.resize(n);
            return std::filesystem::path(ruta).parent_path();
        }
        ruta.resize(ruta.size() * 2); // ruta larga: se pide otra vez con más espacio
    }
}

bool HayTerminal() {
    return _isatty(_fileno(stdin)) != 0;
}

// La salida es UTF-8: la consola de Windows la muestra bien si se le dice. La consola es la de quien
// llamó (cmd): al salir se le devuelve su página de códigos.
class ConsolaUtf8 {
public:
    ConsolaUtf8() : salida_(GetConsoleOutputCP()), entrada_(GetConsoleCP()) {
        SetConsoleOutputCP(CP_UTF8);
        SetConsoleCP(CP_UTF8);
    }
    ~ConsolaUtf8() {
        std::cout.flush();
        std::cerr.flush();
        if (salida_ != 0) {
            SetConsoleOutputCP(salida_);
        }
        if (entrada_ != 0) {
            SetConsoleCP(entrada_);
        }
    }
    ConsolaUtf8(const ConsolaUtf8&) = delete;
    ConsolaUtf8& operator=(const ConsolaUtf8&) = delete;

private:
    UINT salida_, entrada_;
};

#else

std::vector<std::string> Argumentos(int argc, char* argv[]) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::filesystem::path CarpetaDelPrograma() {
    return std::filesystem::canonical("/proc/self/exe").parent_path();
}

bool HayTerminal() {
    return isatty(0) != 0;
}

struct ConsolaUtf8 {}; // las terminales de Linux ya son UTF-8

#endif

int CorreConsola(const std::vector<std::string>& argumentos) {
    ov::EntornoConsola entorno{std::cin, std::cout, std::cerr, HayTerminal(), CarpetaDelPrograma(), nullptr};
    return ov::CorreLineaComandos(argumentos, entorno);
}

} // namespace

int main(int argc, char* argv[]) {
    [[maybe_unused]] const ConsolaUtf8 consola{};
    if (argc > 1) {
        return CorreConsola(Argumentos(argc, argv));
    }
#if defined(OV_SIN_VENTANA) && defined(_WIN32)
    std::cout << "Este es el programa de línea de comandos; la ventana es ovnalvora-ventana.exe.\n\n";
    CorreConsola({"--ayuda"});
    return 2;
#elif defined(OV_SIN_VENTANA)
    std::cout << "La ventana no está en esta compilación: solo la línea de comandos.\n\n";
    CorreConsola({"--ayuda"});
    return 2;
#else
    QApplication aplicacion(argc, argv);
    return ov::app::CorreVentana(aplicacion);
#endif
}
