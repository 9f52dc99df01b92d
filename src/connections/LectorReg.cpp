#include "connections/LectorReg.h"

#include "connections/Registro.h"
#include "connections/TextoUtf8.h"

#include <optional>

namespace ov {

namespace {

constexpr std::string_view kBlancos = " \t\r\n";

std::string_view QuitaIzquierda(std::string_view s) {
    const auto i = s.find_first_not_of(kBlancos);
    return i == std::string_view::npos ? std::string_view{} : s.substr(i);
}

std::string_view QuitaDerecha(std::string_view s) {
    const auto i = s.find_last_not_of(kBlancos);
    return i == std::string_view::npos ? std::string_view{} : s.substr(0, i + 1);
}

bool EmpiezaSinMayusculas(std::string_view s, std::string_view prefijo) {
    if (s.size() < prefijo.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefijo.size(); ++i) {
        const char a = s[i] >= 'A' && s[i] <= 'Z' ? static_cast<char>(s[i] + 32) : s[i];
        if (a != prefijo[i]) {
            return false;
        }
    }
    return true;
}

int DigitoHex(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::optional<std::uint32_t> NumeroHex(std::string_view s) {
    if (s.empty() || s.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t n = 0;
    for (const char c : s) {
        const int d = DigitoHex(c);
        if (d < 0) {
            return std::nullopt;
        }
        n = (n << 4) | static_cast<std::uint32_t>(d);
    }
    return n;
}

// Tras el dato solo pueden venir blancos o un comentario.
bool SoloCola(std::string_view resto) {
    resto = QuitaIzquierda(resto);
    return resto.empty() || resto.front() == ';';
}

// Texto entre comillas con los escapes \\ y \" de regedit; pos queda tras la comilla final.
std::optional<std::string> LeeEntreComillas(std::string_view s, std::size_t& pos) {
    if (pos >= s.size() || s[pos] != '"') {
        return std::nullopt;
    }
    std::string t;
    for (std::size_t i = pos + 1; i < s.size(); ++i) {
        if (s[i] == '"') {
            pos = i + 1;
            return t;
        }
        if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
            ++i;
        }
        t += s[i];
    }
    return std::nullopt;
}

std::optional<std::vector<unsigned char>> ListaHex(std::string_view s) {
    const auto comentario = s.find(';');
    s = QuitaDerecha(s.substr(0, comentario));
    std::vector<unsigned char> bytes;
    while (!s.empty()) {
        const auto coma = s.find(',');
        const std::string_view pieza = QuitaDerecha(QuitaIzquierda(s.substr(0, coma)));
        const bool ultima = coma == std::string_view::npos;
        // Una coma final (la que deja una línea continuada) no agrega un byte.
        if (pieza.empty() && ultima) {
            break;
        }
        const auto n = NumeroHex(pieza);
        if (pieza.size() > 2 || !n) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<unsigned char>(*n));
        if (ultima) {
            break;
        }
        s = s.substr(coma + 1);
    }
    return bytes;
}

class Lector {
public:
    ContenidoReg Lee(std::string_view archivo);

private:
    void Linea(std::string_view linea);
    void LineaClave(std::string_view linea);
    void LineaValor(std::string_view linea);
    std::optional<ValorGuardado> Dato(std::string_view s);

