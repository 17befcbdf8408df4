#!/usr/bin/env bash
# A drag of the right-hand width handle with the proportion kept, then "INICIAR " on the program
# folder, which the list shows at start-up: every picture there comes out exactly as wide as the
# frame shows and as high as its own proportion makes it, as JPEG and, once ticked, as BMP; the
# files that are not JPG, GIF or BMP pictures are passed over.
set -euo pipefail
source "$(dirname "$0")/driver.sh"

e2e_start_x "$e2e_screen"
e2e_copy_program "$1"
# Beside the sample (800 x 600): pictures of other proportions and kinds, and other files.
e2e_make_picture "$e2e_folder/paisaje.jpg" 300x200
e2e_make_picture "$e2e_folder/retrato.gif" 210x420
e2e_make_picture "$e2e_folder/CUADRO.BMP" 250x250
e2e_make_picture "$e2e_folder/dibujo.png" 100x100
echo "no es una imagen" >"$e2e_folder/notas.txt"
e2e_run_program
e2e_attach "$(e2e_wait_window)"

# Grab the handle in its middle and drag it to the right through several positions; its left
# edge follows the pointer.
start_right=$e2e_frame_right
grab=$(((e2e_wide_left + e2e_wide_right) / 2))
e2e_control Picture2 1
y=$(($(e2e_px "$e2e_top") + $(e2e_px "$e2e_height") / 2))
target=$((grab + 230))
e2e_drag "$grab" "$y" "$target" "$y" 10
dragged() {
  e2e_seen && ((e2e_wide_left >= target - 2))
}
e2e_wait 20 "el tirador no siguió al puntero hasta $target" dragged
((e2e_wide_left <= target)) || e2e_fail "el tirador pasó del puntero: $e2e_wide_left > $target"
((e2e_frame_right > start_right + 200)) || e2e_fail "el marco no se ensanchó: acaba en $e2e_frame_right"
e2e_expect_handles_on_frame
e2e_one_of "$e2e_frame_height" "$(e2e_scaled "$e2e_frame_width" 600 800)" ||
  e2e_fail "el marco de $e2e_frame_width de ancho no guarda la proporción de la muestra: $e2e_frame_height de alto"
[[ $e2e_wide_colour == 0000FF && $e2e_tall_colour == FFFFFF ]] ||
  e2e_fail "tras arrastrar la anchura los tiradores son $e2e_wide_colour y $e2e_tall_colour"
width=$e2e_frame_width

# JPG is ticked at start-up; tick BMP too.
e2e_click_box 1
both_ticked() {
  e2e_shot && e2e_ticked 0 && e2e_ticked 1
}
e2e_wait 20 "la casilla BMP no se marcó" both_ticked
e2e_keep_picture velaria-ancho.png

e2e_click Command1
jpg="$e2e_folder/DestinoJPG" bmp="$e2e_folder/DestinoBMP"
e2e_wait_pictures 60 "$jpg/"{CUADRO,muestra,paisaje,retrato}.jpg "$bmp/"{CUADRO,muestra,paisaje,retrato}.bmp
[[ $(e2e_names "$jpg") == "CUADRO.jpg muestra.jpg paisaje.jpg retrato.jpg " ]] ||
  e2e_fail "en DestinoJPG hay: $(e2e_names "$jpg")"
[[ $(e2e_names "$bmp") == "CUADRO.bmp muestra.bmp paisaje.bmp retrato.bmp " ]] ||
  e2e_fail "en DestinoBMP hay: $(e2e_names "$bmp")"
for picture in muestra.jpg:800:600 paisaje.jpg:300:200 retrato.gif:210:420 CUADRO.BMP:250:250; do
  IFS=: read -r name w h <<<"$picture"
  stem=${name%???}
  heights=$(e2e_scaled "$width" "$h" "$w")
  e2e_check_output "$jpg/${stem}jpg" "$e2e_folder/$name" JPEG "$width" "$heights"
  e2e_check_output "$bmp/${stem}bmp" "$e2e_folder/$name" BMP "$width" "$heights"
  [[ $(identify -format '%[interlace]' "$jpg/${stem}jpg") == JPEG ]] ||
    e2e_fail "${stem}jpg no es un JPEG progresivo"
done

e2e_close_window "$e2e_window"
[[ $e2e_status -eq 0 ]] || e2e_fail "el programa terminó con estado $e2e_status"
echo "ok: marco de $width píxeles de ancho; 4 imágenes en JPEG y BMP a esa anchura con su proporción"
