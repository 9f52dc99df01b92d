#!/usr/bin/env bash
# De punta a punta bajo wine: ovnalvora.exe con las conexiones escritas por `wine reg add … /reg:32`
# (como las escribe el producto de 32 bits) sobre las bases de la demostración, por el odbc32 de
# wine, el unixODBC del anfitrión y su driver SQLite3. Lo que muestra debe ser lo mismo que muestra
# el programa de Linux con esas conexiones en un .reg.
# Uso: extremo_a_extremo.sh RUTA/ovnalvora.exe CARPETA_DE_LA_COMPILACION_DE_LINUX
set -euo pipefail
exe=$1
linux=$2
for p in "$linux/genera_demo" "$linux/ovnalvora"; do
    [ -x "$p" ] || { echo "Falta $p: compile antes para Linux (scripts/compila.sh)." >&2; exit 1; }
done

clave='HKLM\Software\Quintara'
borra_registro() {
    wine reg delete "$clave" /f /reg:32 >/dev/null 2>&1 || true
    wine reg delete "$clave" /f /reg:64 >/dev/null 2>&1 || true
}
tmp=$(mktemp -d "${TMPDIR:-/tmp}/ovnalvora-wine-XXXXXX")
trap 'borra_registro; [ -n "${OV_CONSERVA:-}" ] || rm -rf "$tmp"' EXIT
falla() {
    echo "FALLA: $*" >&2
    exit 1
}
# Lo que escribe un programa de consola de Windows lleva CRLF; se compara sin los CR. El nombre del
# equipo (Windows lo da en mayúsculas) y la hora de la corrida en el guion de --simular tampoco cuentan.
equipo=$(hostname)
sin_cr() { tr -d '\r' | sed -E "/ovnalvora_origen VALUES/ {s/'$equipo'/'EQUIPO'/I; s/'[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}'/'HORA'/}"; }

# Las bases en una carpeta sin acentos: el driver SQLite del anfitrión recibe mal una ruta con acentos
# en SQLDriverConnectW bajo wine ("Año" llega como "A\xfdo"), y eso no es de este programa.
demo="$tmp/demo"
"$linux/genera_demo" "$demo" >/dev/null
# Una carpeta del programa con acentos: GetModuleFileNameW y las rutas en UTF-16.
programa="$tmp/programa Ñandú"
mkdir "$programa"
cp "$exe" "$programa/ovnalvora.exe"
prog="$programa/ovnalvora.exe"
norte="Driver=SQLite3;Database=$demo/orvalo_norte.db"
sur="Driver=SQLite3;Database=$demo/orvalo_sur.db"
corporativo='Provider=SQLOLEDB.1;User ID=sa;Password=Demo2024;Initial Catalog=Orvalo;Data Source=127.0.0.1,1;Connect Timeout=3'

# Entradas: 0 con blancos; 1 con acentos (llega en UTF-16 por la línea de órdenes); 2 repite el nombre de la 0 en otras mayúsculas (se sondea por la 0);
# 3 un servidor que no contesta; la 4 falta, así que la 5 no se ve; la 4 de la vista de 64 bits,
# que el producto de 32 bits no ve, tampoco.
borra_registro
escribe() { # entrada valor dato [vista]
    wine reg add "$clave\\Orvalo\\Conexiones\\$1" /v "$2" /t REG_SZ /d "$3" /f "${4:-/reg:32}" >/dev/null
}
escribe 0 Name '  Planta Norte  '
escribe 0 Conn "$norte"
escribe 1 Name 'Planta Sur Ñuñoa'
escribe 1 Conn "$sur"
escribe 2 Name 'planta norte'
escribe 2 Conn 'Driver=NoExisteEsteDriver'
escribe 3 Name 'Corporativo SQL'
escribe 3 Conn "$corporativo"
escribe 5 Name 'Detrás del hueco'
escribe 5 Conn "$norte"
escribe 4 Name 'Solo en 64 bits' /reg:64
escribe 4 Conn "$norte" /reg:64

# Las mismas entradas 0 a 3 para el programa de Linux.
{
    printf 'REGEDIT4\r\n'
    n=0
    for par in '  Planta Norte  |'"$norte" 'Planta Sur Ñuñoa|'"$sur" 'planta norte|Driver=NoExisteEsteDriver' \
        'Corporativo SQL|'"$corporativo"; do
        printf '\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Quintara\\Orvalo\\Conexiones\\%d]\r\n"Name"="%s"\r\n"Conn"="%s"\r\n' \
            "$n" "${par%%|*}" "${par#*|}"
        n=$((n + 1))
    done
} | iconv -f UTF-8 -t WINDOWS-1252 >"$tmp/orvalo.reg" # REGEDIT4 va en ANSI

version=$(wine "$prog" --version | sin_cr)
[ "$version" = "ovNalvora v2.2.0" ] || falla "--version dio «$version»"

