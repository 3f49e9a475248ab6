#!/bin/bash
# The real binary with no display at all prints the message and exits with 1.
# (The menu, a game and the way back on Xvfb: tests/menu/real_display_menu_test.sh.)
set -u
binary="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$binary" "$work/tolvane"

out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb ALSOFT_DRIVERS=null "$work/tolvane" 2>&1 </dev/null)
code=$?
[ $code -eq 1 ] || { echo "no display: exit code $code, want 1"; exit 1; }
grep -q "Please check your DirectX-Version" <<<"$out" || { echo "no display: message missing: $out"; exit 1; }
grep -q "the keyboard could not start: no display: " <<<"$out" || { echo "no display: reason missing: $out"; exit 1; }

echo ok
