#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ov::prueba {

// El programa corriendo aparte, para matarlo o correr dos a la vez.
class Proceso {
public:
    // Corre el programa con los argumentos; su salida y sus errores van al archivo.
    Proceso(const std::vector<std::string>& argumentos, const std::filesystem::path& salida);
    ~Proceso();
    Proceso(const Proceso&) = delete;
    Proceso& operator=(const Proceso&) = delete;

    void Mata();  // SIGKILL: sin oportunidad de limpiar nada
    int Espera(); // el código de salida; -1 si murió por una señal

private:
    pid_t pid_ = -1;
    int codigo_ = -1;
};

// Corre hasta el final y devuelve el código de salida.
int CorreHastaElFinal(const std::vector<std::string>& argumentos, const std::filesystem::path& salida);

} // namespace ov::prueba
