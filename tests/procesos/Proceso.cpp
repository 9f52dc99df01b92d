#include "Proceso.h"

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ov::prueba {

Proceso::Proceso(const std::vector<std::string>& argumentos, const std::filesystem::path& salida) {
    std::vector<char*> argv;
    for (const auto& a : argumentos) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        const int fd = open(salida.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        const int nulo = open("/dev/null", O_RDONLY);
        dup2(nulo, 0);
        execv(argv[0], argv.data());
        _exit(127);
    }
}

Proceso::~Proceso() {
    if (pid_ > 0) {
        Mata();
        Espera();
    }
}

void Proceso::Mata() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
    }
}

int Proceso::Espera() {
    if (pid_ > 0) {
        int estado = 0;
        waitpid(pid_, &estado, 0);
        codigo_ = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
        pid_ = -1;
    }
    return codigo_;
}

int CorreHastaElFinal(const std::vector<std::string>& argumentos, const std::filesystem::path& salida) {
    Proceso p(argumentos, salida);
    return p.Espera();
}

} // namespace ov::prueba
