#include "log/Reloj.h"

#include <ctime>

namespace ov {

FechaHora RelojSistema::Ahora() const {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    using namespace std::chrono;
    const auto dia = local_days{year{local.tm_year + 1900} / month{static_cast<unsigned>(local.tm_mon + 1)} /
                                day{static_cast<unsigned>(local.tm_mday)}};
    return dia + hours{local.tm_hour} + minutes{local.tm_min} + seconds{local.tm_sec};
}

const Reloj& RelojDelSistema() {
    static const RelojSistema reloj;
    return reloj;
}

} // namespace ov
