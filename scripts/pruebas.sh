#!/usr/bin/env bash
# Instala, compila y corre todas las pruebas con CTest: las de Linux en build/ y, con mingw-w64 y
# wine (dependencias.sh los instala), las del núcleo para Windows bajo wine en build-windows/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/compila.sh
windows=
if command -v x86_64-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null; then
    bash scripts/compila-windows.sh
    windows=1
fi
estado=0
(cd build && ctest --output-on-failure --timeout 900 "$@") || estado=$?
if [ -n "$windows" ]; then
    (cd build-windows && ctest --output-on-failure --timeout 900 "$@") || estado=$?
fi
exit "$estado"
