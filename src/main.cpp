#include "cli/LineaComandos.h"
#ifdef _WIN32
#include "cli/ConsolaWindows.h"
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
#include <shellapi.h>
#else
#include <unistd.h>
#endif

#if defined(OV_VENTANA_MODULO)
#include <dlfcn.h>
#elif !defined(OV_SIN_VENTANA)
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
    return ov::EntradaEsConsola();
}

// La salida va por la consola de Windows, no por el runtime de C.
struct Consola {
    ov::SalidaWindows bufSalida{STD_OUTPUT_HANDLE}, bufErrores{STD_ERROR_HANDLE};
    std::ostream salida{&bufSalida}, errores{&bufErrores};
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

struct Consola {
    std::ostream& salida = std::cout;
    std::ostream& errores = std::cerr;
};

#endif

int CorreConsola(const std::vector<std::string>& argumentos, const char* antes = "") {
    Consola consola;
    consola.salida << antes;
    ov::EntornoConsola entorno{std::cin,      consola.salida,       consola.errores,
                               HayTerminal(), CarpetaDelPrograma(), nullptr};
    const int codigo = ov::CorreLineaComandos(argumentos, entorno);
    consola.salida.flush();
    consola.errores.flush();
    return codigo;
}

#ifdef OV_VENTANA_MODULO
// La ventana está en ovnalvora_ventana.so, junto al programa. No se descarga nunca: Qt deja en él
// lo que corre al salir del proceso.
int CorreModuloVentana(int argc, char* argv[]) {
    const auto ruta = CarpetaDelPrograma() / "ovnalvora_ventana.so";
    void* modulo = dlopen(ruta.c_str(), RTLD_NOW | RTLD_LOCAL);
    void* entrada = modulo != nullptr ? dlsym(modulo, "ov_corre_ventana") : nullptr;
    if (entrada == nullptr) {
        const char* razon = dlerror();
        std::cerr << "No se pudo abrir la ventana: " << (razon != nullptr ? razon : ruta.string())
                  << "\nLa línea de comandos sigue disponible (--ayuda).\n";
        return 1;
    }
    return reinterpret_cast<int (*)(int, char*[])>(entrada)(argc, argv);
}
#endif

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 1) {
        return CorreConsola(Argumentos(argc, argv));
    }
#if defined(OV_SIN_VENTANA) && defined(_WIN32)
    CorreConsola({"--ayuda"},
                 "Este es el programa de línea de comandos; la ventana es ovnalvora-ventana.exe.\n\n");
    return 2;
#elif defined(OV_SIN_VENTANA)
    CorreConsola({"--ayuda"}, "La ventana no está en esta compilación: solo la línea de comandos.\n\n");
    return 2;
#elif defined(OV_VENTANA_MODULO)
    return CorreModuloVentana(argc, argv);
#else
    QApplication aplicacion(argc, argv);
    return ov::app::CorreVentana(aplicacion);
#endif
}
