#!/usr/bin/env bash
# Banco de la lista de conexiones: --conexiones con 500 y 2000 entradas cuyas bases no existen, así que
# lo medido es recorrer el almacén y buscar cada nombre, sin el tiempo de conectar.
# Metas: 500 entradas en menos de 5 s, y que crezca en línea: 2000 cuestan cerca de cuatro veces 500.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/compila.sh >/dev/null
trabajo=$(mktemp -d)
trap 'rm -rf "$trabajo"' EXIT
tamanos=("$@")
[ ${#tamanos[@]} -gt 0 ] || tamanos=(500 2000)

printf "%-10s %10s %14s\n" entradas segundos "ms por entrada"
for n in "${tamanos[@]}"; do
    reg="$trabajo/orvalo$n.reg"
    {
        printf 'REGEDIT4\r\n\r\n'
        for ((i = 0; i < n; i++)); do
            printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quintara\\Orvalo\\Conexiones\\%d]\r\n' "$i"
            printf '"Name"="Planta %d"\r\n"Conn"="Driver=SQLite3;Database=%s/no_existe_%d.db"\r\n\r\n' "$i" "$trabajo" "$i"
        done
    } >"$reg"
    inicio=$(date +%s.%N)
    build/ovnalvora --registro "$reg" --conexiones >"$trabajo/salida.txt"
    fin=$(date +%s.%N)
    lineas=$(($(wc -l <"$trabajo/salida.txt") - 1))
    [ "$lineas" -eq "$n" ] || { echo "Se listaron $lineas entradas de $n." >&2; exit 1; }
    awk -v n="$n" -v a="$inicio" -v b="$fin" 'BEGIN { printf "%-10s %10.2f %14.2f\n", n, b - a, 1000 * (b - a) / n }'
done
