#!/bin/bash
# The real binary on Xvfb (no window manager), driven by xdotool: the menu,
# three games and back, each game on top of every window while it is played
# and each new menu on top once it has ended, the refused "Controls" tab,
# "Exit Game"; then in a fresh folder a key captured with a real key press,
# "Save Settings", and the submission URL handed to a browser stand-in; then
# the game window's close request (in play and at the pause) ends the program
# with code 0, as does another program destroying the game window in play or
# the menu window, and a lost display (in play and in the menu after a game)
# with code 1, never by a signal.
# Screenshots of the three games, the four tabs and the pause land in $2 (when given).
set -u
binary="$1"
shots="${2:-}"
for tool in Xvfb xdotool xprop xwininfo xwd import convert compare cc pkg-config; do
  command -v $tool >/dev/null || { echo "no $tool"; exit 77; }
done

work=$(mktemp -d)
xvfb=""
app=""
trap 'kill $app $xvfb 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# Runs its arguments until they succeed, for at most a minute: a busy machine
# may take long to answer, and only a failure waits the whole time.
wait_for() {
  local end=$((SECONDS + 60))
  until "$@"; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.1
  done
}

start_server() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  wait_for test -s "$work/display" || fail "Xvfb did not start"
  export DISPLAY=:$(head -1 "$work/display")
}
stop_server() {
  kill $xvfb
  wait $xvfb
  xvfb=""
}
start_server
export ALSOFT_DRIVERS=null

# A window manager's close box: WM_DELETE_WINDOW sent to a window, which
# xdotool cannot do.
cc -o "$work/close_request" -x c - $(pkg-config --cflags --libs xcb) <<'SOURCE' || fail "no close request sender"
#include <stdlib.h>
#include <string.h>
#include <xcb/xcb.h>
static xcb_atom_t atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), 0);
  xcb_atom_t a = r != 0 ? r->atom : 0;
  free(r);
  return a;
}
int main(int argc, char** argv) {
  xcb_connection_t* c = xcb_connect(0, 0);
  if (argc != 2 || xcb_connection_has_error(c)) return 2;
  xcb_client_message_event_t e;
  memset(&e, 0, sizeof e);
  e.response_type = XCB_CLIENT_MESSAGE;
  e.format = 32;
  e.window = (xcb_window_t)strtoul(argv[1], 0, 0);
  e.type = atom(c, "WM_PROTOCOLS");
  e.data.data32[0] = atom(c, "WM_DELETE_WINDOW");
  e.data.data32[1] = XCB_CURRENT_TIME;
  xcb_generic_error_t* error =
      xcb_request_check(c, xcb_send_event_checked(c, 0, e.window, XCB_EVENT_MASK_NO_EVENT, (const char*)&e));
  xcb_disconnect(c);
  return error != 0 ? 1 : 0;
}
SOURCE

# The browser stand-in records what it is handed; the desktop's own handlers
# must not get in between.
mkdir -p "$work/xdg-config" "$work/xdg-data"
cat >"$work/browser" <<EOF
#!/bin/sh
printf '%s\n' "\$@" >>"$work/urls"
EOF
chmod +x "$work/browser"
export BROWSER="$work/browser" XDG_CONFIG_HOME="$work/xdg-config" XDG_DATA_HOME="$work/xdg-data"
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION GNOME_DESKTOP_SESSION_ID KDE_FULL_SESSION

TITLE='^Tolvane V1\.3 - written by the Tolvane team$'

# Waits for a window whose name matches $1 and that is not $2; prints its id.
wait_window() {
  local w="" end=$((SECONDS + 60))
  while [ $SECONDS -lt $end ]; do
    w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | grep -vx "${2:-none}" | head -1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}

