# Shared by the end-to-end tests: a private session (X server, window manager, session bus), a
# fresh copy of the program folder, and clean-up of every process they started, by process id.
# The clean-up fails the test when anything it started, however far from it, outlives it.
# shellcheck shell=bash

e2e_pids=()
e2e_tmp=$(mktemp -d)
e2e_extra_dirs=()  # folders a test made outside e2e_tmp (another file system), removed at the end

# Every process the test starts carries this mark in its environment, also one that left its
# parent (a daemon) or that a bus started for it: the clean-up finds what outlives the test by it.
export E2E_RUN=$e2e_tmp
# Nothing of the session the tests run in reaches the program: its display, bus and runtime
# files are the test's own, its settings go where its HOME says, and no desktop's theme or
# portal speaks for it.
unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS XDG_CURRENT_DESKTOP XDG_SESSION_DESKTOP \
  XDG_SESSION_TYPE DESKTOP_SESSION QT_QPA_PLATFORMTHEME XDG_CONFIG_HOME XDG_CACHE_HOME \
  XDG_DATA_HOME XDG_STATE_HOME
export XDG_RUNTIME_DIR=$e2e_tmp/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
# A throw-away home: what the test starts writes nothing into the user's, and the clean-up fails
# the test if anything but caches is left in it.
export HOME=$e2e_tmp/casa
mkdir "$HOME"
e2e_home=$HOME

