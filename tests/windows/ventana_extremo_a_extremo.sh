#!/usr/bin/env bash
# De punta a punta con la ventana de Windows bajo wine, Xvfb y openbox, manejada como la maneja un
# operador (clics de xdotool): la lista se llena, se marcan una conexión y tres pasos, se ponen las
# fechas, Iniciar, Sí dos veces. Las filas que se van son las que dijo la segunda pregunta y la
# bitácora trae las mismas líneas que la del programa de Linux con la misma corrida.
# Uso: ventana_extremo_a_extremo.sh RUTA/ovnalvora-ventana.exe RUTA/sonda_ventana.exe CARPETA_LINUX
# OV_PANTALLA=:N usa esa pantalla (con su gestor de ventanas); si no, arranca Xvfb y openbox propios.
set -euo pipefail
exe=$1
sonda=$2
linux=$3
falla() {
    echo "FALLA: $*" >&2
    [ -z "${tmp:-}" ] || diagnostico >&2
    exit 1
}
# Lo que se ve al fallar: las ventanas abiertas, si la ventana sigue viva y lo que ella escribió.
diagnostico() {
    echo "--- ventanas visibles:"
    xdotool search --onlyvisible --name . 2>/dev/null | while read -r v; do xdotool getwindowname "$v"; done || true
    echo "--- procesos de la ventana:"
    pgrep -af "programa/$(basename "$exe")" || echo "(ninguno)"
    echo "--- salida de la ventana:"
    tail -n 30 "$tmp/ventana.log" 2>/dev/null || true
    echo "--- bitácora de la ventana:"
    tail -n 30 "$tmp"/programa/Log/*.log 2>/dev/null | iconv -f WINDOWS-1252 -t UTF-8 || true
}
for p in Xvfb openbox xdotool sqlite3 "$linux/genera_demo" "$linux/ovnalvora"; do
    command -v "$p" >/dev/null || falla "falta $p (scripts/dependencias.sh lo instala; compile antes para Linux)"
done
locale -a | grep -qix 'es_MX\.utf-\?8' || falla "falta la localización es_MX.UTF-8 (scripts/dependencias.sh)"
export LANG=es_MX.UTF-8 LC_ALL=es_MX.UTF-8 # wine solo habla español así

tmp=$(mktemp -d "${TMPDIR:-/tmp}/ovnalvora-ventana-XXXXXX")
clave='HKLM\Software\Quintara'
procesos=()
limpia() {
    for p in "${procesos[@]}"; do kill "$p" 2>/dev/null || true; done
    wine reg delete "$clave" /f /reg:32 >/dev/null 2>&1 || true
    [ -n "${OV_CONSERVA:-}" ] || rm -rf "$tmp"
}
trap limpia EXIT

source "$(dirname "$0")/pantalla.sh"
inicia_pantalla "$tmp"
# La sonda dice 0 (sí) o 1 (no); otro estado es que wine no la corrió bien: se repite y se cuenta.
sonda() {
    local salida estado intento
    for intento in 1 2 3; do
        estado=0
        salida=$(wine "$sonda" "$@" 2>"$tmp/sonda.err") || estado=$?
        [ "$estado" -gt 1 ] || break
        echo "la sonda ($*) terminó con $estado en el intento $intento: $(tr -d '\r' <"$tmp/sonda.err")" >&2
    done
    [ -z "$salida" ] || printf '%s\n' "$salida" | tr -d '\r'
    return "$estado"
}
clic() { xdotool mousemove $1 $2 click 1; }

# Las dos bases, una para la ventana y otra igual para el programa de Linux.
"$linux/genera_demo" "$tmp/demo" >/dev/null
cp -r "$tmp/demo" "$tmp/demo_linux"
wine reg delete "$clave" /f /reg:32 >/dev/null 2>&1 || true
escribe() { wine reg add "$clave\\Orvalo\\Conexiones\\$1" /v "$2" /t REG_SZ /d "$3" /f /reg:32 >/dev/null; }
escribe 0 Name 'Planta Norte'
escribe 0 Conn "Driver=SQLite3;Database=$tmp/demo/orvalo_norte.db"
escribe 1 Name 'Planta Sur'
escribe 1 Conn "Driver=SQLite3;Database=$tmp/demo/orvalo_sur.db"
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quintara\\Orvalo\\Conexiones\\0]\r\n"Name"="Planta Sur"\r\n"Conn"="Driver=SQLite3;Database=%s"\r\n' \
    "$tmp/demo_linux/orvalo_sur.db" >"$tmp/orvalo.reg"

cuenta() { # base tabla: filas del rango
    local col=fechayhora
    case $2 in kardex) col=fecha ;; bitacora) col=fechahora ;; esac
    sqlite3 "$1" "SELECT COUNT(*) FROM $2 WHERE $col >= '2025-03-01' AND $col < '2025-04-01'"
}
sur="$tmp/demo/orvalo_sur.db"
antes=($(for t in checadas kardex bitacora; do cuenta "$sur" $t; done))

mkdir "$tmp/programa"
cp "$exe" "$tmp/programa/"
wine "$tmp/programa/$(basename "$exe")" >"$tmp/ventana.log" 2>&1 &
procesos+=($!)
sonda espera-libre 120 || falla "la lista no se llenó"
[ "$(sonda minimo 0)" = 1753-01-01 ] || falla "DTPicker1(0) no tiene el mínimo de SQL Server"

[ "$(sonda tamano)" = "585 521" ] || falla "el área interior no mide 8775 × 7815 twips a 96 ppp: $(sonda tamano)"

# Con el teclado, como en Windows: Alt+T lleva a las tareas y Alt+C a la lista; F4 y Alt+Flecha abajo
# abren el calendario, y al elegir en él un día (Escape no lo cierra bajo wine) el foco vuelve al selector.
for paso in 'alt+t|SysTreeView32 111' 'alt+c|SysListView32 113' 'Tab|SysDateTimePick32 100' 'F4|SysMonthCal32' \
    'dia|SysDateTimePick32 100' 'Tab|SysDateTimePick32 101' 'alt+Down|SysMonthCal32' 'dia|SysDateTimePick32 101'; do
    tecla=${paso%%|*}
    if [ "$tecla" = dia ]; then
        eval "$(xdotool getwindowfocus getwindowgeometry --shell)"
        clic $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
    else
        xdotool key "$tecla"
    fi
    sleep 0.4
    foco=$(sonda foco)
    [[ "$foco" == "${paso#*|}"* ]] || falla "tras $tecla el foco quedó en «$foco» y no en «${paso#*|}»"
done

# El primer clic en «Conexión» ordena al revés del arranque: Planta Sur queda arriba.
clic $(sonda encabezado 0)
sleep 0.3
clic $(sonda casilla-lista 0)
sleep 0.5
[ "$(sonda marcas)" = "10 00000000" ] || falla "marcar Planta Sur, arriba tras ordenar, no dio sus ocho pasos: $(sonda marcas)"
for k in 0 2 4; do # checadas, kardex y bitácora
    clic $(sonda casilla-arbol $k)
    sleep 0.3
done
[ "$(sonda marcas)" = "10 10101000" ] || falla "los pasos marcados no son los clicados: $(sonda marcas)"
sonda fecha 0 2025 3 1 >/dev/null && sonda fecha 1 2025 3 31 >/dev/null || falla "los selectores no tomaron las fechas"

clic $(sonda boton 103) # Iniciar
respuesta() { # responde Sí (6) o Aceptar (1) al cuadro; deja su texto en $tmp/$3
    sonda caja "$1" "$2" 300 >"$tmp/$3" || falla "no apareció el cuadro «$1»"
    clic $(head -1 "$tmp/$3")
}
titulo='Depuración de base de datos Orvalo v2.2.0'
respuesta Advertencia 6 pregunta1
sleep 0.5
sonda caja Advertencia 6 300 'Filas que se eliminar' >"$tmp/pregunta2" || falla "no apareció la segunda pregunta"
grep -q 'Filas que se eliminarán' "$tmp/pregunta2" || falla "la segunda pregunta no trae las cuentas: $(cat "$tmp/pregunta2")"
# La base ocupada unos segundos por otro programa: la corrida espera su candado, y mientras tanto el
# cuadro de cierre no la corta: avisa, sin esperar respuesta, y el aviso se va solo al terminar.
(echo 'BEGIN EXCLUSIVE;'; sleep 6; echo 'COMMIT;') | sqlite3 "$tmp/demo/orvalo_sur.db" &
procesos+=($!)
sleep 1
clic $(head -1 "$tmp/pregunta2")
sleep 0.5
xdotool key alt+F4
sonda caja "$titulo" 1 60 'en curso' >"$tmp/aviso" || falla "cerrar a media corrida no avisó"
sonda caja "$titulo" 1 300 'Proceso de depuración terminado' >"$tmp/final" || falla "no llegó el aviso final"
sleep 1
! sonda caja "$titulo" 1 0 'en curso' >/dev/null 2>&1 || falla "el aviso de cierre siguió abierto tras la corrida"
clic $(head -1 "$tmp/final")
sonda espera-libre 120 || falla "la ventana no volvió a quedar libre"
clic $(sonda boton 102) # Salir
for _ in $(seq 100); do pgrep -f "programa/$(basename "$exe")" >/dev/null || break; sleep 0.2; done

# Lo eliminado es lo que dijo la segunda pregunta (sin los espacios de los miles).
dichas=($(sed 's/\xc2\xa0//g; s/\xe2\x80\xaf//g' "$tmp/pregunta2" | grep -o '[0-9][0-9]* de [0-9][0-9]*' | cut -d' ' -f1))
despues=($(for t in checadas kardex bitacora; do cuenta "$sur" $t; done))
[ "${#dichas[@]}" -eq 3 ] || falla "se esperaban tres cuentas en: $(cat "$tmp/pregunta2")"
for i in 0 1 2; do
    [ "${dichas[$i]}" -gt 0 ] && [ $((antes[i] - despues[i])) -eq "${dichas[$i]}" ] ||
        falla "tabla $i: se dijo ${dichas[$i]} y se eliminaron $((antes[i] - despues[i]))"
done

# La misma corrida con el programa de Linux, desde su propia carpeta (su bitácora va junto a él).
mkdir "$tmp/linux"
cp "$linux/ovnalvora" "$tmp/linux/"
"$tmp/linux/ovnalvora" --registro "$tmp/orvalo.reg" --depurar --conexion 'Planta Sur' --desde 2025-03-01 \
    --hasta 2025-03-31 --pasos 1,3,5 --si >/dev/null || falla "la corrida de Linux falló"
# Sin la hora, sin los CR ni los segundos que tardó cada tabla.
corrida() { tr -d '\r' | sed -n '/Inicia depuración/,/Termina depuración/p' | cut -f2- | sed -E 's/, [0-9]+ s, /, S s, /'; }
iconv -f WINDOWS-1252 -t UTF-8 "$tmp"/programa/Log/*.log | corrida >"$tmp/bitacora_ventana.txt"
corrida <"$tmp"/linux/Log/*.log >"$tmp/bitacora_linux.txt"
[ -s "$tmp/bitacora_linux.txt" ] || falla "la bitácora de Linux no trae la corrida"
diff -u "$tmp/bitacora_linux.txt" "$tmp/bitacora_ventana.txt" || falla "la bitácora de la ventana difiere de la de Linux"
echo "Ventana de Windows: ${dichas[*]} filas eliminadas como dijo la segunda pregunta; bitácora igual a la de Linux."
