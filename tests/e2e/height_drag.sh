#!/usr/bin/env bash
# A drag of the lower height handle with the proportion kept makes the height drive: the frame's
# width follows the sample's proportion (here a sample of 640 x 512 pixels), and "INICIAR " with
# only BMP ticked writes every picture exactly as high as the frame shows, as wide as its own
# proportion makes it, and no JPEG.
set -euo pipefail
source "$(dirname "$0")/driver.sh"

e2e_start_x "$e2e_screen"
e2e_make_picture "$e2e_tmp/muestra.jpg" 640x512
e2e_copy_program "$1" "$e2e_tmp/muestra.jpg"
e2e_make_picture "$e2e_folder/ancha.bmp" 400x100
e2e_make_picture "$e2e_folder/alta.jpg" 150x450
e2e_run_program
e2e_attach "$(e2e_wait_window)"
e2e_one_of "$e2e_frame_height" "$(e2e_scaled "$e2e_frame_width" 512 640)" ||
  e2e_fail "el marco de arranque no tiene la proporción de la muestra: ${e2e_frame_width}x$e2e_frame_height"

# Grab the lower handle in its middle and drag it down; its top edge follows the pointer.
start_bottom=$e2e_frame_bottom
e2e_control Picture3 1
x=$(($(e2e_px "$e2e_left") + $(e2e_px "$e2e_width") / 2))
grab=$(((e2e_tall_top + e2e_tall_bottom) / 2))
target=$((grab + 150))
e2e_drag "$x" "$grab" "$x" "$target" 10
dragged() {
  e2e_seen && ((e2e_tall_top >= target - 2))
}
e2e_wait 20 "el tirador no siguió al puntero hasta $target" dragged
((e2e_tall_top <= target)) || e2e_fail "el tirador pasó del puntero: $e2e_tall_top > $target"
((e2e_frame_bottom > start_bottom + 120)) || e2e_fail "el marco no creció: acaba en $e2e_frame_bottom"
e2e_expect_handles_on_frame
e2e_one_of "$e2e_frame_width" "$(e2e_scaled "$e2e_frame_height" 640 512)" ||
  e2e_fail "el marco de $e2e_frame_height de alto no guarda la proporción de la muestra: $e2e_frame_width de ancho"
[[ $e2e_wide_colour == FFFFFF && $e2e_tall_colour == 0000FF ]] ||
  e2e_fail "tras arrastrar la altura los tiradores son $e2e_wide_colour y $e2e_tall_colour"
height=$e2e_frame_height

# BMP alone.
e2e_click_box 0
e2e_click_box 1
only_bmp() {
  e2e_shot && ! e2e_ticked 0 && e2e_ticked 1
}
e2e_wait 20 "no se pudo dejar marcada solo la casilla BMP" only_bmp

e2e_click Command1
bmp="$e2e_folder/DestinoBMP"
e2e_wait_pictures 60 "$bmp/"{alta,ancha,muestra}.bmp
[[ $(e2e_names "$bmp") == "alta.bmp ancha.bmp muestra.bmp " ]] || e2e_fail "en DestinoBMP hay: $(e2e_names "$bmp")"
[[ -z $(e2e_names "$e2e_folder/DestinoJPG") ]] || e2e_fail "sin JPG marcado se escribió $(e2e_names "$e2e_folder/DestinoJPG")"
for picture in muestra.jpg:640:512 ancha.bmp:400:100 alta.jpg:150:450; do
  IFS=: read -r name w h <<<"$picture"
  e2e_check_output "$bmp/${name%???}bmp" "$e2e_folder/$name" BMP "$(e2e_scaled "$height" "$w" "$h")" "$height"
done

e2e_close_window "$e2e_window"
[[ $e2e_status -eq 0 ]] || e2e_fail "el programa terminó con estado $e2e_status"
echo "ok: marco de $height píxeles de alto; 3 imágenes solo en BMP a esa altura con su proporción"
