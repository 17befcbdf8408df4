#!/usr/bin/env bash
# "INICIAR " on a folder of damaged pictures among good ones: the good ones are converted, the
# run ends with one message box listing what failed, and after Enter closes it the window
# still answers the pointer.
# Usage: damaged_files.sh <built program folder> [picture corpus folder]
set -euo pipefail
source "$(dirname "$0")/driver.sh"
corpus=${2:-}

e2e_start_x "$e2e_screen"
e2e_copy_program "$1"
e2e_make_picture "$e2e_folder/buena.gif" 120x90
# Damage of our own: a JPEG cut in half, text posing as a BMP, an empty GIF.
e2e_make_picture "$e2e_tmp/entera.jpg" 400x300
head -c "$(($(stat -c %s "$e2e_tmp/entera.jpg") / 2))" "$e2e_tmp/entera.jpg" >"$e2e_folder/cortada.jpg"
printf 'esto no es un BMP\n%.0s' {1..50} >"$e2e_folder/basura.bmp"
: >"$e2e_folder/vacia.gif"
# And real damaged files where the shared corpus is at hand: ones every decoder must refuse.
if [[ -d $corpus/bad ]]; then
  for name in missing-sof.jpg bomba_60000x60000.jpg null_height.jpg reallybig.bmp badbitcount.bmp \
    zero_width.gif x.gif; do
    if [[ -f $corpus/bad/$name ]]; then cp "$corpus/bad/$name" "$e2e_folder/"; fi
  done
else
  echo "sin el corpus compartido: solo archivos dañados propios"
fi
e2e_run_program
e2e_attach "$(e2e_wait_window)"

e2e_click Command1
jpg="$e2e_folder/DestinoJPG"
e2e_wait_pictures 60 "$jpg/buena.jpg" "$jpg/muestra.jpg"
# The box comes at the end of the run, over the window.
box=$(e2e_find_window '^Velaria$')
[[ $(xprop -id "$box" WM_TRANSIENT_FOR) == *"$(printf '0x%x' "$e2e_window")"* ]] ||
  e2e_fail "la caja «Velaria» no pertenece a la ventana"
[[ $(e2e_names "$jpg") == "buena.jpg muestra.jpg " ]] || e2e_fail "en DestinoJPG hay: $(e2e_names "$jpg")"
e2e_enter_closes "$box" '^Velaria$'

# The window still answers: the pointer over a height handle turns the lower one blue.
e2e_point Picture3 0
tall_blue() {
  e2e_seen && [[ $e2e_tall_colour == 0000FF ]]
}
e2e_wait 20 "tras la conversión la ventana ya no responde al puntero" tall_blue

e2e_close_window "$e2e_window"
[[ $e2e_status -eq 0 ]] || e2e_fail "el programa terminó con estado $e2e_status"
echo "ok: $(find "$e2e_folder" -maxdepth 1 -type f | wc -l) archivos en la carpeta, 2 convertidos, aviso al final y la ventana sigue respondiendo"
