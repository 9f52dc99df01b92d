#!/usr/bin/env bash
# Dibuja las imágenes de 16 × 16 de la ventana con ImageMagick. Se corre a mano una vez;
# el proyecto guarda solo los PNG que salen de aquí.
set -euo pipefail
cd "$(dirname "$0")/../src/app/qt/imagenes"

lienzo=(-size 16x16 xc:none)
png=(-depth 8 -define png:color-type=6 -strip)

# Tambor de base de datos gris: cuerpo, fondo redondeado y tapa más clara.
convert "${lienzo[@]}" -stroke '#4a4a4a' -strokewidth 1 \
    -fill '#9a9a9a' -draw 'ellipse 7.5,12.5 5.5,2 0,180' \
    -stroke none -fill '#9a9a9a' -draw 'rectangle 2,3 13,12.5' \
    -stroke '#4a4a4a' -draw 'line 2,3 2,12.5' -draw 'line 13,3 13,12.5' \
    -fill '#7c7c7c' -stroke none -draw 'rectangle 3,5 4,12' \
    -fill '#d8d8d8' -stroke '#4a4a4a' -draw 'ellipse 7.5,3 5.5,2 0,360' \
    "${png[@]}" tambor.png

# Flecha azul hacia la derecha.
convert "${lienzo[@]}" -fill '#1f5fd0' -stroke '#0b2f80' -strokewidth 1 \
    -draw 'polygon 1.5,5.5 8.5,5.5 8.5,1.5 14.5,7.5 8.5,13.5 8.5,9.5 1.5,9.5' \
    "${png[@]}" flecha.png

# Palomita verde.
convert "${lienzo[@]}" -fill '#1fa035' -stroke '#0d6a1c' -strokewidth 1 \
    -draw 'polygon 1.5,8 3.5,6 6,8.5 12.5,2 14.5,4 6,12.5' \
    "${png[@]}" palomita.png

# Triángulo de advertencia amarillo con el signo de admiración oscuro.
convert "${lienzo[@]}" -fill '#ffd21f' -stroke '#7a5a00' -strokewidth 1 \
    -draw 'polygon 7.5,0.5 15,14.5 0,14.5' \
    -stroke none -fill '#202020' -draw 'rectangle 7,4.5 8,9.5' -draw 'rectangle 7,11 8,12.5' \
    "${png[@]}" advertencia.png

# Cruz roja en diagonal.
convert "${lienzo[@]}" -fill none -stroke '#d01818' -strokewidth 3 \
    -draw 'line 3,3 12,12' -draw 'line 12,3 3,12' \
    "${png[@]}" cruz.png

# Ícono de la ventana: el tambor azul con un distintivo rojo de borrar.
convert "${lienzo[@]}" -stroke '#1d3f73' -strokewidth 1 \
    -fill '#4f86d0' -draw 'ellipse 6.5,12.5 5,2 0,180' \
    -stroke none -fill '#4f86d0' -draw 'rectangle 1.5,3 11.5,12.5' \
    -stroke '#1d3f73' -draw 'line 1.5,3 1.5,12.5' -draw 'line 11.5,3 11.5,12.5' \
    -fill '#a9c8f0' -stroke '#1d3f73' -draw 'ellipse 6.5,3 5,2 0,360' \
    -fill '#d01818' -stroke white -strokewidth 1 -draw 'circle 11.5,11.5 11.5,7.5' \
    -stroke none -fill white -draw 'rectangle 9,11 14,12' \
    "${png[@]}" ventana.png
