# Shared by the end-to-end tests: a private X server with a window manager, a fresh copy of the
# program folder, and clean-up of every process they started, by process id.
# shellcheck shell=bash

e2e_pids=()
e2e_tmp=$(mktemp -d)

e2e_cleanup() {
  local pid
  for ((i = ${#e2e_pids[@]} - 1; i >= 0; i--)); do
    pid=${e2e_pids[i]}
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${e2e_pids[@]}"; do
    for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
    kill -9 "$pid" 2>/dev/null || true
  done
  rm -rf "$e2e_tmp"
}
trap e2e_cleanup EXIT

e2e_fail() {
  echo "FALLO: $*" >&2
  exit 1
}

# Starts Xvfb on a free display (it picks one and tells us) and a window manager, so that
# maximising really resizes the window.
e2e_start_x() {
  local size=${1:-1280x800x24}
  command -v Xvfb >/dev/null || e2e_fail "Xvfb no está instalado (scripts/setup --test)"
  exec {fd}<> <(:)
  Xvfb -displayfd "$fd" -screen 0 "$size" -nolisten tcp -auth /dev/null >"$e2e_tmp/xvfb.log" 2>&1 &
  e2e_pids+=($!)
  local display=""
  read -r -t 20 -u "$fd" display || e2e_fail "Xvfb no arrancó: $(cat "$e2e_tmp/xvfb.log")"
  exec {fd}<&-
  export DISPLAY=":$display"
  unset WAYLAND_DISPLAY
  if command -v openbox >/dev/null; then
    openbox --sm-disable >"$e2e_tmp/openbox.log" 2>&1 &
    e2e_pids+=($!)
    # A window created before the manager is ready stays unmanaged: wait for it.
    local ready=""
    for _ in $(seq 300); do
      ready=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null || true)
      [[ $ready == *"window id"* ]] && break
      sleep 0.1
    done
    [[ $ready == *"window id"* ]] || e2e_fail "el gestor de ventanas no arrancó"
  fi
}

# Copies the built program folder to a fresh place and starts the program from there.
# Sets e2e_folder and e2e_program_pid.
e2e_start_program() {
  local built=$1
  e2e_folder="$e2e_tmp/programa"
  cp -a "$built" "$e2e_folder"
  (cd "$e2e_folder" && exec env QT_QPA_PLATFORM=xcb ./velaria >"$e2e_tmp/velaria.log" 2>&1) &
  e2e_program_pid=$!
  e2e_pids+=("$e2e_program_pid")
}

# Waits for the program's main window and prints its id.
e2e_wait_window() {
  local id
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name '^Velaria 1\.0 - ' 2>/dev/null | head -n 1 || true)
    [[ -n $id ]] && { echo "$id"; return 0; }
    kill -0 "$e2e_program_pid" 2>/dev/null || e2e_fail "el programa terminó: $(cat "$e2e_tmp/velaria.log")"
    sleep 0.1
  done
  e2e_fail "la ventana de Velaria no apareció"
}

# Closes the window as a user does (Alt+F4 through the window manager), pressing again while
# a busy machine has not yet delivered it. Sets e2e_status to the program's exit status.
e2e_close_window() {
  local window=$1
  for _ in $(seq 20); do
    kill -0 "$e2e_program_pid" 2>/dev/null || break
    xdotool windowactivate --sync "$window" key --clearmodifiers alt+F4 2>/dev/null || true
    for _ in $(seq 10); do kill -0 "$e2e_program_pid" 2>/dev/null || break; sleep 0.1; done
  done
  e2e_wait_exit
}

# Waits for the program to end; sets e2e_status. Not in a subshell: only the shell that
# started the program can collect its status.
e2e_wait_exit() {
  for _ in $(seq 100); do
    kill -0 "$e2e_program_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$e2e_program_pid" 2>/dev/null && e2e_fail "el programa no se cerró"
  e2e_status=0
  wait "$e2e_program_pid" || e2e_status=$?
}
