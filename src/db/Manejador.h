#pragma once

#include "db/Sql.h"

#include <memory>
#include <utility>

namespace ov::db {

// Dueño RAII de un manejador ODBC de tipo fijo (entorno, conexión o sentencia).
template <SQLSMALLINT Tipo> class Manejador {
public:
    Manejador() = default;
    ~Manejador() { Libera(); }
    Manejador(const Manejador&) = delete;
    Manejador& operator=(const Manejador&) = delete;
    Manejador(Manejador&& otro) noexcept : h_(std::exchange(otro.h_, nullptr)) {}
    Manejador& operator=(Manejador&& otro) noexcept {
        if (this != &otro) {
            Libera();
            h_ = std::exchange(otro.h_, nullptr);
        }
        return *this;
    }

    SQLHANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    // Para SQLAllocHandle: suelta el anterior y entrega dónde escribir el nuevo.
    SQLHANDLE* Destino() {
        Libera();
        return &h_;
    }
    void Libera() noexcept {
        if (h_ != nullptr) {
            SQLFreeHandle(Tipo, h_);
            h_ = nullptr;
        }
    }

private:
    SQLHANDLE h_ = nullptr;
};

using ManejadorEntorno = Manejador<SQL_HANDLE_ENV>;
using ManejadorConexion = Manejador<SQL_HANDLE_DBC>;
using ManejadorSentencia = Manejador<SQL_HANDLE_STMT>;

// El entorno ODBC 3 del proceso. Cada conexión guarda una copia del puntero, así el entorno
// no se libera antes que la última conexión aunque los estáticos se destruyan en otro orden.
std::shared_ptr<const ManejadorEntorno> Entorno();

// Sentencia nueva sobre una conexión abierta. Lanza ErrorBD.
ManejadorSentencia NuevaSentencia(SQLHDBC conexion);

} // namespace ov::db