wine "$prog" --conexiones | sin_cr >"$tmp/conexiones_wine.txt" || falla "--conexiones terminó con error"
"$linux/ovnalvora" --registro "$tmp/orvalo.reg" --conexiones | sin_cr >"$tmp/conexiones_linux.txt"
diff -u "$tmp/conexiones_linux.txt" "$tmp/conexiones_wine.txt" || falla "--conexiones difiere del de Linux"
[ "$(wc -l <"$tmp/conexiones_wine.txt")" -eq 5 ] || falla "se esperaban 4 conexiones y el encabezado"
grep -q $'^  Planta Norte  \t[0-9]' "$tmp/conexiones_wine.txt" || falla "la 0 no trae sus cifras"
grep -q $'^planta norte\t.*\tok$' "$tmp/conexiones_wine.txt" || falla "el nombre repetido no se sondeó por la 0"
grep -q $'^Corporativo SQL\t.*\tsin conexión: \[FreeTDS\]' "$tmp/conexiones_wine.txt" ||
    falla "Corporativo SQL no quedó sin conexión, con su porqué"
! grep -q 'Solo en 64 bits\|Detrás del hueco' "$tmp/conexiones_wine.txt" || falla "se listó una clave que no debía"
! grep -q 'Demo2024' "$tmp/conexiones_wine.txt" || falla "la contraseña salió en la consola"

# En una consola de verdad (script le da una terminal a wine) los acentos salen por WriteConsoleW,
# no dobles como por el runtime de C.
script -qfc "wine '$prog' --conexiones" /dev/null | sin_cr >"$tmp/consola.txt"
# La consola de wine pone sus propias secuencias de escape y cambia los tabuladores por blancos.
grep -q 'Conexión *Tamaño' "$tmp/consola.txt" || falla "en la consola el encabezado no salió bien: $(head -1 "$tmp/consola.txt")"
! grep -q 'Ã' "$tmp/consola.txt" || falla "en la consola los acentos salieron dobles"
# /? y -h son la ayuda, que dice los ocho pasos.
for opcion in '/?' -h; do
    [ "$(wine "$prog" "$opcion" | sin_cr)" = "$(wine "$prog" --ayuda | sin_cr)" ] || falla "$opcion no mostró la ayuda"
done
wine "$prog" --ayuda | sin_cr | grep -q '^  8  actualiza las cifras de uso' || falla "la ayuda no dice los pasos"
# Sin terminal para preguntar (la entrada es NUL o un archivo) no se depura: 2 y por qué.
codigo=0
printf 'ovnalvora.exe --depurar --conexion "Planta Norte" --desde 2025-03-01 --hasta 2025-03-31 <NUL\r\n' \
    >"$programa/sin_terminal.cmd"
(cd "$programa" && wine cmd /c sin_terminal.cmd) >/dev/null 2>"$tmp/sin_terminal.txt" || codigo=$?
[ "$codigo" -eq 2 ] || falla "con la entrada de NUL salió $codigo y no 2"
grep -q 'No hay una terminal' "$tmp/sin_terminal.txt" || falla "con la entrada de NUL no dijo que no hay terminal"
# El LEEME se lee bien en el Bloc de notas: UTF-8 con BOM y CRLF en cada línea.
leeme="$(dirname "$0")/../../packaging/windows/LEEME.txt"
[ "$(head -c 3 "$leeme" | od -An -tx1 | tr -d ' ')" = efbbbf ] || falla "LEEME.txt no empieza con el BOM de UTF-8"
! grep -qv $'\r$' "$leeme" || falla "LEEME.txt tiene líneas sin CRLF"

# Simular sobre las dos bases, con el nombre de la 0 sin sus blancos.
simula=(--depurar --conexion 'PLANTA NORTE' --conexion 'PLANTA SUR ÑUÑOA' --desde 2025-03-01 --hasta 2025-03-31 --simular)
wine "$prog" "${simula[@]}" | sin_cr >"$tmp/simula_wine.txt" || falla "--simular terminó con error"
"$linux/ovnalvora" --registro "$tmp/orvalo.reg" "${simula[@]}" | sin_cr >"$tmp/simula_linux.txt"
diff -u "$tmp/simula_linux.txt" "$tmp/simula_wine.txt" || falla "--simular difiere del de Linux"
grep -q $'^  Planta Norte  \ttransacciones\t[0-9][0-9]*\t[0-9][0-9]*' "$tmp/simula_wine.txt" ||
    falla "--simular no trae las cuentas de la 0"
# La corrida de verdad sobre Planta Sur: su bitácora, junto al .exe, va en Windows-1252.
wine "$prog" --depurar --conexion 'planta sur ñuñoa' --desde 2025-03-01 --hasta 2025-03-31 --si >"$tmp/corrida.txt" ||
    falla "la depuración terminó con error: $(cat "$tmp/corrida.txt")"
bitacora=("$programa"/Log/ovNalvora_*.log)
[ -f "${bitacora[0]}" ] || falla "no se escribió la bitácora en Log junto al programa"
grep -q $'\tInicia depuraci\xf3n del 2025-03-01 al 2025-03-31.\r$' "${bitacora[0]}" ||
    falla "la bitácora no trae «Depuración» en Windows-1252 con CRLF"
! grep -q 'Demo2024\|ó' "${bitacora[0]}" || falla "la bitácora trae UTF-8 o la contraseña"
despues=(--depurar --conexion 'Planta Sur Ñuñoa' --desde 2025-03-01 --hasta 2025-03-31 --simular)
wine "$prog" "${despues[@]}" | sin_cr | grep -q $'^Planta Sur Ñuñoa\tchecadas\t0\t' || falla "quedaron checadas del rango"
echo "ovnalvora.exe bajo wine: --version, --conexiones y --simular iguales a Linux; depuración y bitácora en 1252."
