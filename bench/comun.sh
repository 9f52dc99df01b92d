# Lo que comparten los bancos: compilar, medir con /usr/bin/time y quedarse con el menor tiempo.
bash scripts/compila.sh > /dev/null
command -v /usr/bin/time > /dev/null || { echo "Falta /usr/bin/time (paquete time)." >&2; exit 2; }
repeticiones=${REPETICIONES:-3}

mide() { # salida de /usr/bin/time -v → "segundos kB"
    awk -F': ' '/Elapsed \(wall clock\)/ {n=split($NF,p,":"); s=0; for(i=1;i<=n;i++) s=s*60+p[i]}
                /Maximum resident set size/ {kb=$NF} END {printf "%.2f %d\n", s, kb}' "$1"
}
menor() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
# Carpeta de trabajo que se borra al salir y, en ella, la demostración de N checadas en $demo.
demo_con() {
    trabajo=$(mktemp -d)
    trap 'rm -rf "$trabajo"' EXIT
    demo="$trabajo/demo"
    build/genera_demo "$demo" --checadas "$1" > /dev/null
}
