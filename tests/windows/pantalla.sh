# Se incluye con `source`: una pantalla para la ventana de Windows. Con OV_PANTALLA usa esa (con su
# gestor de ventanas); si no, arranca Xvfb en la primera pantalla libre desde la 100, con openbox
# (el calendario y el foco lo piden). Los procesos quedan en el arreglo `procesos`, para cerrarlos.
inicia_pantalla() { # carpeta de sus bitácoras
    if [ -n "${OV_PANTALLA:-}" ]; then
        export DISPLAY=$OV_PANTALLA
        return
    fi
    local n=100
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$1/xvfb.log" 2>&1 &
    procesos+=($!)
    export DISPLAY=":$n"
    for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
    openbox >"$1/openbox.log" 2>&1 &
    procesos+=($!)
    sleep 1
}
