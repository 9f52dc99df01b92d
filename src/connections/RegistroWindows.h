#pragma once

#ifdef _WIN32

#include "connections/Registro.h"

#include <memory>

namespace ov {

// HKEY_LOCAL_MACHINE en la vista de 32 bits, donde escribe el producto; solo lectura.
std::unique_ptr<Registro> RegistroWindows();

} // namespace ov

#endif
