#include "db/ParesCadena.h"

#include "db/ErrorBD.h"

#include <cctype>

namespace ov::db {

namespace {

bool Blanco(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string_view Recorta(std::string_view s) {
    while (!s.empty() && Blanco(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && Blanco(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// "Initial   Catalog" y "initial catalog" son la misma clave.
std::string NormalizaClave(std::string_view clave) {
    std::string n;
    bool blanco = false;
    for (char c : Recorta(clave)) {
        if (Blanco(c)) {
            blanco = true;
            continue;
        }
        if (blanco) {
            n += ' ';
            blanco = false;
        }
        n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return n;
}

// Lee la clave hasta el '='. En OLE DB "==" dentro de la clave es un '=' literal.
std::string LeeClave(std::string_view s, size_t& p, bool igualDoble) {
    std::string clave;
    while (p < s.size()) {
        const char c = s[p];
        if (c == '=') {
            if (igualDoble && p + 1 < s.size() && s[p + 1] == '=') {
                clave += '=';
                p += 2;
                continue;
            }
            ++p;
            const std::string n = NormalizaClave(clave);
            if (n.empty()) {
                CadenaInvalida("un elemento no tiene nombre.");
            }
            return n;
        }
        if (c == ';') {
            break;
        }
        clave += c;
        ++p;
    }
    CadenaInvalida("a un elemento le falta el signo igual.");
}

// Tras un valor entre comillas o llaves sólo caben blancos hasta el ';'.
void FinDeValor(std::string_view s, size_t& p) {
    while (p < s.size() && Blanco(s[p])) {
        ++p;
    }
    if (p < s.size() && s[p] != ';') {
        CadenaInvalida("hay texto después de un valor entre comillas o llaves.");
    }
}

std::string ValorSimple(std::string_view s, size_t& p) {
    const size_t fin = s.find(';', p);
    const std::string_view v = s.substr(p, fin == std::string_view::npos ? std::string_view::npos : fin - p);
    p = fin == std::string_view::npos ? s.size() : fin;
    return std::string(Recorta(v));
}

// Valor delimitado: el cierre doblado es literal.
std::string ValorDelimitado(std::string_view s, size_t& p, char cierre, const char* razon) {
    std::string v;
    ++p;
    for (;;) {
        if (p >= s.size()) {
            CadenaInvalida(razon);
        }
        if (s[p] == cierre) {
            if (p + 1 < s.size() && s[p + 1] == cierre) {
                v += cierre;
                p += 2;
                continue;
            }
            ++p;
            FinDeValor(s, p);
            return v;
        }
        v += s[p++];
    }
}

template <typename LeeValor> Pares Lee(std::string_view s, bool igualDoble, LeeValor leeValor) {
    Pares pares;
    size_t p = 0;
    for (;;) {
        while (p < s.size() && (Blanco(s[p]) || s[p] == ';')) {
            ++p;
        }
        if (p >= s.size()) {
            return pares;
        }
        std::string clave = LeeClave(s, p, igualDoble);
        while (p < s.size() && Blanco(s[p])) {
            ++p;
        }
        pares.push_back({std::move(clave), leeValor(s, p)});
    }
}

} // namespace

void CadenaInvalida(const std::string& razon) {
    throw ErrorBD(3001, "[ovNalvora]", "La cadena de conexión no es válida: " + razon);
}

Pares ParesOleDb(std::string_view cadena) {
    return Lee(cadena, true, [](std::string_view s, size_t& p) {
        if (p < s.size() && (s[p] == '\'' || s[p] == '"')) {
            return ValorDelimitado(s, p, s[p], "una comilla no se cierra.");
        }
        return ValorSimple(s, p);
    });
}

Pares ParesOdbc(std::string_view cadena) {
    return Lee(cadena, false, [](std::string_view s, size_t& p) {
        if (p < s.size() && s[p] == '{') {
            return ValorDelimitado(s, p, '}', "una llave no se cierra.");
        }
        return ValorSimple(s, p);
    });
}

std::optional<std::string> Busca(const Pares& pares, std::string_view clave) {
    for (auto it = pares.rbegin(); it != pares.rend(); ++it) {
        if (it->Clave == clave) {
            return it->Valor;
        }
    }
    return std::nullopt;
}

} // namespace ov::db
