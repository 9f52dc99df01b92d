#!/usr/bin/env bash
# Compila para Windows con mingw-w64: la ventana con los controles comunes de Windows
# (build-windows/ovnalvora-ventana.exe, sin Qt) y la línea de comandos (build-windows/ovnalvora.exe),
# y los dos en build-windows/ovnalvora-<versión>-windows-x64.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/dependencias.sh
# Las pruebas de punta a punta comparan con la compilación de Linux de build/, si la hay.
cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DOV_QT=OFF \
    -DCMAKE_BUILD_TYPE=Release -DOV_WERROR="${OV_WERROR:-ON}" -DOV_CONSTRUCCION_LINUX="$PWD/build" >/dev/null
cmake --build build-windows
(cd build-windows && cpack >/dev/null)
echo "Listo: build-windows/ovnalvora-ventana.exe, build-windows/ovnalvora.exe y $(ls build-windows/ovnalvora-*-windows-x64.zip)"
