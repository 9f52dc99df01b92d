#!/usr/bin/env bash
# Banco del sondeo: --conexiones con cinco servidores que aceptan la conexión y nunca contestan (cada uno
# agota su espera de inicio de sesión, 15 s) y una base SQLite de la demostración. Las bases se sondean a
# la vez: el total es una espera, no cinco. Meta: 20 s o menos.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/compila.sh >/dev/null
trabajo=$(mktemp -d)
servidor=
trap '[ -z "$servidor" ] || kill "$servidor" 2>/dev/null; rm -rf "$trabajo"' EXIT

# El servidor mudo: acepta en 127.0.0.1 y guarda cada conexión abierta sin escribir nada.
python3 -u -c '
import socket
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", 0))
s.listen(64)
print(s.getsockname()[1])
abiertas = []
while True:
    abiertas.append(s.accept()[0])
' >"$trabajo/puerto" &
servidor=$!
for _ in $(seq 50); do [ -s "$trabajo/puerto" ] && break; sleep 0.1; done
puerto=$(cat "$trabajo/puerto")

build/genera_demo "$trabajo/demo" --checadas 3000 >/dev/null
{
    printf 'REGEDIT4\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quintara\\Orvalo\\Conexiones\\0]\r\n'
    printf '"Name"="Planta Norte"\r\n"Conn"="Driver=SQLite3;Database=%s/demo/orvalo_norte.db"\r\n\r\n' "$trabajo"
    for i in 1 2 3 4 5; do
        printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quintara\\Orvalo\\Conexiones\\%d]\r\n' "$i"
        printf '"Name"="Muda %d"\r\n"Conn"="Provider=SQLOLEDB.1;User ID=sa;Password=x;Initial Catalog=Orvalo;Data Source=127.0.0.1,%d"\r\n\r\n' "$i" "$puerto"
    done
} >"$trabajo/orvalo.reg"

inicio=$(date +%s.%N)
build/ovnalvora --registro "$trabajo/orvalo.reg" --conexiones >"$trabajo/salida.txt"
fin=$(date +%s.%N)
cat "$trabajo/salida.txt"
segundos=$(awk -v a="$inicio" -v b="$fin" 'BEGIN { printf "%.2f", b - a }')
grep -q $'^Planta Norte\t.*\tok$' "$trabajo/salida.txt" || { echo "Planta Norte no trae sus cifras." >&2; exit 1; }
[ "$(grep -c $'^Muda [1-5]\t.*\tsin conexión' "$trabajo/salida.txt")" -eq 5 ] ||
    { echo "Las cinco mudas debían quedar sin conexión." >&2; exit 1; }
echo "Cinco servidores mudos y una base SQLite: $segundos s (meta: 20 s o menos)."
awk -v s="$segundos" 'BEGIN { exit !(s <= 20) }'
