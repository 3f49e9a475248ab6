#!/bin/bash
# The real binary on Xvfb: it shows a full-screen window, an Escape typed with
# xdotool ends it with code 0; with no display at all it prints the message
# and exits with 1.
set -u
binary="$1"
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "no Xvfb/xdotool"; exit 77; }

work=$(mktemp -d)
xvfb=""
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
cp "$binary" "$work/tolvane"

# No display server at all.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb ALSOFT_DRIVERS=null "$work/tolvane" 2>&1 </dev/null)
code=$?
[ $code -eq 1 ] || { echo "no display: exit code $code, want 1"; exit 1; }
grep -q "Please check your DirectX-Version" <<<"$out" || { echo "no display: message missing: $out"; exit 1; }
grep -q "the keyboard could not start: no display: " <<<"$out" || { echo "no display: reason missing: $out"; exit 1; }

# Xvfb picks a free display itself, so tests running side by side never collide.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for i in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$work/display")

ALSOFT_DRIVERS=null "$work/tolvane" &
game=$!
win=""
for i in $(seq 100); do
  win=$(xdotool search --name '^Tolvane$' 2>/dev/null | head -1)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || { echo "no game window"; kill $game; exit 1; }
sleep 1
geom=$(xdotool getwindowgeometry "$win")
grep -q "1280x1024" <<<"$geom" || { echo "window is not full screen: $geom"; kill $game; exit 1; }
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus "$win"
xdotool key --window "$win" Escape
for i in $(seq 100); do kill -0 $game 2>/dev/null || break; sleep 0.1; done
if kill -0 $game 2>/dev/null; then echo "Escape did not end the game"; kill $game; exit 1; fi
wait $game
code=$?
[ $code -eq 0 ] || { echo "exit code $code after Escape"; exit 1; }
echo ok
