#!/usr/bin/env bash
# The Windows package as a user has it: unzipped into a folder whose path has blanks and
# accents, started under Wine in a real X server. Its window shows the layout with the sample
# in the frame; "INICIAR " with JPG and BMP ticked converts the program folder's JPG, GIF and
# BMP into DestinoJPG and DestinoBMP at the frame's height; closing the window ends it with
# status 0. With the Linux build's program folder given, the Linux program converts the same
# pictures in the same screen, and the outputs of both must match (the same sizes, PSNR of at
# least 50 dB).
# Usage: smoke.sh PACKAGE.zip WINE_RUN [LINUX_PROGRAM_FOLDER]
set -euo pipefail
# Wine reads no display modes from Xvfb and takes the screen for 1024 x 768: the screen is made
# that size, so that a maximised window is painted all over.
export E2E_SCREEN=1024x768x24
source "$(dirname "$0")/../e2e/driver.sh"
package=$1 wine_run=$2 linux_program=${3:-}
[[ -f $package ]] || e2e_fail "no existe el paquete $package (make windows-package)"
# A Wine server started for the headless suites keeps its desktop without a display, and a window
# opened through it never shows: the program starts a server of its own, in this X server, and
# that one ends a moment after the program.
"$wine_run" --stop

unpacked="$e2e_tmp/Archivos de programa/Velaría Ñandú"
mkdir -p "$unpacked"
unzip -q "$package" -d "$unpacked"
e2e_folder=$(echo "$unpacked"/velaria-*-windows-x86_64)
[[ -f $e2e_folder/velaria.exe ]] || e2e_fail "el paquete no tiene velaria.exe arriba: $(ls "$unpacked")"

