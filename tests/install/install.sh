#!/usr/bin/env bash
# make install for a user whose home folder has a blank and a non-ASCII letter: the program
# folder, launcher, icons and metainfo land under ~/.local and pass the desktop's validators;
# the launcher's Exec line starts the installed program, which converts a picture; make
# uninstall then removes all of it but the user's converted pictures and files that are not
# Velaria's.
# Usage: install.sh <source folder> <build folder>
set -euo pipefail
source "$(dirname "$0")/../e2e/driver.sh"
source=$1
build=$2

home="$e2e_tmp/casa de Begoña"
prefix="$home/.local"
program="$prefix/opt/velaria"
launcher="$prefix/share/applications/org.velaria.Velaria.desktop"
metainfo="$prefix/share/metainfo/org.velaria.Velaria.metainfo.xml"
mkdir -p "$home"
# Only the test's HOME decides where things go, not what the make that runs the tests was given.
unset PREFIX MAKEFLAGS MAKEOVERRIDES MFLAGS MAKELEVEL

# The Makefile's own recipe; its set-up and build steps are what the test run has just done.
HOME=$home make -s -C "$source" -o setup -o build install BUILD="$build" >"$e2e_tmp/install.log" 2>&1 ||
  e2e_fail "make install: $(cat "$e2e_tmp/install.log")"

listing=$(cd "$program" && find . -mindepth 1 | sort | tr '\n' ' ')
[[ $listing == "./DestinoBMP ./DestinoJPG ./libDIjpg.so ./muestra.jpg ./velaria " ]] ||
  e2e_fail "carpeta del programa inesperada: $listing"
[[ -z $(find "$program/DestinoJPG" "$program/DestinoBMP" -mindepth 1) ]] || e2e_fail "carpetas de salida no vacías"

# The writer library is found beside the executable, and nothing points back into the build.
runpath=$(readelf -d "$program/velaria" | grep -E 'RUNPATH|RPATH' || true)
[[ $runpath == *'[$ORIGIN]' && $(wc -l <<<"$runpath") -eq 1 ]] || e2e_fail "RUNPATH: $runpath"
if readelf -d "$program/libDIjpg.so" | grep -E 'RUNPATH|RPATH' | grep -qF "$build"; then
  e2e_fail "libDIjpg.so apunta a la carpeta de compilación"
fi

desktop-file-validate "$launcher" || e2e_fail "desktop-file-validate rechaza el lanzador"
appstreamcli validate --no-net "$metainfo" >"$e2e_tmp/appstream.log" 2>&1 ||
  e2e_fail "appstreamcli validate: $(cat "$e2e_tmp/appstream.log")"
for line in 'Name=Velaria' 'Comment=Cambia el tamaño de todas las imágenes de una carpeta de una vez' \
  'Categories=Graphics;2DGraphics;RasterGraphics;Qt;' 'Terminal=false'; do
  grep -qxF "$line" "$launcher" || e2e_fail "el lanzador no tiene «$line»: $(cat "$launcher")"
done
icon=$(sed -n 's/^Icon=//p' "$launcher")
[[ -f $prefix/share/icons/hicolor/scalable/apps/$icon.svg ]] || e2e_fail "falta el icono SVG $icon"
for size in 16 32 48 64 128 256; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png"
  [[ $(identify -format %wx%h "$png" 2>/dev/null) == "${size}x${size}" ]] ||
    e2e_fail "falta el icono de $size píxeles o no mide eso"
done

# Started as the desktop would, from the launcher, the installed program finds its sample and
# converts what its list shows at start-up, its own folder (the sample among it).
e2e_desktop_exec "$launcher"
[[ ${e2e_exec[0]} == "$program/velaria" ]] || e2e_fail "Exec apunta a ${e2e_exec[*]}"
e2e_start_x "$e2e_screen"
HOME=$home e2e_start_command "${e2e_exec[@]}"
e2e_attach "$(e2e_wait_window)"
e2e_shows_sample "$e2e_window" || e2e_fail "la vista previa no muestra muestra.jpg"
e2e_click Command1
converted="$program/DestinoJPG/muestra.jpg"
e2e_wait_pictures 60 "$converted"
e2e_check_output "$converted" "$program/muestra.jpg" JPEG "$(e2e_scaled "$e2e_frame_height" 800 600)" \
  "$e2e_frame_height"
e2e_close_window "$e2e_window"
[[ $e2e_status -eq 0 ]] || e2e_fail "el programa terminó con estado $e2e_status"
[[ $(e2e_names "$program/DestinoJPG") == "muestra.jpg " && -z $(e2e_names "$program/DestinoBMP") ]] ||
  e2e_fail "tras convertir: DestinoJPG: $(e2e_names "$program/DestinoJPG") DestinoBMP: $(e2e_names "$program/DestinoBMP")"
cp "$converted" "$e2e_tmp/convertida.jpg"

# Files of other programs beside Velaria's.
touch "$prefix/share/applications/otro.desktop" "$prefix/share/icons/hicolor/48x48/apps/otro.png"

# Installing again (an update) leaves the user's pictures alone.
HOME=$home make -s -C "$source" -o setup -o build install BUILD="$build" >"$e2e_tmp/install.log" 2>&1 ||
  e2e_fail "make install otra vez: $(cat "$e2e_tmp/install.log")"
cmp -s "$e2e_tmp/convertida.jpg" "$converted" || e2e_fail "reinstalar tocó la imagen convertida"

HOME=$home make -s -C "$source" uninstall >"$e2e_tmp/uninstall.log" 2>&1 ||
  e2e_fail "make uninstall: $(cat "$e2e_tmp/uninstall.log")"
grep -qF "Se conserva «$program/DestinoJPG»" "$e2e_tmp/uninstall.log" ||
  e2e_fail "el mensaje no dice qué se conserva: $(cat "$e2e_tmp/uninstall.log")"
left=$(e2e_home_files "$home")
[[ $left == "./.local/opt/velaria/DestinoJPG/muestra.jpg ./.local/share/applications/otro.desktop ./.local/share/icons/hicolor/48x48/apps/otro.png " ]] ||
  e2e_fail "tras desinstalar quedan: $left"
cmp -s "$e2e_tmp/convertida.jpg" "$converted" || e2e_fail "desinstalar tocó la imagen convertida"
[[ ! -e $program/DestinoBMP ]] || e2e_fail "la carpeta DestinoBMP vacía sigue ahí"

HOME=$home make -s -C "$source" uninstall 2>&1 | grep -q "No había nada de Velaria" ||
  e2e_fail "desinstalar dos veces no lo dice"
echo "ok: instalado, validado, arrancado desde el lanzador, una imagen convertida y desinstalado sin tocarla"
