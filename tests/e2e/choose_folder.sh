#!/usr/bin/env bash
# "SELECCIONAR CARPETA", a file picked in the real open-file dialog by typing its path: the list
# now shows that file's folder; clicking an entry previews it in the frame; "INICIAR " converts
# that folder's pictures, and not the program folder's. No handle was touched, so the height
# drives: every picture comes out as high as the frame.
set -euo pipefail
source "$(dirname "$0")/driver.sh"

e2e_start "$1"
folder="$e2e_tmp/Fotos del viaje"
mkdir "$folder"
e2e_make_picture "$folder/rojo.bmp" 320x160 red
e2e_make_picture "$folder/verde.jpg" 160x300 lime
echo "no es una imagen" >"$folder/leeme.txt"

e2e_click Command2
e2e_choose_file "$folder/verde.jpg"

# In name order: leeme.txt, rojo.bmp, verde.jpg. Selecting the text file shows nothing new.
# (Its highlight shows once the click has been handled.)
frame_height=$e2e_frame_height
sample_middle=$(e2e_frame_middle_colour)
e2e_learn_list
e2e_measure
[[ $(e2e_frame_middle_colour) == "$sample_middle" && $e2e_frame_height -eq $frame_height ]] ||
  e2e_fail "al pulsar leeme.txt cambió la vista previa"
previews() {
  e2e_seen && e2e_near "$(e2e_frame_middle_colour)" "$1"
}
e2e_click_entry 2
e2e_wait 20 "al pulsar rojo.bmp el marco no se volvió rojo" previews FF0000
e2e_click_entry 3
e2e_wait 20 "al pulsar verde.jpg el marco no se volvió verde" previews 00FF00
# Previewing keeps the frame on the right-hand width handle and the sample's proportion.
[[ $e2e_frame_height -eq $frame_height && $e2e_wide_right -eq $e2e_frame_right &&
  $e2e_tall_bottom -eq $e2e_frame_bottom ]] || e2e_fail "la vista previa movió el marco o lo separó de sus tiradores"

e2e_click Command1
jpg="$e2e_folder/DestinoJPG"
e2e_wait_pictures 60 "$jpg/rojo.jpg" "$jpg/verde.jpg"
[[ $(e2e_names "$jpg") == "rojo.jpg verde.jpg " ]] || e2e_fail "en DestinoJPG hay: $(e2e_names "$jpg")"
e2e_check_output "$jpg/rojo.jpg" "$folder/rojo.bmp" JPEG "$(e2e_scaled "$frame_height" 320 160)" "$frame_height"
e2e_check_output "$jpg/verde.jpg" "$folder/verde.jpg" JPEG "$(e2e_scaled "$frame_height" 160 300)" "$frame_height"

e2e_close_window "$e2e_window"
[[ $e2e_status -eq 0 ]] || e2e_fail "el programa terminó con estado $e2e_status"
echo "ok: carpeta elegida en el diálogo, vistas previas, 2 imágenes de $frame_height píxeles de alto"
