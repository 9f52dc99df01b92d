#!/usr/bin/env bash
# Banco de las estrategias: un millón de checadas, quitando el 5, 25, 50 y 90 % desde el primer día.
# Para cada fracción: el programa (estrategia auto, paso 1 de Planta Sur), la copia y reposición a mano
# en sqlite3 y el borrado en su lugar a mano, los tres en una transacción. Mejor de tres, alternando.
#   bash bench/estrategias.sh [FILAS]        (por omisión 1000000)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/comun.sh

n=${1:-1000000}
trabajo=$(mktemp -d)
trap 'rm -rf "$trabajo"' EXIT

demo="$trabajo/demo"
build/genera_demo "$demo" --checadas "$n" > /dev/null
cp "$demo/orvalo_sur.db" "$demo/original.db"
desde=2023-12-01
printf "%-8s %10s %-9s %10s %10s %10s %11s %8s\n" quitar filas elegida programa_s copia_s borrado_s programa_kB razon
# Los datos cubren 1096 días desde el 2023-12-01.
for porciento in 5 25 50 90; do
    hasta=$(date -d "$desde + $((1096 * porciento / 100 - 1)) days" +%F)
    siguiente=$(date -d "$hasta + 1 day" +%F)
    conservar="fechayhora < '$desde' or fechayhora >= '$siguiente' or fechayhora is null"
    quitar=$(sqlite3 "$demo/original.db" "select count(*) from checadas where not ($conservar)")
    cat > "$demo/copia.sql" <<SQL
ATTACH DATABASE '$demo/temporal_a_mano.db' AS orvalo_temp;
BEGIN EXCLUSIVE;
SELECT count(*) FROM checadas;
CREATE TABLE orvalo_temp.checadas AS SELECT * FROM checadas where $conservar;
SELECT count(*) FROM orvalo_temp.checadas;
DELETE FROM checadas;
INSERT INTO checadas ([id],[empleado],[fechayhora],[reloj]) SELECT * FROM orvalo_temp.checadas;
SELECT count(*) FROM checadas;
DROP TABLE orvalo_temp.checadas;
COMMIT;
SQL
    cat > "$demo/borrado.sql" <<SQL
BEGIN EXCLUSIVE;
SELECT count(*) FROM checadas;
SELECT count(*) FROM checadas where $conservar;
DELETE FROM checadas WHERE fechayhora >= '$desde' and fechayhora < '$siguiente';
SELECT count(*) FROM checadas;
COMMIT;
SQL
    sp=""; sc=""; sb=""; kp=0
    for _ in $(seq "$repeticiones"); do
        cp "$demo/original.db" "$demo/orvalo_sur.db"
        /usr/bin/time -v -o "$demo/programa.txt" build/ovnalvora --registro "$demo/orvalo.reg" --depurar \
            --conexion "Planta Sur" --desde "$desde" --hasta "$hasta" --pasos 1 --si > "$demo/salida.txt"
        elegida=$(grep -o 'por [a-z]*\.' "$demo/salida.txt" | head -1 | tr -d '.' | cut -d' ' -f2)
        cp "$demo/original.db" "$demo/a_mano.db"; rm -f "$demo/temporal_a_mano.db"
        /usr/bin/time -v -o "$demo/copia.txt" sqlite3 "$demo/a_mano.db" < "$demo/copia.sql" > /dev/null
        cp "$demo/original.db" "$demo/a_mano.db"
        /usr/bin/time -v -o "$demo/borrado.txt" sqlite3 "$demo/a_mano.db" < "$demo/borrado.sql" > /dev/null
        read -r s1 k1 < <(mide "$demo/programa.txt")
        read -r s2 _ < <(mide "$demo/copia.txt")
        read -r s3 _ < <(mide "$demo/borrado.txt")
        sp=$(menor "$sp" "$s1"); sc=$(menor "$sc" "$s2"); sb=$(menor "$sb" "$s3")
        [ "$k1" -gt "$kp" ] && kp=$k1
    done
    razon=$(awk -v a="$sp" -v c="$sc" -v b="$sb" 'BEGIN { m = (c < b ? c : b); printf "%.2f", (m > 0 ? a / m : 0) }')
    printf "%-8s %10s %-9s %10s %10s %10s %11s %8s\n" "$porciento%" "$quitar" "$elegida" "$sp" "$sc" "$sb" "$kp" "$razon"
done
