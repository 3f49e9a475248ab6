#!/bin/bash
# CPU use of the running game on Xvfb: process CPU time / wall time, for each
# screen size and two ways to start it: "default" (no Qt or OpenGL variables
# set; the program picks its path itself, on Xvfb the software scaler, since
# the only OpenGL there is Mesa's software renderer) and "software" (the
# scaler forced by taking OpenGL from Qt). The path the game took is read from
# its "full screen: ..." line on stderr. OpenGL drawn on the processor is left
# out: only a test program can ask for it. The program opens in its menu;
# "1 Player Game" is clicked with xdotool.
# Usage: bench/cpu_on_xvfb.sh build/startup/tolvane [seconds] [screen ...]
#   e.g. bench/cpu_on_xvfb.sh build/startup/tolvane 10 1280x1024
# PATHS="software" measures one way only.
set -eu
binary="$1"
seconds="${2:-10}"
shift $(($# < 2 ? $# : 2))
screens=("$@")
[ ${#screens[@]} -eq 0 ] && screens=(1024x768 1920x1080 3840x2160)
work=$(mktemp -d)
xvfb=""
game=""
cell=""
stop() {
  # Wait for each to be gone, so the next run's display number is free.
  for p in $game $xvfb; do kill "$p" 2>/dev/null && wait "$p" 2>/dev/null || true; done
  game="" xvfb=""
}
trap 'stop; rm -rf "$work"' EXIT
cp "$binary" "$work/tolvane"
for tool in Xvfb xdotool; do command -v $tool >/dev/null || { echo "no $tool"; exit 1; }; done

# Waits for a visible window whose name matches $1; prints its id.
wait_window() {
  local w=""
  for _ in $(seq 100); do
    w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}

# From the menu window into a game: "1 Player Game" sits at (240, 20), 90 x 20,
# on the tab page, which starts at (3, 20) in the window.
start_game() {
  local menu screen X Y
  menu=$(wait_window '^Tolvane V') || return 1
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$menu" | grep -E '^(X|Y)=')"
  xdotool mousemove --sync $((X + 3 + 240 + 45)) $((Y + 20 + 20 + 10)) click 1
  screen=$(wait_window '^Tolvane$') || return 1
  xdotool windowfocus --sync "$screen" 2>/dev/null || true
}

# measure SCREEN PATH: one cell of the table into $cell, the share of one core
# and the path the game took.
measure() {
  local screen=$1 path=$2
  rm -f "$work/display"
  # -noreset: a server that resets when its last client leaves races the game's start.
  Xvfb -displayfd 3 -noreset -screen 0 "${screen}x24" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=:$(head -1 "$work/display")
  if [ "$path" = software ]; then
    ALSOFT_DRIVERS=null QT_XCB_GL_INTEGRATION=none "$work/tolvane" >/dev/null 2>"$work/stderr" &
  else
    env -u QT_XCB_GL_INTEGRATION ALSOFT_DRIVERS=null "$work/tolvane" >/dev/null 2>"$work/stderr" &
  fi
  game=$!
  local started=yes
  start_game || started=no
  sleep 2  # past the game's start
  if [ $started = no ] || ! kill -0 "$game" 2>/dev/null; then
    cell="did not run (game started: $started): $(head -1 "$work/stderr")"
    stop
    return
  fi
  # The game says which way its picture goes when it opens the full screen.
  local used
  used=$(grep -m1 '^full screen: ' "$work/stderr" || true)
  case "$used" in
    "full screen: through OpenGL"*) used=opengl ;;
    "full screen: "*) used=software ;;
    *) used=unknown ;;
  esac
  local ticks u0 s0 u1 s1 t0 t1
  ticks=$(getconf CLK_TCK)
  read -r u0 s0 < <(awk '{print $14, $15}' "/proc/$game/stat")
  t0=$(date +%s.%N)
  sleep "$seconds"
  read -r u1 s1 < <(awk '{print $14, $15}' "/proc/$game/stat")
  t1=$(date +%s.%N)
  stop
  cell=$(awk -v used="$used" -v u="$((u1 - u0 + s1 - s0))" -v hz="$ticks" -v a="$t0" -v b="$t1" \
    'BEGIN { printf "%5.1f %% (%s)", 100 * u / hz / (b - a), used }')
}

paths=(${PATHS:-default software})
echo "share of one core (process time / wall time over ${seconds} s), the path taken in brackets"
printf '%-10s' screen
printf ' %-22s' "${paths[@]}"
echo
for screen in "${screens[@]}"; do
  printf '%-10s' "$screen"
  for path in "${paths[@]}"; do
    measure "$screen" "$path"
    printf ' %-22s' "$cell"
  done
  echo
done
