#!/usr/bin/env bash
# The built program, started in a real X server: its window appears maximised with its caption,
# the sample fills the preview frame's width, the handles stand on the frame's edges and show
# which pair the pointer passed over last, and closing the window ends the program.
set -euo pipefail
source "$(dirname "$0")/driver.sh"

e2e_start "$1"
title=$(xdotool getwindowname "$e2e_window")
[[ $title == "Velaria 1.0 - "*" - "* ]] || e2e_fail "título inesperado: $title"

# The sample, scaled to the frame's size, fills it from the corner inside its sunken border
# (2 pixels); only what would lie beyond the inside is cut off.
shows_sample_scaled() {
  local inside
  e2e_seen || return 1
  inside="$((e2e_frame_width - 4))x$((e2e_frame_height - 4))"
  convert "$e2e_shot_file" -crop "$inside+$((e2e_frame_left + 2))+$((e2e_frame_top + 2))" +repage \
    "$e2e_tmp/vista.png"
  convert "$e2e_folder/muestra.jpg" -resize "${e2e_frame_width}x${e2e_frame_height}!" \
    -crop "$inside+0+0" +repage "$e2e_tmp/esperada.png"
  e2e_alike "$e2e_tmp/vista.png" "$e2e_tmp/esperada.png"
}
e2e_wait 20 "la vista previa no muestra muestra.jpg a la anchura del marco" shows_sample_scaled

# The frame keeps its place and width from the layout; its height follows the sample's
# proportion (800 x 600 pixels), the movable handles its right and bottom edges.
e2e_control Picture1
left=$(e2e_px "$e2e_left") top=$(e2e_px "$e2e_top") width=$(e2e_px "$e2e_width")
[[ $e2e_frame_left -eq $left && $e2e_frame_top -eq $top ]] ||
  e2e_fail "el marco empieza en ($e2e_frame_left, $e2e_frame_top), no en ($left, $top) como dice la tabla"
[[ $e2e_frame_width -eq $width ]] || e2e_fail "el marco mide $e2e_frame_width de ancho, no $width"
e2e_one_of "$e2e_frame_height" "$(e2e_scaled "$e2e_frame_width" 600 800)" ||
  e2e_fail "el marco mide $e2e_frame_height de alto para $e2e_frame_width de ancho y una muestra 4:3"
e2e_expect_handles_on_frame

e2e_keep_picture velaria.png

# The pointer over a handle turns that pair's movable handle blue and the other one white.
start_colour=$e2e_wide_colour
[[ $start_colour == "$e2e_tall_colour" && $start_colour != 0000FF ]] ||
  e2e_fail "colores de arranque de los tiradores: $e2e_wide_colour y $e2e_tall_colour"
touched() {
  e2e_look
  [[ $e2e_wide_colour == "$1" && $e2e_tall_colour == "$2" ]]
}
e2e_point Picture3 0
e2e_wait 20 "sobre el tirador de la altura, el de abajo no se volvió azul" touched FFFFFF 0000FF
e2e_point Picture2 0
e2e_wait 20 "sobre el tirador de la anchura, el de la derecha no se volvió azul" touched 0000FF FFFFFF
# Passing over them moved nothing.
[[ $e2e_wide_right -eq $e2e_frame_right && $e2e_tall_bottom -eq $e2e_frame_bottom &&
  $e2e_frame_width -eq $width ]] || e2e_fail "pasar el puntero movió el marco"

e2e_close_window "$e2e_window"
[[ $e2e_status -eq 0 ]] || e2e_fail "el programa terminó con estado $e2e_status"
echo "ok: $title, maximizada, marco de ${e2e_frame_width}x$e2e_frame_height con la muestra, tiradores en sus bordes, cerrada con estado 0"
