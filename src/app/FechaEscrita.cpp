#include "app/FechaEscrita.h"

#include <algorithm>
#include <vector>

namespace ov::app {

namespace {

bool EsSeparador(char c) {
    return c == '/' || c == '-' || c == '.';
}

std::optional<Fecha> Valida(int anio, int mes, int dia, Fecha minimo) {
    const std::chrono::year_month_day f{std::chrono::year{anio},
                                        std::chrono::month{static_cast<unsigned>(mes)},
                                        std::chrono::day{static_cast<unsigned>(dia)}};
    if (mes < 1 || dia < 1 || !f.ok() || Fecha{f} < minimo) {
        return std::nullopt;
    }
    return Fecha{f};
}

} // namespace

std::optional<Fecha> LeeFechaEscrita(const std::string& texto, Fecha minimo) {
    const auto inicio = texto.find_first_not_of(" \t");
    const auto fin = texto.find_last_not_of(" \t");
    if (inicio == std::string::npos) {
        return std::nullopt;
    }
    std::vector<std::string> partes(1);
    for (char c : texto.substr(inicio, fin - inicio + 1)) {
        if (EsSeparador(c)) {
            partes.emplace_back();
        } else if (c >= '0' && c <= '9') {
            partes.back() += c;
        } else {
            return std::nullopt;
        }
    }
    if (partes.size() != 3 || std::any_of(partes.begin(), partes.end(), [](const std::string& p) {
            return p.empty() || p.size() > 4 || p.size() == 3;
        })) {
        return std::nullopt;
    }
    const int a = std::stoi(partes[0]), b = std::stoi(partes[1]), c = std::stoi(partes[2]);
    if (partes[0].size() <= 2 && partes[1].size() <= 2 && partes[2].size() == 4) {
        return Valida(c, b, a, minimo); // día, mes, año
    }
    if (partes[0].size() == 4 && partes[1].size() <= 2 && partes[2].size() <= 2) {
        return Valida(a, b, c, minimo); // año, mes, día
    }
    return std::nullopt;
}

std::optional<Fecha> ConParte(Fecha f, ParteFecha parte, int valor, Fecha minimo) {
    const std::chrono::year_month_day d{f};
    int anio = static_cast<int>(d.year());
    int mes = static_cast<int>(static_cast<unsigned>(d.month()));
    int dia = static_cast<int>(static_cast<unsigned>(d.day()));
    (parte == ParteFecha::Dia ? dia : parte == ParteFecha::Mes ? mes : anio) = valor;
    if (mes < 1 || mes > 12 || dia < 1 || anio < 1) {
        return std::nullopt;
    }
    const auto ultimo = static_cast<int>(static_cast<unsigned>(std::chrono::year_month_day_last{
        std::chrono::year{anio} / std::chrono::month{static_cast<unsigned>(mes)} / std::chrono::last}
                                                                   .day()));
    if (parte == ParteFecha::Dia && dia > ultimo) {
        return std::nullopt;
    }
    return Valida(anio, mes, std::min(dia, ultimo), minimo);
}

} // namespace ov::app
