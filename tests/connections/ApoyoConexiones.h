#pragma once

// Lo que comparten las pruebas de conexiones: entradas de un registro exportado (REGEDIT4) y un
// observador del sondeo que anota cada fila.
#include "connections/Estadisticas.h"

#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace ov::prueba {

inline std::string Sqlite(const std::filesystem::path& base) {
    return "Driver=SQLite3;Database=" + base.string();
}

// Un .reg REGEDIT4 con las entradas dadas (nombre, Conn), numeradas desde 0, con la barra
// inversa y las comillas escapadas.
inline std::string Reg(const std::vector<std::pair<std::string, std::string>>& entradas) {
    const auto escapa = [](const std::string& t) {
        std::string s;
        for (char c : t) {
            s += c == '\\' || c == '"' ? std::string{'\\', c} : std::string{c};
        }
        return s;
    };
    std::string reg = "REGEDIT4\r\n\r\n";
    for (size_t n = 0; n < entradas.size(); ++n) {
        reg += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quintara\\Orvalo\\Conexiones\\" + std::to_string(n) +
               "]\r\n\"Name\"=\"" + escapa(entradas[n].first) + "\"\r\n\"Conn\"=\"" +
               escapa(entradas[n].second) + "\"\r\n";
    }
    return reg;
}

struct Fila {
    std::string estado = "sin sondear";
    EstadisticasFila cifras;
    bool hayTransacciones = false;
};

// Anota cada aviso en su fila; cuenta los que llegan desde otro hilo que el de quien llamó y los
// "sin conexión" que no vienen justo tras el porqué de la misma fila.
class Recolector final : public ObservadorSondeo {
public:
    explicit Recolector(size_t n) : filas(n) {}
    void FilaSondeada(int fila, const EstadisticasFila& c, bool hay) override {
        Anota(fila) = {"ok", c, hay};
    }
    void ErrorDeApertura(int fila, const std::string& e) override {
        Anota(fila);
        porQue_ = {fila, e};
    }
    void FilaSinConexion(int fila) override {
        Anota(fila).estado = porQue_.first == fila ? "sin conexión: " + porQue_.second : "sin porqué";
        porQue_ = {};
    }
    void FilaConError(int fila, const std::string& e) override { Anota(fila).estado = "error: " + e; }

    std::vector<Fila> filas;
    int fueraDeHilo = 0;

private:
    Fila& Anota(int fila) {
        fueraDeHilo += std::this_thread::get_id() == hilo_ ? 0 : 1;
        return filas.at(static_cast<size_t>(fila - 1));
    }
    const std::thread::id hilo_ = std::this_thread::get_id();
    std::pair<int, std::string> porQue_;
};

} // namespace ov::prueba
