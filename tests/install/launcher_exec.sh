#!/usr/bin/env bash
# The launcher's Exec line brings the installed program's path back unchanged, whatever the
# install folder holds: blanks, letters beyond ASCII, and the characters a desktop treats
# specially inside a command line.
set -euo pipefail
source "$(dirname "$0")/../e2e/lib.sh"
cmake_dir=$(cd "$(dirname "$0")/../../cmake" && pwd)

check() {
  local program=$1
  cat >"$e2e_tmp/exec.cmake" <<END
include("$cmake_dir/LauncherExec.cmake")
velaria_launcher_exec(exec "\${PROGRAM}")
file(WRITE "\${OUT}" "[Desktop Entry]\nType=Application\nName=Velaria\nExec=\${exec}\n")
END
  cmake "-DPROGRAM=$program" "-DOUT=$e2e_tmp/prueba.desktop" -P "$e2e_tmp/exec.cmake"
  desktop-file-validate "$e2e_tmp/prueba.desktop" || e2e_fail "lanzador no válido para «$program»"
  e2e_desktop_exec "$e2e_tmp/prueba.desktop"
  [[ ${#e2e_exec[@]} -eq 1 && ${e2e_exec[0]} == "$program" ]] ||
    e2e_fail "«$program» vuelve como: $(grep ^Exec= "$e2e_tmp/prueba.desktop") -> ${e2e_exec[*]}"
}

check '/home/ana/.local/opt/velaria/velaria'
check '/home/José Núñez/Mis programas/velaria/velaria'
check '/tmp/a "b" $HOME `c` \d %f 50% ñandú'"'"'s/velaria'

# A path no launcher can name is refused at install time rather than written broken.
if cmake "-DPROGRAM=/tmp/a"$'\n'"b/velaria" "-DOUT=$e2e_tmp/mal.desktop" -P "$e2e_tmp/exec.cmake" \
  2>"$e2e_tmp/error.txt"; then
  e2e_fail "una carpeta con un salto de línea se aceptó"
fi
grep -q "ningún lanzador" "$e2e_tmp/error.txt" || e2e_fail "$(cat "$e2e_tmp/error.txt")"
echo "ok: las líneas Exec devuelven las rutas tal cual"
