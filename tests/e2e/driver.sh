# Drives the program's window from outside, as a person does: the pointer and the keyboard
# through the X server (xdotool), what there is to see through screenshots (ImageMagick), and
# what a screen reader hears (AT-SPI). Nothing is read from inside the process. Positions come from the layout table in window units
# (15 to a pixel); a screenshot of the window's inside has the window's own pixel coordinates.
# shellcheck shell=bash
# shellcheck disable=SC2034 # what e2e_measure finds is read by the scenarios
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_layout="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../app" && pwd)/form1_layout.cpp"
# Big enough for the frame dragged well beyond its start-up size and for the file dialog.
e2e_screen=${E2E_SCREEN:-1280x800x24}
e2e_shot_file="$e2e_tmp/pantalla.png"

# Waits until a command succeeds, for at most SECONDS, and fails with the description if it
# never does. Usage: e2e_wait SECONDS DESCRIPTION COMMAND [ARGUMENTS...]
e2e_wait() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    ((SECONDS < deadline)) || e2e_fail "$what (tras ${seconds} s)"
    sleep 0.1
  done
}

# A length in window units as whole pixels, as the toolkit stores it.
e2e_px() {
  echo $(((2 * $1 + 15) / 30))
}

# Reads a control's place from the layout table into e2e_left, e2e_top, e2e_width and
# e2e_height (window units). Usage: e2e_control NAME [INDEX]
e2e_control() {
  local row
  row=$(awk -F'"' -v name="$1" -v wanted="${2:--1}" '
    $2 == name { i = $3; gsub(/[ ,]/, "", i); if (i == wanted) { print $5; exit } }' "$e2e_layout")
  read -r e2e_left e2e_top e2e_width e2e_height _ <<<"${row//,/ }"
  [[ ${e2e_height:-} =~ ^[0-9]+$ ]] || e2e_fail "el control $1(${2:-}) no está en $e2e_layout"
}

# The form's background colour (RRGGBB) from the layout table: everything that differs from it
# is a control.
e2e_background=$(sed -n 's/.*kFormColour = rgb(\([0-9]*\), \([0-9]*\), \([0-9]*\)).*/\1 \2 \3/p' \
  "$e2e_layout" | { read -r r g b && printf '%02X%02X%02X' "$r" "$g" "$b"; })

# Starts the X server and the program from a fresh copy of the built program folder, and waits
# for the window to be maximised. Usage: e2e_start BUILT_FOLDER [SAMPLE]; pictures to list at
# start-up go in with e2e_copy_program and e2e_run_program instead.
e2e_start() {
  e2e_start_x "$e2e_screen"
  e2e_copy_program "$@"
  e2e_run_program
  e2e_attach "$(e2e_wait_window)"
}

# Takes the window found by e2e_wait_window: waits until the window manager has maximised it
# over the whole screen, and notes where its inside lies (e2e_ox, e2e_oy) and its size.
e2e_attach() {
  e2e_window=$1
  e2e_wait 20 "la ventana no se maximizó" e2e_maximised
  e2e_wait 20 "la ventana no muestra el marco y sus tiradores" e2e_seen
}

e2e_maximised() {
  local state info
  state=$(xprop -id "$e2e_window" _NET_WM_STATE 2>/dev/null) || return 1
  [[ $state == *_NET_WM_STATE_MAXIMIZED_VERT* && $state == *_NET_WM_STATE_MAXIMIZED_HORZ* ]] ||
    return 1
  info=$(xwininfo -id "$e2e_window" 2>/dev/null) || return 1
  e2e_ox=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
  e2e_oy=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
  e2e_ww=$(awk '/ Width:/ {print $2}' <<<"$info")
  e2e_wh=$(awk '/ Height:/ {print $2}' <<<"$info")
  ((e2e_ww == ${e2e_screen%%x*}))
}

# A screenshot of the window's inside (including whatever lies on top of it).
e2e_shot() {
  import -window "$e2e_window" "$e2e_shot_file" 2>/dev/null
}

# Prints "position RRGGBB" for every pixel of a row or a column of a screenshot.
# Usage: e2e_line FILE row Y X0 X1 | e2e_line FILE column X Y0 Y1
e2e_line() {
  local file=$1 kind=$2 at=$3 from=$4 to=$5 crop
  ((to >= from)) || return 0
  if [[ $kind == row ]]; then crop="$((to - from + 1))x1+$from+$at"; else crop="1x$((to - from + 1))+$at+$from"; fi
  convert "$file" -crop "$crop" +repage -depth 8 txt:- | awk -F'[,:]' -v from="$from" -v kind="$kind" '
    NR > 1 && (i = index($0, "#")) { print (kind == "row" ? $1 : $2) + from, toupper(substr($0, i + 1, 6)) }'
}

# The colour (RRGGBB) of one pixel of a screenshot. Usage: e2e_pixel FILE X Y
e2e_pixel() {
  e2e_line "$1" row "$3" "$2" "$2" | awk '{print $2}'
}

# From e2e_line's output, the first and last position of the last stretch of pixels that are
# not the form's background.
e2e_last_run() {
  awk -v bg="$e2e_background" '$2 != bg { if (!on) start = $1; on = 1; first = start; last = $1; next }
    { on = 0 } END { if (last != "") print first, last }'
}

# Reads from the last screenshot where the frame and the two movable handles are, in window pixels
# (false if it cannot find them, before the first paint say):
#   e2e_frame_left/top/right/bottom, e2e_frame_width/height   the preview frame's edges;
#   e2e_wide_left/right, e2e_wide_colour    the right-hand width handle and its colour;
#   e2e_tall_top/bottom, e2e_tall_colour    the lower height handle and its colour.
e2e_measure() {
  local file=$e2e_shot_file row column left top
  e2e_control Picture1
  left=$(e2e_px "$e2e_left")
  top=$(e2e_px "$e2e_top")
  # A little inside the frame's fixed corner: the frame is the last thing out to the right and
  # down there.
  read -r e2e_frame_left e2e_frame_right <<<"$(e2e_line "$file" row $((top + 10)) "$left" $((e2e_ww - 1)) | e2e_last_run)"
  read -r e2e_frame_top e2e_frame_bottom <<<"$(e2e_line "$file" column $((left + 10)) "$top" $((e2e_wh - 1)) | e2e_last_run)"
  [[ -n $e2e_frame_bottom && -n $e2e_frame_right ]] || return 1
  e2e_frame_width=$((e2e_frame_right - e2e_frame_left + 1))
  e2e_frame_height=$((e2e_frame_bottom - e2e_frame_top + 1))
  # The width handles stand in a row above the frame, joined by a line through their middles:
  # the movable one is the last thing in that row a little below their top.
  e2e_control Picture2 0
  row=$(($(e2e_px "$e2e_top") + 4))
  read -r e2e_wide_left e2e_wide_right <<<"$(e2e_line "$file" row "$row" "$left" $((e2e_ww - 1)) | e2e_last_run)"
  [[ -n $e2e_wide_right ]] || return 1
  e2e_wide_colour=$(e2e_pixel "$file" $((e2e_wide_left + 4)) "$row")
  # The height handles stand in a column left of the frame, the line down their middle.
  e2e_control Picture3 0
  column=$(($(e2e_px "$e2e_left") + $(e2e_px "$e2e_width") - 5))
  read -r e2e_tall_top e2e_tall_bottom <<<"$(e2e_line "$file" column "$column" "$top" $((e2e_wh - 1)) | e2e_last_run)"
  [[ -n $e2e_tall_bottom ]] || return 1
  e2e_tall_colour=$(e2e_pixel "$file" "$column" $((e2e_tall_top + 4)))
}

# Takes a screenshot and measures it (e2e_measure).
e2e_seen() {
  e2e_shot && e2e_measure
}

# Fails the test unless the movable handles end where the frame does, right and bottom, as
# measured last.
e2e_expect_handles_on_frame() {
  [[ $e2e_wide_right -eq $e2e_frame_right ]] ||
    e2e_fail "el tirador de la anchura acaba en $e2e_wide_right, el marco en $e2e_frame_right"
  [[ $e2e_tall_bottom -eq $e2e_frame_bottom ]] ||
    e2e_fail "el tirador de la altura acaba en $e2e_tall_bottom, el marco en $e2e_frame_bottom"
}

# The same, failing the test if nothing is to be seen.
e2e_look() {
  e2e_shot && e2e_measure || e2e_fail "no se ven el marco y sus tiradores"
}

# The middle of the frame's inside: what the preview shows there.
e2e_frame_middle_colour() {
  e2e_pixel "$e2e_shot_file" $(((e2e_frame_left + e2e_frame_right) / 2)) $(((e2e_frame_top + e2e_frame_bottom) / 2))
}

# True when two colours (RRGGBB) differ by little in each channel, as a JPEG's flat colour
# does from the colour it was made of.
e2e_near() {
  local i
  for i in 0 2 4; do
    (($(printf '%d' "0x${1:i:2}") - $(printf '%d' "0x${2:i:2}") <= 12)) || return 1
    (($(printf '%d' "0x${2:i:2}") - $(printf '%d' "0x${1:i:2}") <= 12)) || return 1
  done
}

# Moves the pointer to a pixel of the window's inside.
e2e_pointer() {
  xdotool mousemove --sync $((e2e_ox + $1)) $((e2e_oy + $2))
}

# Moves the pointer to a control's middle, or to a point DX pixels from its left edge.
# Usage: e2e_point NAME [INDEX [DX]]
e2e_point() {
  e2e_control "$1" "${2:--1}"
  local x
  x=$(($(e2e_px "$e2e_left") + ${3:-$(($(e2e_px "$e2e_width") / 2))}))
  e2e_pointer "$x" $(($(e2e_px "$e2e_top") + $(e2e_px "$e2e_height") / 2))
}

# Clicks a control as e2e_point places the pointer.
e2e_click() {
  e2e_point "$@"
  xdotool click 1
}

# Clicks a check box on its box, at its left end: the folder buttons lie over the right-hand
# part of the output format boxes.
e2e_click_box() {
  e2e_click Check2 "$1" 7
}

# True when a check box of the last screenshot shows its tick: dark pixels inside its box.
e2e_ticked() {
  e2e_control Check2 "$1"
  local x y
  x=$(($(e2e_px "$e2e_left") + 2))
  y=$(($(e2e_px "$e2e_top") + $(e2e_px "$e2e_height") / 2 - 4))
  convert "$e2e_shot_file" -crop "10x9+$x+$y" +repage -depth 8 txt:- |
    awk -F'[()]' 'NR > 1 { split($2, c, ","); if (c[1] + c[2] + c[3] < 300) dark++ }
      END { exit !(dark >= 6) }'
}

# Holds the first button down at one pixel of the window and moves through STEPS positions to
# another before letting go: a drag is a run of movements with the button held.
# Usage: e2e_drag X0 Y0 X1 Y1 [STEPS]
e2e_drag() {
  local x0=$1 y0=$2 x1=$3 y1=$4 steps=${5:-8} i
  e2e_pointer "$x0" "$y0"
  xdotool mousedown 1
  for ((i = 1; i <= steps; i++)); do
    e2e_pointer $((x0 + (x1 - x0) * i / steps)) $((y0 + (y1 - y0) * i / steps))
    sleep 0.05
  done
  xdotool mouseup 1
}

e2e_no_window() {
  [[ -z $(xdotool search --onlyvisible --name "$1" 2>/dev/null || true) ]]
}

# Presses Enter in a window (a message box) until no window of its title is left.
e2e_enter_closes() {
  local window=$1 title=$2
  for _ in 1 2 3; do
    xdotool windowactivate --sync "$window" key --clearmodifiers Return 2>/dev/null || true
    for _ in $(seq 50); do e2e_no_window "$title" && return 0; sleep 0.1; done
    window=$(e2e_find_window "$title")
  done
  e2e_fail "Intro no cerró la ventana «$title»"
}

# Picks a file through the open-file dialog that "SELECCIONAR CARPETA" opens: the whole path
# typed into the file name field (which has the focus), then Enter, as a person in a hurry does.
e2e_choose_file() {
  local path=$1 title='^Selecciona una imagen$' dialog
  dialog=$(e2e_find_window "$title")
  for _ in 1 2 3; do
    xdotool windowactivate --sync "$dialog" 2>/dev/null || true
    # Typing again replaces what a previous attempt left in the field.
    xdotool key --clearmodifiers ctrl+a type --delay 10 "$path"
    # The field's completer pops up while the path is typed; a Return it takes only closes
    # the pop-up, so the dialog may need a second one.
    for _ in 1 2; do
      sleep 0.3
      xdotool key --clearmodifiers Return
      for _ in $(seq 30); do e2e_no_window "$title" && return 0; sleep 0.1; done
    done
  done
  e2e_fail "el diálogo no aceptó «$path»"
}

# Clicks the first entry of the file list, near the list's top, and learns from its highlight
# where the entries lie: e2e_entry_top and e2e_entry_height (window pixels). Clicking the
# first entry previews it like any other.
e2e_learn_list() {
  e2e_control File1
  local x top bottom
  x=$(($(e2e_px "$e2e_left") + $(e2e_px "$e2e_width") - 24))
  top=$(e2e_px "$e2e_top")
  bottom=$((top + $(e2e_px "$e2e_height") - 1))
  e2e_pointer "$x" $((top + 4))
  xdotool click 1
  e2e_wait 20 "la primera entrada de la lista no se resaltó" e2e_first_entry "$x" "$top" "$bottom"
}

# True when the last screenshot shows the first entry highlighted: the first stretch of the
# column that is neither the list's border nor its empty background (seen at its bottom).
e2e_first_entry() {
  local x=$1 top=$2 bottom=$3 base
  e2e_shot || return 1
  base=$(e2e_pixel "$e2e_shot_file" "$x" $((bottom - 3)))
  read -r e2e_entry_top e2e_entry_height <<<"$(e2e_line "$e2e_shot_file" column "$x" "$top" "$bottom" |
    awk -v base="$base" 'NR > 3 && $2 != base { if (!start) start = $1; end = $1; next }
      start { print start, end - start + 1; exit }')"
  [[ -n $e2e_entry_height ]] && ((e2e_entry_height >= 8))
}

# Clicks the Nth entry of the file list (from 1), as e2e_learn_list found them.
e2e_click_entry() {
  e2e_control File1
  e2e_pointer $(($(e2e_px "$e2e_left") + 20)) $((e2e_entry_top + ($1 - 1) * e2e_entry_height + e2e_entry_height / 2))
  xdotool click 1
}

# The whole pixels a length of A x NUM / DEN rounds to, as the program computes it: to the
# nearest, an exact half to the even side. Too close to a half for single precision to tell,
# both neighbours are printed.
e2e_scaled() {
  awk -v a="$1" -v n="$2" -v d="$3" 'BEGIN {
    v = a * n / d; f = int(v); r = v - f
    if (r > 0.499 && r < 0.501) print f, f + 1; else if (r < 0.5) print f; else print f + 1 }'
}

