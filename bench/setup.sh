#!/usr/bin/env bash
# Installs what only the benchmark needs (the peers it is compared with, and the quality check's
# Python libraries), and only what is missing.
set -euo pipefail
wanted=(libvips-tools imagemagick python3-pil python3-numpy)
missing=()
for package in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0
sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
echo "Instalando lo que falta para medir: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
