#!/usr/bin/env bash
# Makes the benchmark's pictures once, the same every time (fixed seeds): 48 photo-like JPEGs of
# 4000 x 3000 (a fractal landscape of colour with fine grain, quality 92, 4:2:0, like a camera's),
# 8 GIFs and 8 BMPs (24-bit) of 2000 x 1500. FOLDER-p3 then holds the same pictures with every
# photo tagged Display P3 (the profile added to its bytes, the picture data untouched), as a
# phone writes them, when the shared profiles are there.
# Beside them, the sets of photos people have now, each in a folder of its own (see camera_sets
# below): FOLDER-24mp, 16 baseline camera photos of 6000 x 4000; FOLDER-48mp, 6 progressive photos
# of 8000 x 6000 with their colour kept whole (4:4:4), as optimisers and export dialogs write.
# Usage: bench/make_corpus.sh FOLDER
set -euo pipefail
folder=${1:?folder}
mkdir -p "$folder"
stamp="$folder/.complete-v1"

make_one() {
  local kind=$1 n=$2 folder=$3
  local seed=$((n * 7919 + 17))
  case $kind in
    jpg) convert -seed "$seed" -size 800x600 plasma:fractal -blur 0x1 -resize '4000x3000!' \
           -attenuate 0.4 +noise Gaussian -sampling-factor 2x2 -quality 92 \
           "$folder/foto$(printf %02d "$n").jpg" ;;
    gif) convert -seed "$seed" -size 500x375 plasma:fractal -resize '2000x1500!' \
           +dither -colors 256 "$folder/dibujo$(printf %02d "$n").gif" ;;
    bmp) convert -seed "$seed" -size 500x375 plasma:fractal -resize '2000x1500!' \
           -attenuate 0.3 +noise Gaussian -type TrueColor "BMP3:$folder/mapa$(printf %02d "$n").bmp" ;;
  esac
}
export -f make_one

if [[ ! -f $stamp ]]; then
  echo "Generando las imágenes de prueba en $folder (una sola vez)…" >&2
  {
    for n in $(seq 1 48); do echo "jpg $n"; done
    for n in $(seq 1 8); do echo "gif $n"; echo "bmp $n"; done
  } | xargs -P "$(nproc)" -L 1 bash -c 'make_one "$0" "$1" '"'$folder'"
  touch "$stamp"
fi
profile=$(dirname "$0")/../../shared/icc/DisplayP3-v4.icc
tagged="$folder-p3"
if [[ -f $profile && ! -f $tagged/.complete-v1 ]]; then
  mkdir -p "$tagged"
  /usr/bin/python3 - "$folder" "$tagged" "$profile" <<'PYTHON'
import os, struct, sys
source, tagged, profile = sys.argv[1:]
icc = open(profile, "rb").read()
segment = b"\xff\xe2" + struct.pack(">H", 2 + 14 + len(icc)) + b"ICC_PROFILE\0\x01\x01" + icc
for name in sorted(os.listdir(source)):
    if name.startswith("."):
        continue
    data = open(os.path.join(source, name), "rb").read()
    if name.endswith(".jpg"):
        data = data[:2] + segment + data[2:]
    open(os.path.join(tagged, name), "wb").write(data)
PYTHON
  touch "$tagged/.complete-v1"
fi

# A photo-like picture of WIDTH x HEIGHT: a fractal landscape of colour, grain, and a few hard
# edges (shapes of flat colour), so that its data is as large as a camera's.
camera_photo() {
  local seed=$1 width=$2 height=$3 output=$4
  shift 4
  local shapes=() i
  for i in 1 2 3; do
    local x=$(((seed * 37 + i * 1291) % width)) y=$(((seed * 53 + i * 877) % height))
    local r=$((width / (6 + i)))
    shapes+=(-fill "rgb($(((seed * i * 71) % 256)),$(((seed + i) * 43 % 256)),$((i * 97 % 256)))"
      -draw "polygon $x,$y $((x + r)),$((y + r / 3)) $((x + r / 2)),$((y + r))")
  done
  convert -seed "$seed" -size "$((width / 5))x$((height / 5))" plasma:fractal -blur 0x1 \
    -resize "${width}x${height}!" "${shapes[@]}" -attenuate 0.4 +noise Gaussian "$@" "$output"
}
export -f camera_photo

# What a 24-megapixel camera writes: baseline, colour halved both ways, quality 92.
camera_24mp() {
  camera_photo "$(($1 * 104729 + 3))" 6000 4000 "$2/camara$(printf %02d "$1").jpg" \
    -sampling-factor 2x2 -quality 92
}
# A 48-megapixel photo saved progressive with its colour whole, quality 92.
progressive_48mp() {
  camera_photo "$(($1 * 7907 + 11))" 8000 6000 "$2/progresiva$(printf %02d "$1").jpg" \
    -sampling-factor 1x1 -interlace JPEG -quality 92
}
export -f camera_24mp progressive_48mp

# One set: FOLDER-SUFFIX holds COUNT pictures made by MAKER, once.
camera_set() {
  local suffix=$1 count=$2 maker=$3
  local set="$folder-$suffix"
  [[ -f $set/.complete-v1 ]] && return
  echo "Generando las fotos de $set (una sola vez)…" >&2
  mkdir -p "$set"
  seq 1 "$count" | xargs -P "$(nproc)" -I{} bash -c "$maker {} '$set'"
  touch "$set/.complete-v1"
}

camera_sets() {
  camera_set 24mp 16 camera_24mp
  camera_set 48mp 6 progressive_48mp
}
camera_sets
