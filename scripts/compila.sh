#!/usr/bin/env bash
# Configura (una vez) y compila en build/; una segunda llamada solo recompila lo que cambió.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/dependencias.sh
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DOV_WERROR="${OV_WERROR:-ON}"
fi
cmake --build build
