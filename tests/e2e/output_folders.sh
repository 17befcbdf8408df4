#!/usr/bin/env bash
# "JPG" and "BMP" open their output folder in the file manager (a stand-in first on the
# program's PATH notes what it was asked to open), without touching the check boxes they lie
# over; "AUTOR" shows the about box over the window, and Enter closes it.
set -euo pipefail
source "$(dirname "$0")/driver.sh"

# The file manager stand-in: notes its arguments, one line per start.
mkdir "$e2e_tmp/bin"
log="$e2e_tmp/xdg-open.log"
cat >"$e2e_tmp/bin/xdg-open" <<END
#!/bin/sh
printf '%s\n' "\$*" >>"$log"
END
chmod +x "$e2e_tmp/bin/xdg-open"
e2e_program_env=("PATH=$e2e_tmp/bin:$PATH")
e2e_start "$1"

opened() {
  [[ $(wc -l <"$log" 2>/dev/null || echo 0) -ge $1 ]]
}
e2e_click Command3 0
e2e_wait 20 "el botón JPG no abrió el gestor de archivos" opened 1
e2e_click Command3 1
e2e_wait 20 "el botón BMP no abrió el gestor de archivos" opened 2
expected="$e2e_folder/DestinoJPG"$'\n'"$e2e_folder/DestinoBMP"
[[ $(cat "$log") == "$expected" ]] || e2e_fail "el gestor de archivos recibió: $(cat "$log")"
e2e_shot
e2e_ticked 0 && ! e2e_ticked 1 || e2e_fail "pulsar los botones cambió las casillas JPG y BMP"

e2e_click Command4
box=$(e2e_find_window '^Velaria$')
[[ $(xprop -id "$box" WM_TRANSIENT_FOR) == *"$(printf '0x%x' "$e2e_window")"* ]] ||
  e2e_fail "la caja «Velaria» no pertenece a la ventana: $(xprop -id "$box" WM_TRANSIENT_FOR)"
e2e_enter_closes "$box" '^Velaria$'

kill -0 "$e2e_program_pid" 2>/dev/null || e2e_fail "el programa terminó al cerrar la caja"
e2e_close_window "$e2e_window"
[[ $e2e_status -eq 0 ]] || e2e_fail "el programa terminó con estado $e2e_status"
echo "ok: JPG y BMP abren sus carpetas, AUTOR muestra la caja e Intro la cierra"
