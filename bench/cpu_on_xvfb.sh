#!/bin/bash
# CPU use of the running game on Xvfb: process CPU time / wall time over 10 s.
# Usage: bench/cpu_on_xvfb.sh build/startup/tolvane [seconds] [screen, e.g. 1280x1024]
set -eu
binary="$1"
seconds="${2:-10}"
screen="${3:-1280x1024}"
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 ${screen}x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for i in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
n=$(head -1 "$work/display")
cp "$binary" "$work/tolvane"
DISPLAY=:$n ALSOFT_DRIVERS=null "$work/tolvane" &
pid=$!
sleep 2  # past start-up and the menu
ticks=$(getconf CLK_TCK)
read -r u0 s0 < <(awk '{print $14, $15}' /proc/$pid/stat)
t0=$(date +%s.%N)
sleep "$seconds"
read -r u1 s1 < <(awk '{print $14, $15}' /proc/$pid/stat)
t1=$(date +%s.%N)
kill $pid 2>/dev/null || true
awk -v u="$((u1 - u0 + s1 - s0))" -v hz="$ticks" -v a="$t0" -v b="$t1" \
  'BEGIN { cpu = u / hz; wall = b - a; printf "cpu %.2f s over %.2f s wall: %.1f %% of one core\n", cpu, wall, 100 * cpu / wall }'