# True when a number is one of a list of them (as e2e_scaled prints it).
e2e_one_of() {
  [[ " $2 " == *" $1 "* ]]
}

# How much two pictures of the same size differ: the root mean square of the differences of
# their colour values, from 0 (the same) to 1.
e2e_difference() {
  { compare -metric RMSE "$1" "$2" null: 2>&1 || true; } | sed -n 's/.*(\(.*\)).*/\1/p'
}

# True when two pictures of the same size look alike (JPEG and scaling blur aside).
e2e_alike() {
  awk -v e="$(e2e_difference "$1" "$2")" 'BEGIN { exit !(e != "" && e < 0.05) }'
}

# Checks one output file: its format, its size (width one of WIDTHS, height one of HEIGHTS, as
# e2e_scaled prints them) and that it shows its source picture at that size, whole.
# Usage: e2e_check_output FILE SOURCE FORMAT "WIDTHS" "HEIGHTS"
e2e_check_output() {
  local file=$1 source=$2 format=$3 widths=$4 heights=$5 seen size
  seen=$(e2e_picture "$file")
  [[ -n $seen ]] || e2e_fail "$(basename "$file") no se puede leer"
  size=${seen%% *}
  [[ ${seen#* } == "$format"* ]] || e2e_fail "$(basename "$file") es ${seen#* }, no $format"
  e2e_one_of "${size%x*}" "$widths" && e2e_one_of "${size#*x}" "$heights" ||
    e2e_fail "$(basename "$file") mide $size, no ($widths)x($heights)"
  convert "$source" -resize "$size!" "$e2e_tmp/fuente.png"
  e2e_alike "$file" "$e2e_tmp/fuente.png" ||
    e2e_fail "$(basename "$file") no muestra $(basename "$source") entera a $size"
}

# Prints "WIDTHxHEIGHT FORMAT" of a picture file, or nothing if it cannot be read whole.
e2e_picture() {
  identify -regard-warnings -format '%wx%h %m\n' "$1" 2>/dev/null | head -n 1
}

# Waits until every given file exists and reads as a whole picture: the run writes them one
# after the other.
e2e_wait_pictures() {
  local seconds=$1 file
  shift
  for file in "$@"; do
    e2e_wait "$seconds" "no se escribió $(basename "$file")" e2e_readable "$file"
  done
}

e2e_readable() {
  [[ -s $1 && -n $(e2e_picture "$1") ]]
}

# Names in a folder, sorted, on one line.
e2e_names() {
  (cd "$1" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort | tr '\n' ' ')
}

# Makes a real picture file of a given size with ImageMagick: a colour gradient, or one flat
# colour. Usage: e2e_make_picture FILE WIDTHxHEIGHT [COLOUR]
e2e_make_picture() {
  local fill=${3:+xc:$3}
  convert -size "$2" "${fill:-gradient:gold-navy}" "$1"
}

# Saves the last screenshot as one of the README's pictures when E2E_PICTURES names a folder
# (scripts/screenshot does).
e2e_keep_picture() {
  if [[ -n ${E2E_PICTURES:-} ]]; then cp "$e2e_shot_file" "$E2E_PICTURES/$1"; fi
}

# The screen reader's end of the window: the accessibility bus, started from the test's own
# session bus, on which the program publishes what it shows. Once the session bus is up and
# before the program starts: the program joins an accessibility bus that is there, it does not
# start one.
a11y_start_bus() {
  local launcher="" children
  [[ -x /usr/libexec/at-spi-bus-launcher ]] || e2e_fail "falta at-spi2-core (scripts/setup --test)"
  /usr/bin/python3 -c 'import pyatspi' 2>/dev/null ||
    e2e_fail "falta python3-pyatspi (scripts/setup --test)"
  e2e_start_bus
  # Asking for its address starts it.
  a11y_address=$(dbus-send --session --print-reply=literal --dest=org.a11y.Bus /org/a11y/bus \
    org.a11y.Bus.GetAddress 2>/dev/null | tr -d ' ' || true)
  [[ -n $a11y_address ]] || e2e_fail "el bus de accesibilidad no arrancó"
  # The session bus started it as a process of its own, not ours: the test ends it and its bus
  # by id with the rest.
  launcher=$(a11y_owner "$DBUS_SESSION_BUS_ADDRESS" org.a11y.Bus)
  [[ -n $launcher ]] || e2e_fail "no se sabe qué proceso lleva el bus de accesibilidad"
  mapfile -t children < <(ps -o pid= --ppid "$launcher")
  e2e_pids+=("$launcher" "${children[@]// /}")
  e2e_program_env+=(QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1)
}

# The process id behind a name on a bus, or nothing.
a11y_owner() {
  { dbus-send --bus="$1" --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.GetConnectionUnixProcessID "string:$2" 2>/dev/null || true; } |
    awk '{print $2}'
}

# The registry that the accessibility bus starts once the program or the reader asks for it:
# noted as well, so that it ends with the test.
a11y_note_registry() {
  local registry
  registry=$(a11y_owner "$a11y_address" org.a11y.atspi.Registry)
  if [[ -n $registry ]]; then e2e_pids+=("$registry"); fi
}

# What the screen reader finds (screen_reader.py).
a11y_read() {
  timeout 60 /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/screen_reader.py" "$@" 2>&1
}