    ContenidoReg contenido_;
    bool version4_ = false;
    std::optional<std::string> actual_; // clave de los valores que siguen
};

// Separa raíz y resto; solo HKEY_LOCAL_MACHINE (o HKLM) interesa.
std::optional<std::string> RutaBajoHklm(std::string_view ruta) {
    ruta = QuitaDerecha(QuitaIzquierda(ruta));
    const auto barra = ruta.find('\\');
    const std::string raiz = MayusculasUtf8(ruta.substr(0, barra));
    if (raiz != "HKEY_LOCAL_MACHINE" && raiz != "HKLM") {
        return std::nullopt;
    }
    return PliegaRuta(barra == std::string_view::npos ? std::string_view{} : ruta.substr(barra + 1));
}

void Lector::LineaClave(std::string_view linea) {
    actual_.reset();
    const auto cierre = linea.rfind(']');
    if (cierre == std::string_view::npos) {
        return;
    }
    std::string_view dentro = linea.substr(1, cierre - 1);
    const bool borra = !dentro.empty() && dentro.front() == '-';
    if (borra) {
        dentro.remove_prefix(1);
    }
    const auto ruta = RutaBajoHklm(dentro);
    if (!ruta) {
        return;
    }
    if (borra) {
        // Se va la clave con todas sus subclaves.
        for (auto it = contenido_.begin(); it != contenido_.end();) {
            const std::string& r = it->first;
            const bool debajo = ruta->empty() || r == *ruta ||
                                (r.size() > ruta->size() && r.compare(0, ruta->size(), *ruta) == 0 &&
                                 r[ruta->size()] == '\\');
            it = debajo ? contenido_.erase(it) : std::next(it);
        }
        return;
    }
    // Como al importar, crear una clave crea también las de arriba.
    for (auto barra = ruta->find('\\'); barra != std::string::npos; barra = ruta->find('\\', barra + 1)) {
        contenido_[ruta->substr(0, barra)];
    }
    contenido_[*ruta];
    actual_ = *ruta;
}

std::optional<ValorGuardado> Lector::Dato(std::string_view s) {
    ValorGuardado v;
    if (!s.empty() && s.front() == '"') {
        std::size_t pos = 0;
        const auto texto = LeeEntreComillas(s, pos);
        if (!texto || !SoloCola(s.substr(pos))) {
            return std::nullopt;
        }
        v.Tipo = kRegSz;
        v.Datos.assign(texto->begin(), texto->end());
        v.Datos.push_back(0);
        return v;
    }
    if (EmpiezaSinMayusculas(s, "dword:")) {
        std::string_view cifras = s.substr(6);
        cifras = QuitaDerecha(cifras.substr(0, cifras.find(';')));
        const auto n = NumeroHex(cifras);
        if (!n) {
            return std::nullopt;
        }
        v.Tipo = kRegDword;
        for (int k = 0; k < 4; ++k) {
            v.Datos.push_back(static_cast<unsigned char>((*n >> (8 * k)) & 0xFF));
        }
        return v;
    }
    if (EmpiezaSinMayusculas(s, "hex:")) {
        v.Tipo = kRegBinary;
        s.remove_prefix(4);
    } else if (EmpiezaSinMayusculas(s, "hex(")) {
        const auto cierre = s.find("):");
        const auto tipo =
            cierre == std::string_view::npos ? std::nullopt : NumeroHex(s.substr(4, cierre - 4));
        if (!tipo) {
            return std::nullopt;
        }
        v.Tipo = *tipo;
        s.remove_prefix(cierre + 2);
    } else {
        return std::nullopt;
    }
    auto bytes = ListaHex(s);
    if (!bytes) {
        return std::nullopt;
    }
    if (v.Tipo == kRegSz) {
        // hex(1) guarda el texto como lo tiene el registro: UTF-16 en la versión 5, ANSI en REGEDIT4.
        const std::string_view crudo(reinterpret_cast<const char*>(bytes->data()), bytes->size());
        const std::string texto = version4_ ? Utf8DeWindows1252(crudo) : Utf8DeUtf16le(crudo);
        v.Datos.assign(texto.begin(), texto.end());
    } else {
        v.Datos = std::move(*bytes);
    }
    return v;
}

void Lector::LineaValor(std::string_view linea) {
    std::string nombre;
    std::size_t pos = 0;
    if (linea.front() == '@') {
        pos = 1;
    } else {
        auto leido = LeeEntreComillas(linea, pos);
        if (!leido) {
            return;
        }
        nombre = std::move(*leido);
    }
    std::string_view resto = QuitaIzquierda(linea.substr(pos));
    if (resto.empty() || resto.front() != '=' || !actual_) {
        return;
    }
    resto = QuitaIzquierda(resto.substr(1));
    auto& valores = contenido_[*actual_];
    const std::string clave = MayusculasUtf8(nombre);
    if (!resto.empty() && resto.front() == '-' && SoloCola(resto.substr(1))) {
        valores.erase(clave);
        return;
    }
    if (auto v = Dato(resto)) {
        valores[clave] = std::move(*v);
    }
}

void Lector::Linea(std::string_view linea) {
    linea = QuitaIzquierda(linea);
    if (linea.empty() || linea.front() == ';') {
        return;
    }
    if (linea.front() == '[') {
        LineaClave(linea);
    } else if (linea.front() == '"' || linea.front() == '@') {
        LineaValor(linea);
    }
}

// Pasa el archivo a UTF-8 según su marca de orden de bytes; sin marca, el encabezado decide.
std::string Decodifica(std::string_view archivo, bool& convertirAnsi) {
    convertirAnsi = false;
    if (archivo.size() >= 2 && archivo[0] == '\xFF' && archivo[1] == '\xFE') {
        return Utf8DeUtf16le(archivo.substr(2));
    }
    if (archivo.size() >= 3 && archivo.substr(0, 3) == "\xEF\xBB\xBF") {
        return std::string(archivo.substr(3));
    }
    // UTF-16LE sin marca: el segundo byte de "R" o "W" es cero.
    if (archivo.size() >= 2 && archivo[0] != '\0' && archivo[1] == '\0') {
        return Utf8DeUtf16le(archivo);
    }
    convertirAnsi = true;
    return std::string(archivo);
}

std::vector<std::string_view> SeparaLineas(const std::string& texto) {
    std::vector<std::string_view> lineas;
    for (std::size_t i = 0; i < texto.size();) {
        auto fin = texto.find_first_of("\r\n", i);
        if (fin == std::string::npos) {
            fin = texto.size();
        }
        lineas.emplace_back(texto.data() + i, fin - i);
        i = fin + ((fin + 1 < texto.size() && texto[fin] == '\r' && texto[fin + 1] == '\n') ? 2 : 1);
    }
    return lineas;
}

ContenidoReg Lector::Lee(std::string_view archivo) {
    bool sinMarca = false;
    std::string texto = Decodifica(archivo, sinMarca);
    std::vector<std::string_view> lineas = SeparaLineas(texto);

    std::size_t k = 0;
    while (k < lineas.size() && QuitaIzquierda(lineas[k]).empty()) {
        ++k;
    }
    if (k == lineas.size()) {
        return {};
    }
    const std::string_view encabezado = QuitaDerecha(QuitaIzquierda(lineas[k]));
    if (encabezado == "REGEDIT4") {
        version4_ = true;
    } else if (encabezado != "Windows Registry Editor Version 5.00") {
        return {};
    }
    if (version4_ && sinMarca) {
        // La conversión no toca los saltos de línea: el encabezado sigue en la línea k.
        texto = Utf8DeWindows1252(texto);
        lineas = SeparaLineas(texto);
    }

    // Une las líneas que terminan en barra invertida (listas hex largas).
    std::string logica;
    bool continua = false;
    for (++k; k < lineas.size(); ++k) {
        std::string_view l = QuitaDerecha(lineas[k]);
        if (continua) {
            l = QuitaIzquierda(l);
        } else {
            const std::string_view inicio = QuitaIzquierda(l);
            if (!inicio.empty() && (inicio.front() == ';' || inicio.front() == '[')) {
                Linea(l);
                continue;
            }
        }
        if (!l.empty() && l.back() == '\\') {
            logica.append(l.substr(0, l.size() - 1));
            continua = true;
            continue;
        }
        logica.append(l);
        Linea(logica);
        logica.clear();
        continua = false;
    }
    if (!logica.empty()) {
        Linea(logica);
    }
    return std::move(contenido_);
}

} // namespace

ContenidoReg LeeContenidoReg(std::string_view archivo) {
    return Lector{}.Lee(archivo);
}

std::string PliegaRuta(std::string_view ruta) {
    std::string plegada;
    while (!ruta.empty()) {
        const auto barra = ruta.find('\\');
        const std::string_view parte = ruta.substr(0, barra);
        if (!parte.empty()) {
            if (!plegada.empty()) {
                plegada += '\\';
            }
            plegada += MayusculasUtf8(parte);
        }
        if (barra == std::string_view::npos) {
            break;
        }
        ruta.remove_prefix(barra + 1);
    }
    return plegada;
}

} // namespace ov
