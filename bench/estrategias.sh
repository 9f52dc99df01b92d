#!/usr/bin/env bash
# Banco de las estrategias: un millón de checadas en dos clases de tabla (con índice de la fecha, y con
# solo (empleado, fechayhora)), quitando cerca del 4, 17, 50 y 83 % desde el primer día. Para cada punto:
# el programa (estrategia auto, pasos 1 y 2 de Planta Sur) contra la más rápida de las dos formas a mano
# en sqlite3, sin contar nada: copiar, vaciar y reponer, o borrar en su lugar, en una transacción y
# seguidas de REINDEX, como los pasos 1 y 2. Mejor de cinco, con sync antes de cada corrida medida.
#   bash bench/estrategias.sh [FILAS]        (por omisión 1000000)
# CLASES="con_fecha sin_fecha" y DIAS="44 186 548 910" eligen las tablas y los rangos (días desde el
# primero) que se miden; así se busca dónde se cruzan las dos formas a mano.
set -euo pipefail
cd "$(dirname "$0")/.."
REPETICIONES=${REPETICIONES:-5}
source bench/comun.sh

n=${1:-1000000}
demo_con "$n"
cp "$demo/orvalo_sur.db" "$demo/con_fecha.db"
cp "$demo/orvalo_sur.db" "$demo/sin_fecha.db"
sqlite3 "$demo/sin_fecha.db" "DROP INDEX ix_checadas_fechayhora; CREATE INDEX ix_checadas_empleado_fechayhora ON checadas (empleado, fechayhora);"
desde=2023-12-01
printf "%-10s %-7s %10s %-8s %10s %8s %9s %11s %6s\n" indice quitar filas elegida programa_s copia_s borrado_s programa_kB razon
for clase in ${CLASES:-con_fecha sin_fecha}; do
    # Los datos cubren 1096 días desde el 2023-12-01.
    for dias in ${DIAS:-44 186 548 910}; do
        hasta=$(date -d "$desde + $((dias - 1)) days" +%F)
        siguiente=$(date -d "$hasta + 1 day" +%F)
        conservar="fechayhora < '$desde' or fechayhora >= '$siguiente' or fechayhora is null"
        quitar=$(sqlite3 "$demo/$clase.db" "select count(*) from checadas where not ($conservar)")
        total=$(sqlite3 "$demo/$clase.db" "select count(*) from checadas")
        cat > "$demo/copia.sql" <<SQL
ATTACH DATABASE '$demo/temporal_a_mano.db' AS orvalo_temp;
BEGIN EXCLUSIVE;
CREATE TABLE orvalo_temp.checadas AS SELECT * FROM checadas where $conservar;
DELETE FROM checadas;
INSERT INTO checadas SELECT * FROM orvalo_temp.checadas;
DROP TABLE orvalo_temp.checadas;
COMMIT;
REINDEX checadas;
SQL
        cat > "$demo/borrado.sql" <<SQL
BEGIN EXCLUSIVE;
DELETE FROM checadas WHERE fechayhora >= '$desde' and fechayhora < '$siguiente';
COMMIT;
REINDEX checadas;
SQL
        sp=""; sc=""; sb=""; kp=0
        for _ in $(seq "$repeticiones"); do
            cp "$demo/$clase.db" "$demo/orvalo_sur.db"; rm -f "$demo/orvalo_temp.db"; sync
            /usr/bin/time -v -o "$demo/programa.txt" build/ovnalvora --registro "$demo/orvalo.reg" --depurar \
                --conexion "Planta Sur" --desde "$desde" --hasta "$hasta" --pasos 1,2 --si > "$demo/salida.txt"
            elegida=$(grep -o 'por [a-z]*\.' "$demo/salida.txt" | head -1 | tr -d '.' | cut -d' ' -f2)
            cp "$demo/$clase.db" "$demo/a_mano.db"; rm -f "$demo/temporal_a_mano.db"; sync
            /usr/bin/time -v -o "$demo/copia.txt" sqlite3 "$demo/a_mano.db" < "$demo/copia.sql" > /dev/null
            cp "$demo/$clase.db" "$demo/a_mano.db"; sync
            /usr/bin/time -v -o "$demo/borrado.txt" sqlite3 "$demo/a_mano.db" < "$demo/borrado.sql" > /dev/null
            read -r s1 k1 < <(mide "$demo/programa.txt")
            read -r s2 _ < <(mide "$demo/copia.txt")
            read -r s3 _ < <(mide "$demo/borrado.txt")
            sp=$(menor "$sp" "$s1"); sc=$(menor "$sc" "$s2"); sb=$(menor "$sb" "$s3")
            [ "$k1" -gt "$kp" ] && kp=$k1
        done
        razon=$(awk -v a="$sp" -v c="$sc" -v b="$sb" 'BEGIN { m = (c < b ? c : b); printf "%.2f", (m > 0 ? a / m : 0) }')
        porciento=$(awk -v q="$quitar" -v t="$total" 'BEGIN { printf "%.0f%%", 100 * q / t }')
        printf "%-10s %-7s %10s %-8s %10s %8s %9s %11s %6s\n" "$clase" "$porciento" "$quitar" "$elegida" "$sp" "$sc" "$sb" "$kp" "$razon"
    done
done
