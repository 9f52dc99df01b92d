#!/usr/bin/env bash
# Banco en el servidor T-SQL de ../shared/babelfish: 200 000 checadas con índice de la fecha, quitando
# el 50 y el 83 %. Ahí la copia entre bases se rechaza, así que se mide lo que se puede: el programa
# borrando en su lugar (paso 1) contra el mismo DELETE a mano en tsql, en una transacción. Mejor de cinco.
#   bash bench/tsql.sh
set -euo pipefail
cd "$(dirname "$0")/.."
REPETICIONES=${REPETICIONES:-5}
source bench/comun.sh
babelfish=$(cd .. && pwd)/shared/babelfish
command -v tsql > /dev/null || { echo "Falta tsql (paquete freetds-bin)." >&2; exit 2; }
trabajo=$(mktemp -d)
puerto=$((20000 + RANDOM % 5000))
trap 'bash "$babelfish/servidor-tsql.sh" detiene "$trabajo/servidor" > /dev/null 2>&1 || true; rm -rf "$trabajo"' EXIT
cadena=$(bash "$babelfish/servidor-tsql.sh" inicia "$trabajo/servidor" "$puerto" | tail -1)
usuario=$(sed 's/.*UID=\([^;]*\).*/\1/' <<< "$cadena")
clave=$(sed 's/.*PWD=\([^;]*\).*/\1/' <<< "$cadena")
sql() { printf '%s\ngo\n' "$1" | tsql -H 127.0.0.1 -p "$puerto" -U "$usuario" -P "$clave" -D "${2:-master}" > /dev/null 2>&1; }
sql "create database ovbanco"
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quintara\\Orvalo\\Conexiones\\0]\r\n"Name"="Banco"\r\n"Conn"="%s;Database=ovbanco"\r\n' \
    "$cadena" > "$trabajo/orvalo.reg"
# 200 000 checadas, una cada 7 minutos desde el 2023-12-01: unos 972 días.
carga="if object_id('checadas') is not null drop table checadas;
create table checadas (id int primary key, empleado int, fechayhora datetime, reloj varchar(18));
create table #d (x int); insert into #d values (0),(1),(2),(3),(4),(5),(6),(7),(8),(9);
insert into checadas select n, n % 500, dateadd(minute, 7 * n, '2023-12-01'), 'R1' from (select a.x + 10 * b.x + 100 * c.x
 + 1000 * d.x + 10000 * e.x + 100000 * f.x as n from #d a, #d b, #d c, #d d, #d e, #d f where f.x < 2) as k;
create index ix_checadas_fechayhora on checadas (fechayhora);"
printf "%-7s %10s %10s %6s\n" quitar programa_s a_mano_s razon
for dias in 486 807; do
    desde=2023-12-01
    hasta=$(date -d "$desde + $((dias - 1)) days" +%F)
    siguiente=$(date -d "$hasta + 1 day" +%F)
    sp=""; sm=""
    for _ in $(seq "$repeticiones"); do
        sql "$carga" ovbanco
        /usr/bin/time -v -o "$trabajo/programa.txt" build/ovnalvora --registro "$trabajo/orvalo.reg" --depurar \
            --conexion Banco --desde "$desde" --hasta "$hasta" --pasos 1 --estrategia borrado --si > "$trabajo/salida.txt"
        sql "$carga" ovbanco
        printf 'begin transaction\ndelete from checadas where fechayhora >= '"'%s'"' and fechayhora < '"'%s'"'\ncommit\ngo\n' \
            "$desde" "$siguiente" > "$trabajo/borrado.sql"
        /usr/bin/time -v -o "$trabajo/a_mano.txt" tsql -H 127.0.0.1 -p "$puerto" -U "$usuario" -P "$clave" -D ovbanco \
            < "$trabajo/borrado.sql" > /dev/null 2>&1
        read -r s1 _ < <(mide "$trabajo/programa.txt")
        read -r s2 _ < <(mide "$trabajo/a_mano.txt")
        sp=$(menor "$sp" "$s1"); sm=$(menor "$sm" "$s2")
    done
    razon=$(awk -v a="$sp" -v b="$sm" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
    printf "%-7s %10s %10s %6s\n" "$((dias * 100 / 972))%" "$sp" "$sm" "$razon"
done
