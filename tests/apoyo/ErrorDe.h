#pragma once

#include "db/ErrorBD.h"

#include <gtest/gtest.h>

namespace ov::db {

// El ErrorBD que lanza la llamada; si no lanza, la prueba falla y se compara con uno vacío.
template <class Llamado> ErrorBD ErrorDe(Llamado&& llamado) {
    try {
        llamado();
    } catch (const ErrorBD& e) {
        return e;
    }
    ADD_FAILURE() << "se esperaba un ErrorBD y la llamada se dio por buena";
    return ErrorBD(0, "", "");
}

} // namespace ov::db
