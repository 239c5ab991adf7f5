#!/usr/bin/env bash
# Full screen under a real window manager: F fills the screen with the
# chosen backdrop and F again gives the earlier frame back; the chrome goes
# 3 seconds after the last mouse move and comes back with the next.
set -uo pipefail
. "$(dirname "$0")/e2e_lib.sh" "$@"

# A plain red backdrop, so that the screen's corners tell it from anything
# else, and the toolbar's dark panel shows against it.
set_conf BackgroundMode=1 BackgroundColor=#FF0000

helper "$work/openbox.log" openbox --sm-disable
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
check "openbox manages the display" retry 100 wm_running

read -r screen_w screen_h < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
full="$screen_w $screen_h 0 0" red="255 0 0"

if up "the viewer opens" a.jpg "$work/fx/sample/a.jpg"; then
  viewer=$win
  xdotool windowactivate --sync "$viewer" 2>/dev/null; sleep 0.3
  before=$(geometry_of "$viewer")
  echo "  windowed frame: $before"

  press f "F fills the screen" window_is "$viewer" "$full"
  check "the backdrop colour is in the top-left corner" pixel_is "$viewer" 2 2 "$red"
  check "and in the bottom-right corner" pixel_is "$viewer" $((screen_w - 3)) $((screen_h - 3)) "$red"

  # A point inside the toolbar's panel, beside its first button.
  bar_x=$((screen_w / 2 - 225)) bar_y=$((screen_h - 12 - 27))
  xdotool mousemove $((screen_w / 2)) $((screen_h / 3)); sleep 0.2
  check "the toolbar shows after a mouse move" pixel_is "$viewer" $bar_x $bar_y "!$red"
  sleep 3.5
  check "the chrome is gone 3.5 s after the last move" pixel_is "$viewer" $bar_x $bar_y "$red"
  xdotool mousemove $((screen_w / 2 + 40)) $((screen_h / 3 + 20))
  check "a move brings it back" pixel_is "$viewer" $bar_x $bar_y "!$red"

  press f "F again restores the earlier frame" window_is "$viewer" "$before"
  check "and the backdrop is gone" pixel_is "$viewer" 2 40 "!$red"

  # Escape leaves full screen through the same steps and keeps the window.
  press f "F enters again" window_is "$viewer" "$full"
  press Escape "Escape leaves full screen" window_is "$viewer" "$before"
  check "and does not close the window" window_named a.jpg

  # A maximised window comes back maximised, not at its size before. With
  # no panel a maximised frame is the screen's, so the window manager's
  # state tells them apart.
  wm_state() { xprop -id "$viewer" _NET_WM_STATE 2>/dev/null; }
  state_is() { if wm_state | grep -q "_NET_WM_STATE_$1"; then [ "$2" = yes ]; else [ "$2" = no ]; fi; }
  state_has() { retry 40 state_is "$1" "$2" || { echo "  state: $(wm_state)"; return 1; }; } # atom suffix, yes|no
  read -r w h x y < <(geometry_of "$viewer")
  # A move first, so that the header shows to be clicked.
  xdotool mousemove $((x + w / 2)) $((y + 12)); sleep 0.1
  xdotool mousemove $((x + w / 2)) $((y + 8)); sleep 0.2
  xdotool click --repeat 2 --delay 80 1
  check "a double click on the header maximises" state_has MAXIMIZED_VERT yes
  sleep 0.3
  press f "F from maximised fills the screen" state_has FULLSCREEN yes
  sleep 0.3
  press f "F again leaves full screen" state_has FULLSCREEN no
  check "and the window is maximised again" state_has MAXIMIZED_VERT yes
fi

# From the command line: -f starts in full screen, and --version answers without a window.
"$ovisto" --version >"$work/version.txt" 2>&1
check "--version prints the version and exits 0" grep -q '^ovisto [0-9]' "$work/version.txt"
check "and opens no window" none_named --version
focus "$viewer"; xdotool key Escape
check "the viewer closes" none_named a.jpg
if up "-f opens the image" b.PNG -f "$work/fx/sample/b.PNG"; then
  check "in full screen" window_is "$win" "$full"
fi

finish
