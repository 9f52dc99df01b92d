#!/usr/bin/env bash
# El programa sin argumentos abre la ventana desde ovnalvora_ventana.so; con argumentos no carga Qt, y
# sin el módulo lo dice y sale con 1.
#   modulo_ventana.sh RUTA/ovnalvora
set -uo pipefail
programa=$1
falla() { echo "FALLA: $*" >&2; exit 1; }

cargadas=$(LD_DEBUG=files "$programa" --version 2>&1 >/dev/null)
grep -q 'libQt6' <<<"$cargadas" && falla "--version cargó Qt"

tmp=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; rm -rf "$tmp"' EXIT
QT_QPA_PLATFORM=offscreen OVNALVORA_REGISTRO="$tmp/ninguno.reg" HOME="$tmp" "$programa" >/dev/null 2>&1 &
pid=$!
for _ in $(seq 100); do
    grep -q 'libQt6Widgets' "/proc/$pid/maps" 2>/dev/null && break
    sleep 0.1
done
grep -q 'ovnalvora_ventana.so' "/proc/$pid/maps" || falla "sin argumentos no se cargó la ventana"
kill "$pid"

cp "$programa" "$tmp/"
"$tmp/$(basename "$programa")" >/dev/null 2>"$tmp/errores.txt"
codigo=$?
[ "$codigo" -eq 1 ] || falla "sin el módulo salió con $codigo"
grep -q 'No se pudo abrir la ventana: .*ovnalvora_ventana.so' "$tmp/errores.txt" || falla "$(cat "$tmp/errores.txt")"
echo "ok"
