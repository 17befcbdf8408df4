#!/usr/bin/env bash
# The built program, started in a real X server: its window appears maximised with its caption,
# and closing the window ends the program.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_start_x 1280x800x24
e2e_start_program "$1"
window=$(e2e_wait_window)

title=$(xdotool getwindowname "$window")
[[ $title == "Velaria 1.0 - "*" - "* ]] || e2e_fail "título inesperado: $title"

state=$(xprop -id "$window" _NET_WM_STATE)
[[ $state == *_NET_WM_STATE_MAXIMIZED_VERT* && $state == *_NET_WM_STATE_MAXIMIZED_HORZ* ]] ||
  e2e_fail "la ventana no está maximizada: $state"
width=$(xwininfo -id "$window" | awk '/Width:/ {print $2}')
[[ $width -eq 1280 ]] || e2e_fail "la ventana mide $width píxeles de ancho, no 1280"

e2e_close_window "$window"
[[ $e2e_status -eq 0 ]] || e2e_fail "el programa terminó con estado $e2e_status"
echo "ok: $title, maximizada, cerrada con estado 0"
