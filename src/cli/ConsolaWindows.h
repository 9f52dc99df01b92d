#pragma once

#ifdef _WIN32

#include <streambuf>
#include <string>

namespace ov {

// La salida o los errores estándar de Windows, en UTF-8 desde el programa. A una consola de verdad se
// escribe por WriteConsoleW en UTF-16: por el runtime de C (fputs, std::cout) los acentos salen dobles.
// A un archivo o una tubería van los bytes UTF-8 con WriteFile. En los dos casos cada salto es CRLF.
class SalidaWindows final : public std::streambuf {
public:
    explicit SalidaWindows(unsigned long estandar); // STD_OUTPUT_HANDLE o STD_ERROR_HANDLE
    ~SalidaWindows() override;
    SalidaWindows(const SalidaWindows&) = delete;
    SalidaWindows& operator=(const SalidaWindows&) = delete;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    void* manejador_;
    bool esConsola_;
    std::string pendiente_; // UTF-8 aún no escrito; puede acabar a media letra
};

// Si la entrada estándar es una consola donde alguien puede contestar. NUL, un archivo o una tubería
// no lo son (_isatty dice que NUL sí, por ser un dispositivo de caracteres).
bool EntradaEsConsola();

} // namespace ov

#endif
