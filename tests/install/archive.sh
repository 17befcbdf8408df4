#!/usr/bin/env bash
# The relocatable archive holds the program folder alone and runs wherever it is unpacked: a
# path with blanks and non-ASCII letters, a folder reached through a symbolic link, a link to
# the executable, another file system. Each time the program finds its sample picture.
# Usage: archive.sh <build folder>
set -euo pipefail
source "$(dirname "$0")/../e2e/lib.sh"
build=$1

cpack --config "$build/CPackConfig.cmake" -B "$e2e_tmp/paquete" >"$e2e_tmp/cpack.log" 2>&1 ||
  e2e_fail "cpack: $(cat "$e2e_tmp/cpack.log")"
archive=$(find "$e2e_tmp/paquete" -maxdepth 1 -name 'velaria-*.tar.gz')
[[ -f $archive ]] || e2e_fail "cpack no dejó ningún archivo velaria-*.tar.gz"
top=$(basename "$archive" .tar.gz)
listing=$(tar tzf "$archive" | sort | tr '\n' ' ')
[[ $listing == "$top/DestinoBMP/ $top/DestinoJPG/ $top/libDIjpg.so $top/muestra.jpg $top/velaria " ]] ||
  e2e_fail "contenido inesperado del archivo: $listing"

e2e_start_x 1280x800x24

# Starts the program by this path and checks it shows the sample and closes cleanly.
run_from() {
  e2e_start_command "$1"
  local window
  window=$(e2e_wait_window)
  e2e_shows_sample "$window" || e2e_fail "arrancado como «$1», no muestra muestra.jpg"
  e2e_close_window "$window"
  [[ $e2e_status -eq 0 ]] || e2e_fail "arrancado como «$1», terminó con estado $e2e_status"
  echo "ok: $1"
}

place="$e2e_tmp/Mis imágenes/año 2024 – copia"
mkdir -p "$place"
tar xzf "$archive" -C "$place"
run_from "$place/$top/velaria"

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
