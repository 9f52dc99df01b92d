#!/usr/bin/env bash
# Servidor T-SQL de las pruebas: uno por corrida de CTest, en un puerto libre.
#   servidor.sh inicia CARPETA BABELFISH   deja en CARPETA/cadena.txt la cadena ODBC (vacía si no hay servidor)
#   servidor.sh detiene CARPETA BABELFISH [borra]   borra: también el servidor desempacado
# Con OVNALVORA_PRUEBA_SQLSERVER no arranca nada: las pruebas usan ese servidor.
set -euo pipefail
accion=${1:?falta la acción}
carpeta=${2:?falta la carpeta}
babelfish=${3:-}
mkdir -p "$carpeta"
cadena="$carpeta/cadena.txt"

ocupado() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

case "$accion" in
inicia)
    rm -f "$cadena"
    if [ -n "${OVNALVORA_PRUEBA_SQLSERVER:-}" ]; then
        echo "Se usa el servidor de OVNALVORA_PRUEBA_SQLSERVER."
        exit 0
    fi
    if [ ! -x "$babelfish/servidor-tsql.sh" ]; then
        echo "No hay servidor T-SQL en $babelfish: las pruebas de SQL Server se saltarán."
        exit 0
    fi
    # El servidor usa también el puerto + 40000 para PostgreSQL.
    for _ in $(seq 40); do
        puerto=$((15000 + RANDOM % 10000))
        if ! ocupado "$puerto" && ! ocupado $((puerto + 40000)); then
            "$babelfish/servidor-tsql.sh" detiene "$carpeta/instancia" >/dev/null 2>&1 || true
            "$babelfish/servidor-tsql.sh" inicia "$carpeta/instancia" "$puerto" >"$cadena.nueva"
            mv "$cadena.nueva" "$cadena"
            echo "Servidor T-SQL en el puerto $puerto."
            exit 0
        fi
    done
    echo "No se encontró un puerto libre para el servidor T-SQL." >&2
    exit 1
    ;;
detiene)
    rm -f "$cadena"
    if [ -x "$babelfish/servidor-tsql.sh" ] && [ -d "$carpeta/instancia" ]; then
        "$babelfish/servidor-tsql.sh" detiene "$carpeta/instancia" || true
        # Como root el servidor vive en /tmp/servidor-tsql-<md5 de su carpeta> (ver servidor-tsql.sh).
        if [ "${4:-}" = borra ] && [ "$(id -u)" -eq 0 ]; then
            instancia=$(cd "$carpeta/instancia" && pwd)
            rm -rf "/tmp/servidor-tsql-$(printf '%s' "$instancia" | md5sum | cut -c1-12)"
        fi
    fi
    ;;
*)
    echo "Acción desconocida: $accion" >&2
    exit 2
    ;;
esac
