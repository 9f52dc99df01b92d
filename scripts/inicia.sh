#!/usr/bin/env bash
# Instala, compila, genera las bases de demostración si faltan y abre la ventana sobre ellas.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/compila.sh
if [ ! -f demo/orvalo.reg ]; then
    build/genera_demo demo
fi
export OVNALVORA_REGISTRO="$PWD/demo/orvalo.reg"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No hay pantalla: se abre bajo Xvfb." >&2
    exec xvfb-run -a build/ovnalvora
fi
exec build/ovnalvora