# The pages of the tab control start at (3, 20) in the window; a click lands
# in the middle of the control given by its place on the page.
menu_x=0
menu_y=0
locate_menu() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  menu_x=$X
  menu_y=$Y
}
# A click at x y on the screen. The pointer is moved there first; xdotool's
# --sync waits for it to move, some 16 s when it is there already.
click_at() {
  local X Y SCREEN WINDOW
  eval "$(xdotool getmouselocation --shell)"
  [ "$X,$Y" = "$1,$2" ] || xdotool mousemove --sync "$1" "$2"
  xdotool click 1
  sleep 0.3
}
click_page() {  # x y w h on the page
  click_at $((menu_x + 3 + $1 + $3 / 2)) $((menu_y + 20 + $2 + $4 / 2))
}
click_tab() {  # index
  local at=(37 104 169 248)
  click_at $((menu_x + ${at[$1]})) $((menu_y + 10))
}
page_shot() {  # file: the window's page area
  import -window root -crop 344x176+$((menu_x + 3))+$((menu_y + 22)) +repage "$1"
}
tab_shot() {  # name
  [ -n "$shots" ] || return 0
  mkdir -p "$shots"
  import -window root -crop 350x200+${menu_x}+${menu_y} +repage "$shots/$1.png"
}
# The menu window as the window manager is asked to show it: 350 x 200 with
# its client area in the middle of the 1280 x 1024 screen, a fixed size (no
# sizing border), and Motif hints that offer no maximise function and show no
# maximise box. The toolkit always sets the resize function bit; the fixed
# size is what keeps the window from being sized.
check_menu_window() {  # window
  local hints="" motif="" end=$((SECONDS + 60))
  # The hints come with the window; wait for them rather than for a time.
  while [ $SECONDS -lt $end ]; do
    hints=$(xprop -id "$1" WM_NORMAL_HINTS 2>/dev/null)
    motif=$(xprop -id "$1" -notype _MOTIF_WM_HINTS 2>/dev/null)
    grep -q "maximum size" <<<"$hints" && grep -q " = " <<<"$motif" && break
    sleep 0.1
  done
  grep -qx $'\t*program specified minimum size: 350 by 200' <<<"$hints" || fail "minimum size: $hints"
  grep -qx $'\t*program specified maximum size: 350 by 200' <<<"$hints" || fail "maximum size: $hints"
  # flags, functions, decorations, input mode, status
  local flags functions decorations
  read -r flags functions decorations _ <<<"$(sed 's/.* = //; s/,/ /g' <<<"$motif")"
  [ -n "$decorations" ] || fail "no Motif hints: $motif"
  # Both fields count, and neither is "all but the bits given" (bit 0).
  (( (flags & 3) == 3 )) || fail "Motif hints leave functions or decorations to the default: $motif"
  (( (functions & 0x11) == 0 )) || fail "a maximise function is offered: $motif"
  (( (decorations & 0x41) == 0 )) || fail "a maximise box is shown: $motif"
  (( (functions & 0x28) == 0x28 )) || fail "no minimise or close function: $motif"
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  [ "$X,$Y,$WIDTH,$HEIGHT" = "465,412,350,200" ] || fail "menu client area at $X,$Y size ${WIDTH}x$HEIGHT"
}
# The window on top of all that are shown, as a decimal id like xdotool's:
# xwininfo lists the root's children from the top of the stack down.
top_window() {
  local w
  for w in $(xwininfo -root -children | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p'); do
    xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable' && { echo $((w)); return 0; }
  done
  return 1
}
stacking() { xwininfo -root -children | grep '^ *0x'; }
diff=""
# The menu's page as it was first drawn; once a game is over it shows again.
back_on_the_game_page() {
  page_shot "$work/game_page_after.png"
  diff=$(compare -metric AE "$work/game_page_before.png" "$work/game_page_after.png" null: 2>&1)
  [ "${diff%% *}" -lt 50 ] 2>/dev/null
}
menu_on_top() { back_on_the_game_page && [ "$(top_window)" = "$1" ]; }
# The game window is on top, and where the menu stands the player sees the
# game: its picture differs from the menu's page almost everywhere.
game_on_top() {
  import -window root "$work/playing.png"
  convert "$work/playing.png" -crop 344x176+$((menu_x + 3))+$((menu_y + 22)) +repage "$work/centre.png"
  diff=$(compare -metric AE "$work/game_page_before.png" "$work/centre.png" null: 2>&1)
  [ "${diff%% *}" -gt $((344 * 176 / 2)) ] 2>/dev/null && [ "$(top_window)" = "$screen" ]
}
wait_exit() {  # what [exit code, 0 when not given]
  wait_for eval '! kill -0 $app 2>/dev/null' || fail "$1 did not end the program"
  wait $app
  local code=$?
  app=""
  [ $code -eq "${2:-0}" ] || fail "exit code $code after $1$( ((code > 128)) && echo " (signal $((code - 128)))")"
}

# ---- a game from the menu and back ----
mkdir "$work/run1"
cp "$binary" "$work/run1/tolvane"
"$work/run1/tolvane" 2> >(tee "$work/run1/stderr" >&2) &
app=$!
menu=$(wait_window "$TITLE") || fail "no menu window"
check_menu_window "$menu"
sleep 0.5
locate_menu "$menu"
page_shot "$work/game_page_before.png"
# The window made once for the game is shown again for each game, under the
# menu made since; without a window manager only a raise puts it on top.
for game in 1 2 3; do
  if [ $game -eq 2 ]; then
    click_page 240 50 90 20  # "2 Player Game"
  else
    click_page 240 20 90 20  # "1 Player Game"
  fi
  screen=$(wait_window '^Tolvane$') || fail "game $game: the start button opened no game screen"
  full_screen() { xdotool getwindowgeometry "$screen" | grep -q "1280x1024"; }
  wait_for full_screen || fail "game window is not full screen: $(xdotool getwindowgeometry "$screen")"
  if [ $game -eq 1 ]; then
    # Xvfb's only OpenGL is Mesa's software renderer: the default path is the scaler.
    wait_for grep -q '^full screen: ' "$work/run1/stderr"
    grep -qE '^full screen: software renderer .+, scaling in software$' "$work/run1/stderr" ||
      fail "the game screen did not take the software scaler: $(grep '^full screen: ' "$work/run1/stderr")"
  fi
  on_top=0
  wait_for game_on_top && on_top=1
  [ -n "$shots" ] && mkdir -p "$shots" && cp "$work/playing.png" "$shots/game_$game.png"
  [ $on_top -eq 1 ] ||
    fail "game $game is not on top ($diff pixels of the menu's place differ from the menu); stack from the top:
$(stacking)"
  xdotool windowfocus --sync "$screen" 2>/dev/null
  xdotool key Escape
  next=$(wait_window "$TITLE" "$menu") || fail "Escape from game $game brought no new menu"
  menu=$next
  locate_menu "$menu"
  wait_for menu_on_top "$menu" ||
    fail "the menu after game $game is not on top ($diff pixels differ from its page); stack from the top:
$(stacking)"
done
click_tab 1  # "Controls", refused after a game
box=$(wait_window '^Error !!!$') || fail "no message for the Controls tab"
import -window root "$work/box.png"
xdotool windowfocus --sync "$box" 2>/dev/null
xdotool key Return
# The menu goes back to "The Game" once the box is gone: wait for that page.
wait_for back_on_the_game_page || fail "the menu did not return to The Game ($diff pixels differ)"
click_page 240 130 90 20  # "Exit Game"
wait_exit "Exit Game"
[ -e "$work/run1/keyboard" ] && fail "the key file was written without Save Settings"

# ---- a fresh folder: capture, save, submit ----
mkdir "$work/run2"
cp "$binary" "$work/run2/tolvane"
"$work/run2/tolvane" &
app=$!
menu=$(wait_window "$TITLE") || fail "no menu window in the fresh folder"
sleep 0.5
locate_menu "$menu"
tab_shot menu_the_game
# Waiting for an event costs no processor time: at most 50 ms in 2 s, once
# the menu has drawn itself (on a busy machine that may take a while). Only
# the thread that waits is counted: the sound library mixes silence in a
# thread of its own, at a cost that depends on the machine and the build.
cpu_ticks() { awk '{print $14 + $15}' /proc/$app/task/$app/stat; }
spent=""
idle_for_two_seconds() {
  local before
  before=$(cpu_ticks)
  sleep 2
  spent=$(( $(cpu_ticks) - before ))
  [ $spent -le 5 ]
}
wait_for idle_for_two_seconds || fail "the waiting menu used $spent ticks of processor time in 2 s"
click_tab 1
xdotool search --onlyvisible --name '^Error !!!$' >/dev/null 2>&1 && fail "Controls refused before any game"
click_page 246 17 80 16  # the "Break" key button
xdotool windowfocus --sync "$menu" 2>/dev/null
xdotool key F1  # held by no other action
sleep 0.3
tab_shot menu_controls
click_page 85 14 75 20  # "Save Settings"
wait_for test -f "$work/run2/keyboard" || fail "Save Settings wrote no key file"
expected=$(printf '%08x' 0xCB 0xCD 0xC8 0xD0 0x9D 0x36 0x1E 0x20 0x11 0x1F 0x32 0x31 0x3B |
  sed 's/\(..\)\(..\)\(..\)\(..\)/\4\3\2\1/g')
actual=$(od -An -v -tx1 "$work/run2/keyboard" | tr -d ' \n')
[ "$actual" = "$expected" ] || fail "key file holds $actual, want $expected"
click_tab 2
tab_shot menu_highscore
click_page 190 120 155 20  # "Send results to WWW"
wait_for test -s "$work/urls"
want='http://highscores.tolvane.example.org/eintrag.php?points=0&k=0&user=&town=&points2=0&k2=0&user2=&town2='
[ "$(cat "$work/urls" 2>/dev/null)" = "$want" ] || fail "browser was handed '$(cat "$work/urls" 2>/dev/null)'"
click_tab 3
tab_shot menu_about
click_tab 0
click_page 240 130 90 20  # "Exit Game"
wait_exit "Exit Game in the fresh folder"

# ---- the game window's close request ends the program ----
run=""
# The binary in a fresh folder $run, its menu shown; sets menu.
start_menu() {
  mkdir "$work/$run"
  cp "$binary" "$work/$run/tolvane"
  "$work/$run/tolvane" 2>"$work/$run/stderr" &
  app=$!
  menu=$(wait_window "$TITLE") || fail "$run: no menu window"
}
# And a game started from its menu (the button at page y $1); sets screen too.
start_game() {  # y
  start_menu
  sleep 0.5
  locate_menu "$menu"
  click_page 240 "$1" 90 20
  screen=$(wait_window '^Tolvane$') || fail "$run: the start button opened no game screen"
  wait_for game_on_top || fail "$run: the game is not on top"
}
screen_state() { xwininfo -id "$screen" 2>/dev/null | sed -n 's/^ *Map State: //p' | grep . || echo gone; }
# The pause shows a still: the picture stops changing.
picture_stands() {
  xwd -root -silent | md5sum >"$work/a"
  sleep 0.3
  xwd -root -silent | md5sum >"$work/b"
  cmp -s "$work/a" "$work/b"
}
close_request() {  # what
  "$work/close_request" "$screen" || fail "the close request $1 could not be sent"
  wait_for eval '! kill -0 $app 2>/dev/null' ||
    fail "the program runs on after the close request $1 (game window: $(screen_state))"
  wait_exit "the close request $1"
}
run=run3
start_game 50  # "2 Player Game"
close_request "in a two-player game"
run=run4
start_game 20  # "1 Player Game"
xdotool windowfocus --sync "$screen" 2>/dev/null
xdotool key p  # the pause key
wait_for picture_stands || fail "the pause key did not halt the game"
[ -n "$shots" ] && import -window root "$shots/pause.png"
close_request "at the pause"

# ---- a window that another program destroys ends the program ----
# As the close request ends it; some tools and panels destroy the window
# instead (xdotool windowclose does), and nothing of the program may run on.
left_over() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/exe" 2>/dev/null)" = "$work/$run/tolvane" ] && return 0
  done
  return 1
}
destroyed() {  # window what
  xdotool windowclose "$1" || fail "$run: $2 could not be destroyed"
  wait_exit "the destroyed $2"
  left_over && fail "a process runs on after the destroyed $2"
}
run=run7
start_game 20
destroyed "$screen" "game window in play"
run=run8
start_menu
destroyed "$menu" "menu window"

# ---- a lost display ends the program with code 1 ----
# A server of its own each time: this one is stopped.
lost_display() {  # what
  stop_server
  wait_exit "the lost display $1" 1
  grep -q '^tolvane: the display was lost: ' "$work/$run/stderr" ||
    fail "no line on stderr for the lost display $1: $(cat "$work/$run/stderr")"
}
stop_server
start_server
run=run5
start_game 20
lost_display "in play"
start_server
run=run6
start_game 20
xdotool windowfocus --sync "$screen" 2>/dev/null
xdotool key Escape
wait_window "$TITLE" "$menu" >/dev/null || fail "$run: Escape brought no new menu"
lost_display "in the menu after a game"
echo ok
