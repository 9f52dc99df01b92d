#!/usr/bin/env bash
# Prepara el prefijo de wine de las pruebas (una vez) o cierra su wineserver al final.
# Usa WINEPREFIX, que CTest pone en la carpeta de la compilación.
set -euo pipefail
: "${WINEPREFIX:?falta WINEPREFIX}"
case "${1:-}" in
inicia)
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        # Sin pantalla y sin preguntar por Mono ni Gecko (WINEDLLOVERRIDES los apaga).
        wineboot --init >/dev/null 2>&1 || true
    fi
    wineserver -w
    [ -f "$WINEPREFIX/system.reg" ] || { echo "wineboot no creó el prefijo $WINEPREFIX" >&2; exit 1; }
    ;;
cierra)
    wineserver -k 2>/dev/null || true
    ;;
*)
    echo "uso: $0 inicia|cierra" >&2
    exit 2
    ;;
esac
