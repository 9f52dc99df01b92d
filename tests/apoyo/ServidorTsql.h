#pragma once

#include "connections/ApoyoConexiones.h"
#include "db/Conexion.h"

#include <gtest/gtest.h>

#include <string>

namespace ov::prueba {

// El servidor T-SQL de las pruebas: el de OVNALVORA_PRUEBA_SQLSERVER; si no, el que arrancó CTest;
// sin ninguno (la prueba corrida fuera de CTest), la cadena queda vacía y Motivo dice por qué.
struct ServidorTsql {
    std::string Cadena; // cadena ODBC sin base: lleva la contraseña, nunca se imprime
    std::string Motivo;
    bool Babelfish = false; // el servidor de ../shared/babelfish, que rechaza parte de lo de SQL Server
};
const ServidorTsql& ServidorDePruebas();

// Salta la prueba, a la vista y con el motivo, cuando no hay servidor.
#define OV_EXIGE_SERVIDOR_TSQL()                                                                             \
    do {                                                                                                     \
        if (::ov::prueba::ServidorDePruebas().Cadena.empty()) {                                              \
            GTEST_SKIP() << "Sin servidor T-SQL: " << ::ov::prueba::ServidorDePruebas().Motivo;              \
        }                                                                                                    \
    } while (false)

// Una base propia en el servidor de pruebas, con nombre único; se borra al destruirse.
class BaseTsql {
public:
    explicit BaseTsql(const std::string& prefijo = "ovp");
    ~BaseTsql();
    BaseTsql(const BaseTsql&) = delete;
    BaseTsql& operator=(const BaseTsql&) = delete;

    const std::string& Nombre() const { return nombre_; }
    std::string Cadena() const; // la del servidor con Database= esta base
    db::Conexion& cn() { return cn_; }

    void Ejecuta(const std::string& sql) { cn_.Execute(sql); }
    std::string Valor(const std::string& sql); // primera columna de la primera fila; "" si Null
    long long Cuenta(const std::string& sql) { return std::stoll(Valor(sql)); }
    // Todas las filas, columnas separadas por '|', en el orden de la consulta.
    std::vector<std::string> Filas(const std::string& sql);

private:
    std::string nombre_;
    db::Conexion cn_;
};

// Ejecuta sobre el servidor, sin base propia (CREATE/DROP DATABASE, orvalo_temp).
void EjecutaEnServidor(const std::string& sql);
// Borra orvalo_temp si quedó de otra prueba; nunca falla.
void BorraOrvaloTemp();

// Una base como la del producto: checadas (o Transacciones, la única con identidad), kardex con un
// disparador que escribe en bitacora, y bitacora. Cada tabla tiene las mismas 21 filas: para cada empleado
// 1 a 3, una con cada fecha de kFechasOrvalo (la última, sin fecha). Un plan de marzo de 2025 elimina
// las del 1, el 15 y el 31 de marzo: 9 por tabla, y conserva 12.
inline constexpr const char* kFechasOrvalo[] = {"2025-02-28 23:59:59",
                                                "2025-03-01 00:00:00",
                                                "2025-03-15 12:00:00",
                                                "2025-03-31 23:59:59",
                                                "2025-04-01 00:00:00",
                                                "2025-04-01 00:00:01",
                                                nullptr};
inline constexpr int kFilasOrvalo = 21;
void CreaBaseOrvalo(BaseTsql& b, bool conTransacciones = false);

// Las filas de una tabla, ordenadas, para comparar antes y después.
std::vector<std::string> FilasDe(BaseTsql& b, const std::string& tabla);

// Un archivo .reg con una entrada por nombre y cadena, en orden.
inline std::string ArchivoRegCon(const std::vector<std::pair<std::string, std::string>>& entradas) {
    return Reg(entradas);
}

} // namespace ov::prueba
