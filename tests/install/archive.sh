#!/usr/bin/env bash
# The relocatable archive holds the program folder alone and runs wherever it is unpacked: a
# path with blanks and non-ASCII letters, a folder reached through a symbolic link, a link to
# the executable, another file system. Each time the program finds its sample picture.
# Usage: archive.sh <build folder>
set -euo pipefail
source "$(dirname "$0")/../e2e/driver.sh"
build=$1

cpack --config "$build/CPackConfig.cmake" -B "$e2e_tmp/paquete" >"$e2e_tmp/cpack.log" 2>&1 ||
  e2e_fail "cpack: $(cat "$e2e_tmp/cpack.log")"
archive=$(find "$e2e_tmp/paquete" -maxdepth 1 -name 'velaria-*.tar.gz')
[[ -f $archive ]] || e2e_fail "cpack no dejó ningún archivo velaria-*.tar.gz"
top=$(basename "$archive" .tar.gz)
listing=$(tar tzf "$archive" | sort | tr '\n' ' ')
[[ $listing == "$top/DestinoBMP/ $top/DestinoJPG/ $top/libDIjpg.so $top/muestra.jpg $top/velaria " ]] ||
  e2e_fail "contenido inesperado del archivo: $listing"

e2e_start_x "$e2e_screen"

# Starts the program by this path and checks it shows the sample and closes cleanly; with
# "convierte", it first presses "INICIAR " on what the list shows, its own folder.
run_from() {
  e2e_start_command "$1"
  e2e_attach "$(e2e_wait_window)"
  e2e_shows_sample "$e2e_window" || e2e_fail "arrancado como «$1», no muestra muestra.jpg"
  if [[ ${2:-} == convierte ]]; then
    local out
    out="$(dirname "$1")/DestinoJPG"
    e2e_click Command1
    e2e_wait_pictures 60 "$out/muestra.jpg" "$out/señal de tráfico.jpg"
    [[ $(e2e_names "$out") == "muestra.jpg señal de tráfico.jpg " ]] || e2e_fail "en $out hay: $(e2e_names "$out")"
    e2e_check_output "$out/señal de tráfico.jpg" "$(dirname "$1")/señal de tráfico.gif" JPEG \
      "$(e2e_scaled "$e2e_frame_height" 200 100)" "$e2e_frame_height"
  fi
  e2e_close_window "$e2e_window"
  [[ $e2e_status -eq 0 ]] || e2e_fail "arrancado como «$1», terminó con estado $e2e_status"
  echo "ok: $1"
}

# Unpacked where the path has blanks and letters beyond ASCII, beside a picture named so too.
place="$e2e_tmp/Mis imágenes/año 2024 – copia"
mkdir -p "$place"
tar xzf "$archive" -C "$place"
e2e_make_picture "$place/$top/señal de tráfico.gif" 200x100
run_from "$place/$top/velaria" convierte

ln -s "$place/$top" "$e2e_tmp/enlace a velaria"
run_from "$e2e_tmp/enlace a velaria/velaria"

mkdir "$e2e_tmp/bin"
ln -s "$place/$top/velaria" "$e2e_tmp/bin/velaria"
run_from "$e2e_tmp/bin/velaria"

other=/dev/shm
if [[ -d $other && -w $other && $(stat -c %d "$other") != $(stat -c %d "$e2e_tmp") ]]; then
  elsewhere=$(mktemp -d -p "$other" "velaria prueba.XXXXXX")
  e2e_extra_dirs+=("$elsewhere")
  tar xzf "$archive" -C "$elsewhere"
  run_from "$elsewhere/$top/velaria"
else
  echo "omitido: no hay otro sistema de archivos escribible en $other"
fi
