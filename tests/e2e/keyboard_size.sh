#!/usr/bin/env bash
# The size set with the keyboard alone, as a person who uses no mouse does, with a screen reader
# listening: Tab to the width handles, the arrow keys (Shift for ten pixels) on the fixed and on
# the movable one, BMP ticked with the space bar, a width typed into ANCHO and ended with Enter,
# Shift+Tab back to "INICIAR " and the space bar. Every picture comes out as wide as typed, and
# the screen reader finds each handle and size box by its Spanish name, the focus where the keys
# put it, the width box saying its size in pixels, and the box announcing each new width as a
# handle moves the frame.
set -euo pipefail
source "$(dirname "$0")/driver.sh"

# Fails unless the control of that name has the focus, after a while for the keys to arrive.
a11y_expect_focus() {
  local heard deadline=$((SECONDS + 20))
  while :; do
    heard=$(a11y_read focused Velaria) || e2e_fail "el lector no encuentra el foco: $heard"
    grep -qxF "$1" <<<"$heard" && return 0
    ((SECONDS < deadline)) || e2e_fail "el foco está en «${heard//$'\n'/», «}», no en «$1»"
    sleep 0.3
  done
}

# Keys to the program's window, as typed.
keys() {
  xdotool key --clearmodifiers --delay 80 "$@"
}

# True when the last screenshot shows the focus ring in a handle: dark pixels a little inside
# its left side, where an unfocused handle shows its own colour.
focus_ring_on() {
  local x y colour
  e2e_control "$1" "$2"
  if [[ $1 == Picture2 && $2 == 1 ]]; then x=$((e2e_wide_left + 2)); else x=$(($(e2e_px "$e2e_left") + 2)); fi
  y=$(($(e2e_px "$e2e_top") + 8))
  if [[ $1 == Picture3 && $2 == 1 ]]; then y=$((e2e_tall_top + 8)); fi
  colour=$(e2e_pixel "$e2e_shot_file" "$x" "$y")
  [[ $colour != FFFFFF && $colour != 0000FF ]] && (($(printf '%d' "0x${colour:0:2}") < 128))
}

e2e_start_x "$e2e_screen"
a11y_start_bus
e2e_copy_program "$1"
e2e_make_picture "$e2e_folder/paisaje.jpg" 300x200
e2e_make_picture "$e2e_folder/retrato.gif" 210x420
e2e_run_program
e2e_attach "$(e2e_wait_window)"
xdotool windowactivate --sync "$e2e_window"

# Every handle and size box by its name.
handles=("Ancho: asa izquierda, fija; las flechas mueven el asa derecha"
  "Ancho: asa derecha, se arrastra o se mueve con las flechas"
  "Alto: asa superior, fija; las flechas mueven el asa inferior"
  "Alto: asa inferior, se arrastra o se mueve con las flechas")
heard=$(a11y_read names Velaria "${handles[@]}" "Ancho del marco" "Alto del marco") ||
  e2e_fail "el lector de pantalla no encuentra los controles: $heard"
a11y_note_registry
grep -q $'^text\tAncho del marco\t6615 = 441 píxeles' <<<"$heard" ||
  e2e_fail "la casilla del ancho no dice su tamaño en píxeles: $heard"

# The file list has the focus at start-up; the frame and "INICIAR " come before the handles.
keys Tab Tab Tab
a11y_expect_focus "${handles[0]}"
e2e_wait 20 "el asa izquierda no muestra el foco" eval 'e2e_seen && focus_ring_on Picture2 0'
start_right=$e2e_frame_right
# Thirty pixels narrower from the fixed handle, five wider from the movable one; the reader hears
# the width box change as the frame does (Qt tells it of every text a box is given).
timeout 60 /usr/bin/python3 "$(dirname "$0")/screen_reader.py" changes Velaria 30 \
  "Ancho del marco" "Alto del marco" >"$e2e_tmp/cambios.txt" 2>&1 &
listener=$!
e2e_pids+=("$listener")
e2e_wait 20 "el lector no se puso a escuchar" grep -q escuchando "$e2e_tmp/cambios.txt"
keys shift+Left shift+Left shift+Left Tab Right Right Right Right Right
a11y_expect_focus "${handles[1]}"
narrowed() {
  e2e_seen && ((e2e_frame_right == start_right - 25))
}
e2e_wait 20 "las flechas no dejaron el marco 25 píxeles más estrecho" narrowed
heard_width() {
  grep -qP "^object:(text-changed|property-change:accessible-value)\S*\tAncho del marco\t$(((441 - 25) * 15))\$" \
    "$e2e_tmp/cambios.txt"
}
e2e_wait 20 "el lector no oyó cambiar el ancho: $(cat "$e2e_tmp/cambios.txt")" heard_width
kill "$listener" 2>/dev/null || true
focus_ring_on Picture2 1 || e2e_fail "el asa derecha no muestra el foco"
e2e_expect_handles_on_frame
[[ $e2e_wide_colour == 0000FF && $e2e_tall_colour == FFFFFF ]] ||
  e2e_fail "tras las flechas los tiradores son $e2e_wide_colour y $e2e_tall_colour"
e2e_one_of "$e2e_frame_height" "$(e2e_scaled "$e2e_frame_width" 600 800)" ||
  e2e_fail "el marco de $e2e_frame_width de ancho no guarda la proporción: $e2e_frame_height de alto"

# On past the height handles and JPG to BMP, which the space bar ticks; past the proportion to
# ANCHO, where a width of 600 pixels is typed.
keys Tab Tab Tab Tab space Tab Tab
a11y_expect_focus "Ancho del marco"
keys 9 0 0 0 Return
typed() {
  e2e_seen && ((e2e_frame_width == 600)) && e2e_ticked 1
}
e2e_wait 20 "el ancho escrito no dejó el marco de 600 píxeles con BMP marcada" typed
e2e_expect_handles_on_frame
heard=$(a11y_read names Velaria "Ancho del marco") || e2e_fail "el lector no encuentra el ancho: $heard"
[[ $heard == *"9000 = 600 píxeles"* ]] || e2e_fail "la casilla del ancho no dice 600 píxeles: $heard"

# Back to "INICIAR " and start.
keys shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab
a11y_expect_focus "INICIAR "
keys space
jpg="$e2e_folder/DestinoJPG" bmp="$e2e_folder/DestinoBMP"
e2e_wait_pictures 60 "$jpg/"{muestra,paisaje,retrato}.jpg "$bmp/"{muestra,paisaje,retrato}.bmp
for picture in muestra.jpg:800:600 paisaje.jpg:300:200 retrato.gif:210:420; do
  IFS=: read -r name w h <<<"$picture"
  stem=${name%???}
  heights=$(e2e_scaled 600 "$h" "$w")
  e2e_check_output "$jpg/${stem}jpg" "$e2e_folder/$name" JPEG 600 "$heights"
  e2e_check_output "$bmp/${stem}bmp" "$e2e_folder/$name" BMP 600 "$heights"
done

e2e_close_window "$e2e_window"
[[ $e2e_status -eq 0 ]] || e2e_fail "el programa terminó con estado $e2e_status"
echo "ok: con el teclado solo, marco de 600 píxeles de ancho; 3 imágenes en JPEG y BMP a esa anchura"
