#!/usr/bin/env bash
# Instala con apt-get lo que falte (Debian 12). No hace nada si ya está todo.
set -euo pipefail

paquetes=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libgtest-dev
          unixodbc unixodbc-dev libsqliteodbc tdsodbc odbc-postgresql postgresql
          sqlite3 libsqlite3-dev xvfb xauth
          libantlr4-runtime4.9 libicu72 libossp-uuid16 libxml2 libssl3 libreadline8 freetds-bin # servidor T-SQL
          fonts-wine # Tahoma libre: la ventana se diseñó con ella
          # La compilación para Windows y sus pruebas bajo wine (GoogleTest desde sus fuentes).
          g++-mingw-w64-x86-64 wine wine64 googletest
          # La ventana de Windows bajo wine: el operador simulado, el gestor de ventanas (el calendario
          # y el foco lo piden) y el español de las fechas.
          locales openbox xdotool)

faltan=()
for p in "${paquetes[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        faltan+=("$p")
    fi
done

sudo_si_hace_falta=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_si_hace_falta=(sudo)
fi
if [ ${#faltan[@]} -ne 0 ]; then
    echo "Instalando: ${faltan[*]}"
    "${sudo_si_hace_falta[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_si_hace_falta[@]}" apt-get install -y -qq "${faltan[@]}"
fi

# wine solo habla español con LANG o LC_ALL en un es_MX.UTF-8 generado (LC_TIME solo no basta).
if ! locale -a 2>/dev/null | grep -qix 'es_MX\.utf-\?8'; then
    echo "Generando la localización es_MX.UTF-8"
    "${sudo_si_hace_falta[@]}" sed -i 's/^# *\(es_MX\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -qx 'es_MX.UTF-8 UTF-8' /etc/locale.gen ||
        echo 'es_MX.UTF-8 UTF-8' | "${sudo_si_hace_falta[@]}" tee -a /etc/locale.gen >/dev/null
    "${sudo_si_hace_falta[@]}" locale-gen >/dev/null
fi