e2e_cleanup() {
  local status=$? pid left
  for ((i = ${#e2e_pids[@]} - 1; i >= 0; i--)); do
    pid=${e2e_pids[i]}
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${e2e_pids[@]}"; do
    for _ in $(seq 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    kill -9 "$pid" 2>/dev/null || true
  done
  # What a bus started ends when it loses the bus, a moment later.
  for _ in $(seq 30); do
    e2e_find_marked
    ((${#e2e_marked[@]} == 0)) && break
    sleep 0.1
  done
  if ((${#e2e_marked[@]})); then
    echo "FALLO: siguen en marcha procesos que arrancó la prueba:" >&2
    ps -o pid=,args= -p "$(IFS=,; echo "${e2e_marked[*]}")" >&2 || true
    kill -9 "${e2e_marked[@]}" 2>/dev/null || true
    status=1
  fi
  left=$(e2e_home_files "$e2e_home")
  if [[ -n $left ]]; then
    echo "FALLO: en la carpeta personal de la prueba quedan: $left" >&2
    status=1
  fi
  rm -rf "$e2e_tmp"
  local dir
  for dir in "${e2e_extra_dirs[@]}"; do rm -rf "$dir"; done
  exit "$status"
}
trap e2e_cleanup EXIT

# Sets the array e2e_marked to the ids of the running processes that carry this test's mark.
# The test's shell and its subshells do not: they were not started with it.
e2e_find_marked() {
  local file
  e2e_marked=()
  # grep goes without the mark, so it does not find itself.
  while IFS= read -r file; do
    file=${file#/proc/}
    e2e_marked+=("${file%/environ}")
  done < <(env -u E2E_RUN grep -lsxzF "E2E_RUN=$E2E_RUN" /proc/[0-9]*/environ)
}

# Says what failed, with the program's own output. With E2E_FAILURE_SHOTS naming a folder, a
# picture of our X server's screen at that moment is kept there.
e2e_fail() {
  echo "FALLO: $* (a los $SECONDS s)" >&2
  if [[ -s $e2e_tmp/velaria.log ]]; then
    echo "Salida del programa:" >&2
    cat "$e2e_tmp/velaria.log" >&2
  fi
  if [[ -n ${E2E_FAILURE_SHOTS:-} && -n ${e2e_display:-} ]]; then
    local shot
    shot="$E2E_FAILURE_SHOTS/$(basename "$0" .sh).png"
    mkdir -p "$E2E_FAILURE_SHOTS"
    if DISPLAY=$e2e_display import -window root "$shot" 2>/dev/null; then
      echo "Captura de la pantalla: $shot" >&2
    fi
  fi
  exit 1
}

# Starts the test's own session bus, once, as a desktop session has one: the program then
# finds no bus missing and none is autolaunched for it (which would outlive the test and write
# into ~/.dbus). Exports its address as DBUS_SESSION_BUS_ADDRESS and e2e_bus, so that other
# clients (a reader of the accessibility tree, say) can meet the program on it.
e2e_start_bus() {
  [[ -n ${e2e_bus:-} ]] && return 0
  command -v dbus-daemon >/dev/null ||
    e2e_fail "dbus-daemon no está instalado (scripts/setup --test)"
  exec {fd}<> <(:)
  dbus-daemon --session --nofork --nopidfile --address="unix:tmpdir=$e2e_tmp" \
    --print-address="$fd" >"$e2e_tmp/bus.log" 2>&1 &
  e2e_pids+=($!)
  read -r -t 10 -u "$fd" e2e_bus ||
    e2e_fail "el bus de sesión no arrancó: $(cat "$e2e_tmp/bus.log")"
  exec {fd}<&-
  export DBUS_SESSION_BUS_ADDRESS=$e2e_bus
}

# Starts the session bus, Xvfb on a free display and a window manager, so that maximising
# really resizes the window. The display number is picked at random among the free ones: with
# the lowest free one, tests side by side would take the number another one is just giving up,
# and the one leaving removes the newcomer's socket. A server another one beat to its number, or
# that clients cannot reach, is replaced by a fresh one.
e2e_start_x() {
  local size=${1:-1280x800x24}
  command -v Xvfb >/dev/null || e2e_fail "Xvfb no está instalado (scripts/setup --test)"
  e2e_start_bus
  for _ in 1 2 3 4 5; do
    e2e_try_start_x "$size" && return 0
  done
  e2e_fail "el servidor X o el gestor de ventanas no arrancó: $(cat "$e2e_tmp/xvfb.log" \
    "$e2e_tmp/openbox.log" 2>/dev/null)"
}

# One attempt of e2e_start_x; on failure it ends what it started and returns non-zero.
e2e_try_start_x() {
  local size=$1 started=${#e2e_pids[@]} number display="" ready="" pid xvfb
  for _ in $(seq 100); do
    number=$((100 + RANDOM % 900))
    [[ -e /tmp/.X$number-lock || -e /tmp/.X11-unix/X$number ]] || break
  done
  exec {fd}<> <(:)
  Xvfb ":$number" -displayfd "$fd" -screen 0 "$size" -nolisten tcp -auth /dev/null \
    >"$e2e_tmp/xvfb.log" 2>&1 &
  xvfb=$!
  e2e_pids+=("$xvfb")
  # It writes its number once it listens, or ends if the number was taken meanwhile.
  for _ in $(seq 300); do
    read -r -t 0.1 -u "$fd" display && break
    kill -0 "$xvfb" 2>/dev/null || break
  done
  exec {fd}<&-
  if [[ -n $display ]]; then
    export DISPLAY=":$display"
    unset WAYLAND_DISPLAY
    e2e_display=$DISPLAY
    if xprop -root >/dev/null 2>&1; then
      if ! command -v openbox >/dev/null; then return 0; fi
      openbox --sm-disable >"$e2e_tmp/openbox.log" 2>&1 &
      e2e_pids+=($!)
      # A window created before the manager is ready stays unmanaged: wait for it.
      for _ in $(seq 300); do
        ready=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null || true)
        [[ $ready == *"window id"* ]] && return 0
        kill -0 "${e2e_pids[-1]}" 2>/dev/null || break
        sleep 0.1
      done
    fi
  fi
  for pid in "${e2e_pids[@]:started}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  e2e_pids=("${e2e_pids[@]:0:started}")
  e2e_display=""
  return 1
}

# Copies the built program folder to a fresh place, with another muestra.jpg if one is given.
# Sets e2e_folder; pictures the test wants listed at start-up can be put there before the start.
e2e_copy_program() {
  local built=$1 sample=${2:-}
  e2e_folder="$e2e_tmp/programa"
  cp -a "$built" "$e2e_folder"
  if [[ -n $sample ]]; then cp "$sample" "$e2e_folder/muestra.jpg"; fi
}

# Extra VAR=value words for the program's environment (a file-manager stand-in on PATH, say).
e2e_program_env=()

# Starts the program in e2e_folder. Its settings and caches (the file dialog keeps a history)
# go to the test's own folder, not the user's. Sets e2e_program_pid.
e2e_run_program() {
  e2e_start_bus
  (cd "$e2e_folder" && exec env QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$e2e_tmp/config" \
    XDG_CACHE_HOME="$e2e_tmp/cache" "${e2e_program_env[@]}" ./velaria >"$e2e_tmp/velaria.log" 2>&1) &
  e2e_program_pid=$!
  e2e_pids+=("$e2e_program_pid")
}

# Copies the built program folder to a fresh place and starts the program from there.
# Sets e2e_folder and e2e_program_pid.
e2e_start_program() {
  e2e_copy_program "$@"
  e2e_run_program
}

# Starts the program from any command line, as a launcher does: from a working folder that is
# not the program folder. Sets e2e_program_pid.
e2e_start_command() {
  e2e_start_bus
  (cd "$e2e_tmp" && exec env QT_QPA_PLATFORM=xcb "$@" >"$e2e_tmp/velaria.log" 2>&1) &
  e2e_program_pid=$!
  e2e_pids+=("$e2e_program_pid")
}

# Reads a launcher's Exec line as a desktop does (string escapes, then quoted words, then %%)
# and sets the array e2e_exec to the command's words, field codes such as %f left out.
e2e_desktop_exec() {
  local value raw="" word="" c i quoted=0 have=0
  value=$(sed -n 's/^Exec=//p' "$1" | head -n 1)
  [[ -n $value ]] || e2e_fail "el lanzador $1 no tiene línea Exec"
  for ((i = 0; i < ${#value}; i++)); do
    c=${value:i:1}
    if [[ $c == '\' ]]; then
      i=$((i + 1))
      c=${value:i:1}
      case $c in s) c=' ' ;; n) c=$'\n' ;; t) c=$'\t' ;; r) c=$'\r' ;; esac
    fi
    raw+=$c
  done
  e2e_exec=()
  for ((i = 0; i < ${#raw}; i++)); do
    c=${raw:i:1}
    if ((quoted)); then
      if [[ $c == '"' ]]; then
        quoted=0
      elif [[ $c == '\' ]]; then
        i=$((i + 1))
        word+=${raw:i:1}
      else
        word+=$c
      fi
    elif [[ $c == '"' ]]; then
      quoted=1
      have=1
    elif [[ $c == ' ' || $c == $'\t' ]]; then
      if ((have)); then e2e_exec+=("$word"); fi
      word=""
      have=0
    else
      word+=$c
      have=1
    fi
  done
  ((quoted == 0)) || e2e_fail "comillas sin cerrar en la línea Exec de $1"
  if ((have)); then e2e_exec+=("$word"); fi
  local words=("${e2e_exec[@]}")
  e2e_exec=()
  for word in "${words[@]}"; do
    [[ $word =~ ^%[fFuUdDnNickvm]$ ]] && continue
    e2e_exec+=("${word//%%/%}")
  done
}

# True when the preview frame shows a photograph (many colours) rather than an empty frame:
# the program found muestra.jpg in its own folder. Waits a while for the first paint.
e2e_shows_sample() {
  local window=$1 colours
  for _ in $(seq 50); do
    import -window "$window" -crop 300x200+200+60 +repage "$e2e_tmp/preview.png" 2>/dev/null ||
      e2e_fail "no se pudo capturar la ventana"
    colours=$(convert "$e2e_tmp/preview.png" -format %k info:)
    ((colours > 100)) && return 0
    sleep 0.2
  done
  return 1
}

# Prints the id of the newest visible window whose title matches the pattern, waiting for it;
# fails the test when the program ends first or no such window comes. The second argument says
# what was awaited, for the failure.
e2e_find_window() {
  local id
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | sort -n | tail -n 1 || true)
    [[ -n $id ]] && { echo "$id"; return 0; }
    kill -0 "$e2e_program_pid" 2>/dev/null || e2e_fail "el programa terminó: $(cat "$e2e_tmp/velaria.log")"
    sleep 0.1
  done
  e2e_fail "${2:-no apareció ninguna ventana «$1»}"
}

# Waits for the program's main window and prints its id.
e2e_wait_window() {
  e2e_find_window '^Velaria 1\.0 - ' "la ventana de Velaria no apareció"
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

# What a home folder holds but folders and caches (files, links, sockets), sorted, on one line:
# what a user would find there besides what was there before.
e2e_home_files() {
  (cd "$1" && find . ! -type d ! -path './.cache/*' | LC_ALL=C sort | tr '\n' ' ')
}
