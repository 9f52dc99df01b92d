#!/usr/bin/env bash
# Instala, compila y corre todas las pruebas con CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/compila.sh
cd build
ctest --output-on-failure --timeout 900 "$@"
