#include "cli/LineaComandos.h"

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
#include "app/frmNalvora.h"

#include <QApplication>
#endif

namespace {

#ifdef _WIN32

std::string Utf8DeAncho(const wchar_t* texto) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, texto, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) {
        return {};
    }
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, texto, -1, utf8.data(), bytes, nullptr, nullptr);
    utf8.pop_back(); // el NUL
    return utf8;
}

// argv llega en la página ANSI: lo que no cabe en ella (un nombre de conexión, una carpeta) se
// perdería. Se toma la línea de órdenes en UTF-16 y se pasa a UTF-8, como todo el programa.
std::vector<std::string> Argumentos(int, char*[]) {
    int n = 0;
    wchar_t** anchos = CommandLineToArgvW(GetCommandLineW(), &n);
    std::vector<std::string> argumentos;
    for (int i = 1; i < n; ++i) {
        argumentos.push_back(Utf8DeAncho(anchos[i]));
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

// La salida es UTF-8: la consola de Windows la muestra bien si se le dice.
void PreparaConsola() {
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
}

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

void PreparaConsola() {}

#endif

int CorreConsola(const std::vector<std::string>& argumentos) {
    ov::EntornoConsola entorno{std::cin, std::cout, std::cerr, HayTerminal(), CarpetaDelPrograma(), nullptr};
    return ov::CorreLineaComandos(argumentos, entorno);
}

} // namespace

int main(int argc, char* argv[]) {
    PreparaConsola();
    if (argc > 1) {
        return CorreConsola(Argumentos(argc, argv));
    }
#ifdef OV_SIN_VENTANA
    std::cout << "La ventana no está en esta compilación: solo la línea de comandos.\n\n";
    CorreConsola({"--ayuda"});
    return 2;
#else
    QApplication aplicacion(argc, argv);
    return ov::app::CorreVentana(aplicacion);
#endif
}
