#!/usr/bin/env bash
# "SELECCIONAR CARPETA", a file picked in the real open-file dialog by typing its path: the list
# now shows that file's folder; clicking an entry previews it in the frame; "INICIAR " converts
# that folder's pictures, and not the program folder's. No handle was touched, so the height
# drives: every picture comes out as high as the frame. Then from a file manager: a phone photo
# dragged onto the list lists its folder, whose JPEG keeps the moment the photo was taken and
# nothing else of its metadata, and both outputs its file time; a folder dragged onto the width
# box is listed, and the box takes no text from it.
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

movil="$e2e_tmp/Fotos del móvil" otra="$e2e_tmp/Otra carpeta"
mkdir "$movil" "$otra"
e2e_make_picture "$movil/movil.jpg" 400x300
exiftool -q -overwrite_original -DateTimeOriginal="2023:07:14 18:30:05" -SubSecTimeOriginal=042 \
  -OffsetTimeOriginal=+02:00 -GPSLatitude=40.4168 -GPSLatitudeRef=N -GPSLongitude=3.7038 \
  -GPSLongitudeRef=W -SerialNumber=SN-123456 -LensSerialNumber=LS-987 \
  "-ThumbnailImage<=$folder/verde.jpg" "$movil/movil.jpg" || e2e_fail "exiftool (scripts/setup --test)"
touch -d "2023-07-14 18:30:05.042" "$movil/movil.jpg"
e2e_make_picture "$otra/azul.gif" 200x100 blue

# The file manager, beside the window, and a drag out of it onto a pixel of the window.
dragged="$e2e_tmp/arrastrados.txt" manager_log="$e2e_tmp/arrastre.log"
: >"$dragged"
NO_AT_BRIDGE=1 /usr/bin/python3 "$(dirname "$0")/drag_source.py" "$dragged" 900 450 \
  >"$manager_log" 2>&1 &
e2e_pids+=($!)
e2e_wait 20 "el gestor de archivos de la prueba no se abrió" grep -q listo "$manager_log"
manager=$(e2e_find_window '^Arrastrar$')
drag_onto() {
  local drops sx sy i
  drops=$(grep -c soltado "$manager_log" || true)
  eval "$(xdotool getwindowgeometry --shell "$manager")"
  sx=$((X + WIDTH / 2)) sy=$((Y + HEIGHT / 2))
  xdotool mousemove --sync "$sx" "$sy" mousedown 1
  for ((i = 1; i <= 10; i++)); do
    xdotool mousemove --sync $((sx + (e2e_ox + $1 - sx) * i / 10)) $((sy + (e2e_oy + $2 - sy) * i / 10))
    sleep 0.1
  done
  sleep 0.5
  xdotool mouseup 1
  dropped() { (($(grep -c soltado "$manager_log" || true) > drops)); }
  e2e_wait 20 "la ventana no recibió lo arrastrado" dropped
}
middle_of() {
  e2e_control "$@"
  echo $(($(e2e_px "$e2e_left") + $(e2e_px "$e2e_width") / 2)) $(($(e2e_px "$e2e_top") + $(e2e_px "$e2e_height") / 2))
}

echo "$movil/movil.jpg" >"$dragged"
# shellcheck disable=SC2046 # a pixel's two coordinates
drag_onto $(middle_of File1)
e2e_click_box 1
e2e_click Command1
bmp="$e2e_folder/DestinoBMP"
e2e_wait_pictures 60 "$jpg/movil.jpg" "$bmp/movil.bmp"
kept=$(exiftool -S -a -EXIF:all -GPS:all -MakerNotes:all "$jpg/movil.jpg")
[[ $kept == $'ExifVersion: 0232\nDateTimeOriginal: 2023:07:14 18:30:05\nOffsetTimeOriginal: +02:00\nSubSecTimeOriginal: 042' ]] ||
  e2e_fail "movil.jpg no lleva solo la fecha de la foto: $kept"
for output in "$jpg/movil.jpg" "$bmp/movil.bmp"; do
  [[ $(stat -c %y "$output") == "$(stat -c %y "$movil/movil.jpg")" ]] ||
    e2e_fail "$(basename "$output") tiene la fecha $(stat -c %y "$output"), no la de la foto"
done

# Several items: the first counts. On the width box, the folder is listed, not typed.
e2e_measure
frame_width=$e2e_frame_width
printf '%s\n' "$otra" "$folder" >"$dragged"
# shellcheck disable=SC2046
drag_onto $(middle_of Text1 0)
e2e_click Command1
e2e_wait_pictures 60 "$jpg/azul.jpg"
[[ $(e2e_names "$jpg") == "azul.jpg movil.jpg rojo.jpg verde.jpg " ]] ||
  e2e_fail "en DestinoJPG hay: $(e2e_names "$jpg")"
e2e_measure
((e2e_frame_width == frame_width)) || e2e_fail "soltar la carpeta en ANCHO cambió el ancho del marco"
grep -q borrar "$manager_log" && e2e_fail "la ventana tomó lo arrastrado como un traslado: $(cat "$manager_log")"

e2e_close_window "$e2e_window"
[[ $e2e_status -eq 0 ]] || e2e_fail "el programa terminó con estado $e2e_status"
echo "ok: carpeta elegida en el diálogo y soltada desde el gestor de archivos; la foto guarda su fecha"
