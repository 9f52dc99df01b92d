#!/usr/bin/env bash
# Banco del archivo de lo eliminado: un millón de checadas, quitando la mitad (pasos 1 y 2 de Planta Sur),
# con --archivo y sin él, con la base en su diario de omisión y en WAL. Mejor de tres, con sync antes de
# cada corrida medida; la memoria es el mayor pico.
#   bash bench/archivo.sh [FILAS]        (por omisión 1000000)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/comun.sh

n=${1:-1000000}
demo_con "$n"
cp "$demo/orvalo_sur.db" "$demo/delete.db"
cp "$demo/orvalo_sur.db" "$demo/wal.db"
sqlite3 "$demo/wal.db" "PRAGMA journal_mode=WAL" > /dev/null
# Los datos cubren 1096 días desde el 2023-12-01: 548 días son la mitad.
desde=2023-12-01
hasta=$(date -d "$desde + 547 days" +%F)
printf "%-7s %-12s %10s %10s %8s\n" diario forma filas segundos kB
for diario in delete wal; do
for forma in sin_archivo con_archivo; do
    s=""; kb=0; filas=""
    for _ in $(seq "$repeticiones"); do
        rm -f "$demo/orvalo_sur.db-wal" "$demo/orvalo_sur.db-shm"
        cp "$demo/$diario.db" "$demo/orvalo_sur.db"; rm -rf "$demo/orvalo_temp.db" "$trabajo/archivo"; sync
        extra=()
        [ "$forma" = con_archivo ] && extra=(--archivo "$trabajo/archivo")
        /usr/bin/time -v -o "$demo/tiempo.txt" build/ovnalvora --registro "$demo/orvalo.reg" --depurar \
            --conexion "Planta Sur" --desde "$desde" --hasta "$hasta" --pasos 1,2 --si "${extra[@]}" \
            > "$demo/salida.txt"
        filas=$(grep -o '[0-9]* filas eliminadas' "$demo/salida.txt" | head -1 | cut -d' ' -f1)
        read -r s1 k1 < <(mide "$demo/tiempo.txt")
        s=$(menor "$s" "$s1")
        [ "$k1" -gt "$kb" ] && kb=$k1
    done
    printf "%-7s %-12s %10s %10s %8s\n" "$diario" "$forma" "$filas" "$s" "$kb"
    eval "s_$forma=$s"
done
awk -v d="$diario" -v a="$s_con_archivo" -v b="$s_sin_archivo" \
    'BEGIN { printf "%s: razón con/sin archivo %.2f\n", d, (b > 0 ? a / b : 0) }'
done
