#!/usr/bin/env bash
# Banco de la depuración: checadas de una base generada, conservando cerca de la mitad, por la
# línea de comandos del programa, contra las mismas sentencias corridas a mano en sqlite3 sobre
# una copia. Mide tiempo y memoria máxima para varios tamaños.
#   bash bench/depuracion.sh [FILAS ...]        (por omisión 250000 500000 1000000)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/comun.sh

tamanos=("$@")
[ ${#tamanos[@]} -eq 0 ] && tamanos=(250000 500000 1000000)
trabajo=$(mktemp -d)
trap 'rm -rf "$trabajo"' EXIT

# Los datos van del 2023-12-01 al 2026-11-30: borrar hasta el 2025-05-31 conserva cerca de la mitad.
desde=2023-12-01
hasta=2025-05-31


printf "%-10s %12s %12s %12s %12s %12s %8s\n" filas conservadas programa_s a_mano_s programa_kB a_mano_kB razon
for n in "${tamanos[@]}"; do
    demo="$trabajo/demo$n"
    build/genera_demo "$demo" --checadas "$n" > /dev/null
    cp "$demo/orvalo_sur.db" "$demo/original.db"
    conservadas=$(sqlite3 "$demo/orvalo_sur.db" "select count(*) from checadas where fechayhora < '$desde' or fechayhora >= '2025-06-01' or fechayhora is null")
    # Lo mismo que hace el programa: una sola transacción con la tabla bloqueada.
    cat > "$demo/a_mano.sql" <<SQL
ATTACH DATABASE '$demo/orvalo_temp_a_mano.db' AS orvalo_temp;
BEGIN EXCLUSIVE;
SELECT seq FROM sqlite_sequence WHERE lower(name) = 'checadas';
SELECT count(*) FROM checadas;
CREATE TABLE orvalo_temp.checadas AS SELECT * FROM checadas where fechayhora < '$desde' or fechayhora >= '2025-06-01' or fechayhora is null;
SELECT count(*) FROM orvalo_temp.checadas;
DELETE FROM checadas;
INSERT INTO checadas ([id],[empleado],[fechayhora],[reloj]) SELECT * FROM orvalo_temp.checadas;
SELECT count(*) FROM checadas;
DROP TABLE orvalo_temp.checadas;
COMMIT;
DETACH DATABASE orvalo_temp;
SQL
    # El disco de esta máquina varía mucho entre corridas: se toma la mejor de $repeticiones, alternando.
    sp=""; sm=""; kp=0; km=0
    for _ in $(seq "$repeticiones"); do
        cp "$demo/original.db" "$demo/orvalo_sur.db"
        cp "$demo/original.db" "$demo/a_mano.db"
        rm -f "$demo/orvalo_temp_a_mano.db"
        /usr/bin/time -v -o "$demo/programa.txt" build/ovnalvora --registro "$demo/orvalo.reg" --depurar \
            --conexion "Planta Sur" --desde "$desde" --hasta "$hasta" --pasos 1 --estrategia copia --si \
            > "$demo/salida.txt"
        quedan=$(sqlite3 "$demo/orvalo_sur.db" "select count(*) from checadas")
        [ "$quedan" = "$conservadas" ] || { echo "El programa dejó $quedan filas; se esperaban $conservadas." >&2; exit 1; }
        /usr/bin/time -v -o "$demo/a_mano.txt" sqlite3 "$demo/a_mano.db" < "$demo/a_mano.sql" > /dev/null
        read -r s1 k1 < <(mide "$demo/programa.txt")
        read -r s2 k2 < <(mide "$demo/a_mano.txt")
        sp=$(menor "$sp" "$s1"); sm=$(menor "$sm" "$s2")
        [ "$k1" -gt "$kp" ] && kp=$k1
        [ "$k2" -gt "$km" ] && km=$k2
    done
    razon=$(awk -v a="$sp" -v b="$sm" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
    printf "%-10s %12s %12s %12s %12s %12s %8s\n" "$n" "$conservadas" "$sp" "$sm" "$kp" "$km" "$razon"
done
