#!/usr/bin/env bash
# Makes the benchmark's pictures once, the same every time (fixed seeds): 48 photo-like JPEGs of
# 4000 x 3000 (a fractal landscape of colour with fine grain, quality 92, 4:2:0, like a camera's),
# 8 GIFs and 8 BMPs (24-bit) of 2000 x 1500. FOLDER-p3 then holds the same pictures with every
# photo tagged Display P3 (the profile added to its bytes, the picture data untouched), as a
# phone writes them, when the shared profiles are there.
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
