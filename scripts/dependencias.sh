#!/usr/bin/env bash
# Instala con apt-get lo que falte (Debian 12). No hace nada si ya está todo.
set -euo pipefail

paquetes=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libgtest-dev
          unixodbc unixodbc-dev libsqliteodbc tdsodbc odbc-postgresql postgresql
          sqlite3 libsqlite3-dev xvfb xauth
          libantlr4-runtime4.9 libicu72 libossp-uuid16 libxml2 libssl3 libreadline8 freetds-bin # servidor T-SQL
          fonts-wine # Tahoma libre: la ventana se diseñó con ella
          # La compilación para Windows y sus pruebas bajo wine (GoogleTest desde sus fuentes).
          g++-mingw-w64-x86-64 wine wine64 googletest)

faltan=()
for p in "${paquetes[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        faltan+=("$p")
    fi
done
[ ${#faltan[@]} -eq 0 ] && exit 0

sudo_si_hace_falta=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_si_hace_falta=(sudo)
fi
echo "Instalando: ${faltan[*]}"
"${sudo_si_hace_falta[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_si_hace_falta[@]}" apt-get install -y -qq "${faltan[@]}"
