#include "log/Fechas.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace ov {

using namespace std::chrono;

namespace {

constexpr std::array<const char*, 12> kMesesCortos{"ene", "feb", "mar", "abr", "may", "jun",
                                                   "jul", "ago", "sep", "oct", "nov", "dic"};
constexpr std::array<const char*, 12> kMeses{"enero",      "febrero", "marzo",     "abril",
                                             "mayo",       "junio",   "julio",     "agosto",
                                             "septiembre", "octubre", "noviembre", "diciembre"};
constexpr std::array<const char*, 7> kDias{"domingo", "lunes",   "martes", "miércoles",
                                           "jueves",  "viernes", "sábado"};

bool LeeNumero(std::string_view& t, int digitos, int& valor) {
    if (t.size() < static_cast<size_t>(digitos)) {
        return false;
    }
    const auto r = std::from_chars(t.data(), t.data() + digitos, valor);
    if (r.ec != std::errc{} || r.ptr != t.data() + digitos) {
        return false;
    }
    t.remove_prefix(static_cast<size_t>(digitos));
    return true;
}

bool Consume(std::string_view& t, char c) {
    if (t.empty() || t.front() != c) {
        return false;
    }
    t.remove_prefix(1);
    return true;
}

} // namespace

Fecha Hoy(const Reloj& reloj) {
    return floor<days>(reloj.Ahora());
}

Fecha DiaSiguiente(Fecha f) {
    return f + days{1};
}

FechaHora ConHora(Fecha f, int hora, int minuto, int segundo) {
    return f + hours{hora} + minutes{minuto} + seconds{segundo};
}

std::string FormatoFecha(Fecha f) {
    const year_month_day ymd{f};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
    return buf;
}

std::string FormatoFechaHora(FechaHora fh) {
    const auto dia = floor<days>(fh);
    const hh_mm_ss hms{fh - dia};
    char buf[8];
    std::snprintf(buf, sizeof buf, " %02d:%02d", static_cast<int>(hms.hours().count()),
                  static_cast<int>(hms.minutes().count()));
    return FormatoFecha(dia) + buf;
}

std::string FormatoMesAnio(Fecha f) {
    const year_month_day ymd{f};
    return std::string(kMesesCortos[static_cast<unsigned>(ymd.month()) - 1]) +
           std::to_string(static_cast<int>(ymd.year()));
}

std::string FechaLarga(Fecha f) {
    const year_month_day ymd{f};
    const weekday dia{f};
    return std::string(kDias[dia.c_encoding()]) + ", " + std::to_string(static_cast<unsigned>(ymd.day())) +
           " de " + kMeses[static_cast<unsigned>(ymd.month()) - 1] + " de " +
           std::to_string(static_cast<int>(ymd.year()));
}

std::optional<FechaHora> LeeFechaHora(std::string_view t) {
    int a = 0, m = 0, d = 0, hh = 0, mi = 0, ss = 0;
    if (!LeeNumero(t, 4, a) || !Consume(t, '-') || !LeeNumero(t, 2, m) || !Consume(t, '-') ||
        !LeeNumero(t, 2, d)) {
        return std::nullopt;
    }
    const year_month_day ymd{year{a}, month{static_cast<unsigned>(m)}, day{static_cast<unsigned>(d)}};
    if (!ymd.ok()) {
        return std::nullopt;
    }
    if (!t.empty()) {
        if (!Consume(t, ' ') && !Consume(t, 'T')) {
            return std::nullopt;
        }
        if (!LeeNumero(t, 2, hh) || !Consume(t, ':') || !LeeNumero(t, 2, mi)) {
            return std::nullopt;
        }
        if (Consume(t, ':') && !LeeNumero(t, 2, ss)) {
            return std::nullopt;
        }
        if (Consume(t, '.')) {
            while (!t.empty() && t.front() >= '0' && t.front() <= '9') {
                t.remove_prefix(1);
            }
        }
        if (!t.empty() || hh > 23 || mi > 59 || ss > 60) {
            return std::nullopt;
        }
    }
    return ConHora(local_days{ymd}, hh, mi, ss);
}

std::optional<Fecha> LeeFecha(std::string_view texto) {
    if (texto.size() != 10) {
        return std::nullopt;
    }
    const auto fh = LeeFechaHora(texto);
    if (!fh) {
        return std::nullopt;
    }
    return floor<days>(*fh);
}

} // namespace ov