pictures="$e2e_tmp/fotos"
mkdir "$pictures"
e2e_make_picture "$pictures/paisaje.jpg" 640x360
e2e_make_picture "$pictures/dibujo.gif" 200x300
e2e_make_picture "$pictures/plano.bmp" 300x200
cp "$pictures"/* "$e2e_folder/"

# Wine takes a while to show the first window on a busy machine.
window_shown() {
  xdotool search --onlyvisible --name '^Velaria 1\.0 - ' >/dev/null 2>&1
}
e2e_wait_window() {
  e2e_wait 120 "la ventana de Velaria no apareció" window_shown
  e2e_find_window '^Velaria 1\.0 - ' "la ventana de Velaria no apareció"
}

# Under Wine, from the program folder as a double click starts it; on the Windows platform.
e2e_run_program() {
  (cd "$e2e_folder" && exec env QT_QPA_PLATFORM=windows "$wine_run" ./velaria.exe \
    >"$e2e_tmp/velaria.log" 2>&1) &
  e2e_program_pid=$!
  e2e_pids+=("$e2e_program_pid")
}

# Converts the program folder's pictures with JPG and BMP ticked and checks the outputs' sizes
# and that they show their sources; leaves the window closed.
convert_and_check() {
  local jpg="$e2e_folder/DestinoJPG" bmp="$e2e_folder/DestinoBMP" name source height
  e2e_attach "$(e2e_wait_window)"
  e2e_wait 60 "el marco no está donde dice la tabla" frame_in_place
  e2e_ticked 1 || e2e_click_box 1
  e2e_click Command1
  e2e_wait_pictures 120 "$jpg"/{muestra,paisaje,dibujo,plano}.jpg "$bmp"/{muestra,paisaje,dibujo,plano}.bmp
  height=$e2e_frame_height
  for name in paisaje dibujo plano muestra; do
    source=$(echo "$e2e_folder/$name".*)
    read -r w h <<<"$(identify -format '%w %h' "$source")"
    e2e_check_output "$jpg/$name.jpg" "$source" JPEG "$(e2e_scaled "$height" "$w" "$h")" "$height"
    e2e_check_output "$bmp/$name.bmp" "$source" BMP "$(e2e_scaled "$height" "$w" "$h")" "$height"
  done
  e2e_close_window "$e2e_window"
  [[ $e2e_status -eq 0 ]] || e2e_fail "el programa terminó con estado $e2e_status"
}

e2e_start_x "$e2e_screen"
e2e_run_program
e2e_attach "$(e2e_wait_window)"
title=$(xdotool getwindowname "$e2e_window")
[[ $title == "Velaria 1.0 - "*" - "* ]] || e2e_fail "título inesperado: $title"

# The layout as on Linux: the frame where the table puts it, its width, the sample's proportion,
# the sample scaled into it, the handles on its edges.
# Wine may show the window maximised a moment before it has painted it there.
e2e_control Picture1
left=$(e2e_px "$e2e_left") top=$(e2e_px "$e2e_top") width=$(e2e_px "$e2e_width")
frame_in_place() {
  e2e_seen && [[ $e2e_frame_left -eq $left && $e2e_frame_top -eq $top && $e2e_frame_width -eq $width ]]
}
e2e_wait 60 "el marco no está donde dice la tabla, ($left, $top) y $width de ancho" frame_in_place
e2e_one_of "$e2e_frame_height" "$(e2e_scaled "$e2e_frame_width" 600 800)" ||
  e2e_fail "el marco mide $e2e_frame_height de alto para $e2e_frame_width de ancho y una muestra 4:3"
e2e_expect_handles_on_frame
inside="$((e2e_frame_width - 4))x$((e2e_frame_height - 4))"
convert "$e2e_shot_file" -crop "$inside+$((e2e_frame_left + 2))+$((e2e_frame_top + 2))" +repage \
  "$e2e_tmp/vista.png"
convert "$e2e_folder/muestra.jpg" -resize "${e2e_frame_width}x${e2e_frame_height}!" \
  -crop "$inside+0+0" +repage "$e2e_tmp/esperada.png"
e2e_alike "$e2e_tmp/vista.png" "$e2e_tmp/esperada.png" ||
  e2e_fail "la vista previa no muestra muestra.jpg a la anchura del marco"
e2e_keep_picture velaria-windows.png
e2e_close_window "$e2e_window"
[[ $e2e_status -eq 0 ]] || e2e_fail "el programa terminó con estado $e2e_status al cerrarlo"

e2e_run_program
convert_and_check
windows_folder=$e2e_folder
echo "ok: Windows: ventana con su diseño, 4 JPG y 4 BMP de la altura del marco, cerrado con estado 0"

[[ -n $linux_program ]] || exit 0
# The Linux program on the same pictures in the same screen: the same outputs.
e2e_copy_program "$linux_program"
cp "$pictures"/* "$e2e_folder/"
e2e_run_program() {
  (cd "$e2e_folder" && exec env QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$e2e_tmp/config" \
    XDG_CACHE_HOME="$e2e_tmp/cache" ./velaria >"$e2e_tmp/velaria.log" 2>&1) &
  e2e_program_pid=$!
  e2e_pids+=("$e2e_program_pid")
}
e2e_run_program
convert_and_check
report=""
for output in DestinoJPG/{muestra,paisaje,dibujo,plano}.jpg DestinoBMP/{muestra,paisaje,dibujo,plano}.bmp; do
  windows=$(identify -format '%wx%h' "$windows_folder/$output")
  linux=$(identify -format '%wx%h' "$e2e_folder/$output")
  [[ $windows == "$linux" ]] || e2e_fail "$output mide $windows en Windows y $linux en Linux"
  psnr=$({ compare -metric PSNR "$windows_folder/$output" "$e2e_folder/$output" null: 2>&1 || true; } |
    awk '{print $1}')
  awk -v p="$psnr" 'BEGIN { exit !(p == "inf" || p >= 50) }' ||
    e2e_fail "$output difiere entre Windows y Linux: PSNR $psnr dB"
  report+=" $(basename "$output") ${psnr}"
done
echo "ok: las salidas de Windows y Linux coinciden (PSNR dB):$report"
