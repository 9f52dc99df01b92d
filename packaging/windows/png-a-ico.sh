#!/usr/bin/env bash
# Un .ico de una sola imagen que guarda el PNG tal cual (lo leen Windows Vista y posteriores y wine).
# Uso: png-a-ico.sh ENTRADA.png SALIDA.ico
set -euo pipefail
png=$1
ico=$2
largo=$(stat -c %s "$png")
# Ancho y alto del encabezado IHDR (bytes 16 a 23, big-endian); 256 se escribe 0.
ancho=$(od -An -tu1 -j16 -N4 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4}')
alto=$(od -An -tu1 -j20 -N4 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4}')
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $((($1 >> 16) & 65535)); }
{
    le16 0; le16 1; le16 1                                  # reservado, tipo icono, una imagen
    printf "\\x$(printf %02x $((ancho & 255)))\\x$(printf %02x $((alto & 255)))\\x00\\x00"
    le16 1; le16 32; le32 "$largo"; le32 22                 # planos, bits, tamaño, desplazamiento
    cat "$png"
} >"$ico"
