#!/usr/bin/env bash
# "INICIAR " on a folder where some pictures are traps (a pipe, a link to an endless device, a
# JPEG of endless scans, one that claims 60000 x 60000 pixels) and big ones are cut short and
# rewritten over and over while the run reads them. The run ends with one message box that
# names every trap; what it wrote is whole, no temporary file is left, and the window answers.
set -euo pipefail
source "$(dirname "$0")/driver.sh"

e2e_start_x "$e2e_screen"
a11y_start_bus
e2e_copy_program "$1"
folder=$e2e_folder jpg="$e2e_folder/DestinoJPG" bmp="$e2e_folder/DestinoBMP"
e2e_make_picture "$folder/buena.gif" 120x90
e2e_make_picture "$folder/sana.bmp" 90x120
# The list shows plain files only: the pipe and the link take two listed pictures' places once
# the window is up, as a folder changes under a running program.
e2e_make_picture "$folder/tubo.jpg" 60x40
e2e_make_picture "$folder/cero.gif" 60x40
convert -size 64x48 gradient: -interlace JPEG "$e2e_tmp/progresiva.jpg"
convert -size 8x8 xc:gray "$e2e_tmp/chica.jpg"
# The scan bomb repeats the last scan 300 times; the giant's frame header says 60000 x 60000.
/usr/bin/python3 - "$e2e_tmp" "$folder" <<'END'
import sys
tmp, folder = sys.argv[1:]
data = open(f"{tmp}/progresiva.jpg", "rb").read()
scan, end = data.rindex(b"\xff\xda"), data.rindex(b"\xff\xd9")
open(f"{folder}/bomba.jpg", "wb").write(data[:end] + data[scan:end] * 300 + data[end:])
data = bytearray(open(f"{tmp}/chica.jpg", "rb").read())
frame = data.index(b"\xff\xc0")
data[frame + 5:frame + 9] = (60000).to_bytes(2, "big") * 2
open(f"{folder}/gigante.jpg", "wb").write(data)
END
# Noise makes them big enough to be read a while.
convert -size 4000x3000 gradient:gold-navy -attenuate 0.3 +noise Gaussian "$e2e_tmp/grande.jpg"
cut=$(($(stat -c %s "$e2e_tmp/grande.jpg") / 3))
for i in $(seq -w 30); do cp "$e2e_tmp/grande.jpg" "$folder/grande$i.jpg"; done
e2e_run_program
e2e_attach "$(e2e_wait_window)"
rm "$folder/tubo.jpg" "$folder/cero.gif"
mkfifo "$folder/tubo.jpg"
ln -s /dev/zero "$folder/cero.gif"
# Each big one cut to a third or written back from the start, at random, over and over.
(while sleep 0.05; do
  for file in "$folder"/grande*.jpg; do
    if ((RANDOM % 2)); then truncate -s "$cut" "$file"
    else dd if="$e2e_tmp/grande.jpg" of="$file" conv=notrunc status=none; fi
  done
done) &
cutter=$!
e2e_pids+=("$cutter")
e2e_click_box 1
both() {
  e2e_shot && e2e_ticked 0 && e2e_ticked 1
}
e2e_wait 20 "no se pudo marcar también la casilla BMP" both

e2e_click Command1
# The progress window bears the program's name as well: the run has ended once the reader finds
# the closing box's text.
closing_box() {
  heard=$(a11y_read texts Velaria "No se han podido convertir")
}
e2e_wait 120 "la conversión no terminó con un aviso" closing_box
kill "$cutter"
wait "$cutter" || true
a11y_note_registry
box=$(e2e_find_window '^Velaria$')
[[ $(xdotool search --onlyvisible --name '^Velaria$' | wc -l) -eq 1 ]] ||
  e2e_fail "hay más de una ventana «Velaria» a la vista"
for name in tubo.jpg cero.gif bomba.jpg gigante.jpg; do
  grep -q "^$name: " <<<"$heard" || e2e_fail "el aviso no nombra $name: $heard"
done
grep -q "^bomba.jpg: .*pasadas" <<<"$heard" || e2e_fail "el aviso no dice por qué se rechaza bomba.jpg: $heard"
! grep -qE "^(muestra.jpg|buena.gif|sana.bmp): " <<<"$heard" || e2e_fail "el aviso nombra una imagen sana: $heard"
e2e_enter_closes "$box" '^Velaria$'
e2e_point Picture3 0
tall_blue() {
  e2e_seen && [[ $e2e_tall_colour == 0000FF ]]
}
e2e_wait 20 "tras la conversión la ventana ya no responde al puntero" tall_blue

# Nothing of the traps, and no temporary file, is left in the output folders.
left=$(e2e_names "$jpg"; e2e_names "$bmp")
[[ $(sed -E 's/grande[0-9]+\.(jpg|bmp) //g' <<<"$left" | tr -d '\n') == "buena.jpg muestra.jpg sana.jpg buena.bmp muestra.bmp sana.bmp " ]] ||
  e2e_fail "en las carpetas de salida hay: $left"
# Every output reads whole; the big ones' show the whole picture, no grey where a cut one ends.
for file in "$jpg"/* "$bmp"/*; do
  size=$(e2e_picture "$file")
  [[ -n $size ]] || e2e_fail "$(basename "$file") no se lee entera"
  [[ $file == */grande* ]] || continue
  whole="$e2e_tmp/${size%% *}.png"
  [[ -f $whole ]] || convert "$e2e_tmp/grande.jpg" -resize "${size%% *}!" "$whole"
  e2e_alike "$file" "$whole" || e2e_fail "$(basename "$file") no muestra la imagen entera"
done
converted=$(find "$jpg" "$bmp" -name 'grande*' | wc -l)

e2e_close_window "$e2e_window"
[[ $e2e_status -eq 0 ]] || e2e_fail "el programa terminó con estado $e2e_status"
echo "ok: 4 trampas nombradas en un solo aviso, $converted salidas enteras de las 60 de las imágenes cortadas"
