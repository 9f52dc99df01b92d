#pragma once

// Lo que comparten las pruebas de conexiones: entradas de un registro exportado (REGEDIT4).
#include <filesystem>
#include <string>

namespace ov::prueba {

inline std::string Sqlite(const std::filesystem::path& base) {
    return "Driver=SQLite3;Database=" + base.string();
}

inline std::string EntradaReg(int n, const std::string& nombre, const std::string& conn) {
    return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quintara\\Orvalo\\Conexiones\\" + std::to_string(n) +
           "]\r\n\"Name\"=\"" + nombre + "\"\r\n\"Conn\"=\"" + conn + "\"\r\n";
}

} // namespace ov::prueba
