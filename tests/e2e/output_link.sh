#!/usr/bin/env bash
# Outputs that stand as links to files elsewhere (left by a backup tool, or planted): "INICIAR "
# puts a picture file of its own in each link's place and never writes through the link, so
# the files the links point to, and all else outside the program folder, stay as they were.
set -euo pipefail
source "$(dirname "$0")/driver.sh"

e2e_start_x "$e2e_screen"
e2e_copy_program "$1"
e2e_make_picture "$e2e_folder/faro.gif" 200x150
jpg="$e2e_folder/DestinoJPG" bmp="$e2e_folder/DestinoBMP"
mkdir -p "$jpg" "$bmp"
outside="$e2e_tmp/fuera"
mkdir "$outside"
echo "las notas de otro, no una imagen" >"$outside/notas.txt"
head -c 3000 /dev/urandom >"$outside/datos.bin"
cp -a "$outside" "$e2e_tmp/fuera.antes"
# One link by its whole path, one relative to the output folder.
ln -s "$outside/notas.txt" "$bmp/faro.bmp"
ln -s ../../fuera/datos.bin "$jpg/faro.jpg"
cmp -s "$jpg/faro.jpg" "$outside/datos.bin" || e2e_fail "el enlace relativo no apunta a datos.bin"
outside_state() {
  find "$outside" -printf '%P %y %s %m %T@\n' | LC_ALL=C sort
}
before=$(outside_state)
e2e_run_program
e2e_attach "$(e2e_wait_window)"

e2e_click_box 1
both() {
  e2e_shot && e2e_ticked 0 && e2e_ticked 1
}
e2e_wait 20 "no se pudo marcar también la casilla BMP" both
e2e_click Command1
e2e_wait_pictures 60 "$jpg/"{faro,muestra}.jpg "$bmp/"{faro,muestra}.bmp

diff -r "$e2e_tmp/fuera.antes" "$outside" >&2 || e2e_fail "la conversión escribió a través de un enlace"
[[ $(outside_state) == "$before" ]] || e2e_fail "cambió la carpeta de fuera: $(outside_state)"
for output in "$jpg/faro.jpg:JPEG" "$bmp/faro.bmp:BMP"; do
  file=${output%:*}
  [[ -f $file && ! -L $file ]] || e2e_fail "$(basename "$file") sigue siendo un enlace"
  [[ $(e2e_picture "$file") == *" ${output##*:}"* ]] || e2e_fail "$(basename "$file") es $(e2e_picture "$file")"
done
[[ $(e2e_names "$jpg")$(e2e_names "$bmp") == "faro.jpg muestra.jpg faro.bmp muestra.bmp " ]] ||
  e2e_fail "en las carpetas de salida hay: $(e2e_names "$jpg")$(e2e_names "$bmp")"

e2e_close_window "$e2e_window"
[[ $e2e_status -eq 0 ]] || e2e_fail "el programa terminó con estado $e2e_status"
echo "ok: los enlaces de salida sustituidos por imágenes JPEG y BMP; lo que señalaban, intacto"
