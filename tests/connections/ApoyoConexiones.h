#pragma once

// Lo que comparten las pruebas de conexiones: entradas de un registro exportado (REGEDIT4).
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace ov::prueba {

inline std::string Sqlite(const std::filesystem::path& base) {
    return "Driver=SQLite3;Database=" + base.string();
}

inline std::string EntradaReg(int n, const std::string& nombre, const std::string& conn) {
    return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quintara\\Orvalo\\Conexiones\\" + std::to_string(n) +
           "]\r\n\"Name\"=\"" + nombre + "\"\r\n\"Conn\"=\"" + conn + "\"\r\n";
}

// Un .reg REGEDIT4 con las entradas dadas (nombre, Conn), numeradas desde 0.
inline std::string Reg(const std::vector<std::pair<std::string, std::string>>& entradas) {
    std::string reg = "REGEDIT4\r\n\r\n";
    for (size_t n = 0; n < entradas.size(); ++n) {
        reg += EntradaReg(static_cast<int>(n), entradas[n].first, entradas[n].second);
    }
    return reg;
}

} // namespace ov::prueba
