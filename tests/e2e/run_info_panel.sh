#!/usr/bin/env bash
# End to end: the information panel beside a viewer window. Ctrl+I shows it
# at the top right without taking the keyboard from the viewer; it is stored
# only once the user moves it. Usage: run_info_panel.sh OVISTO MAKE_TEST_IMAGES E2E_PROBE
set -uo pipefail
. "$(dirname "$0")/e2e_lib.sh" "$@"

conf="$XDG_CONFIG_HOME/velmora/Ovisto.conf"
stored() { grep -q "^$1" "$conf"; }
not_stored() { ! stored "$1"; }
panel_gone() {
  for _ in $(seq 100); do
    [ -z "$(xdotool search --onlyvisible --name '^Info$' 2>/dev/null)" ] && return 0
    sleep 0.05
  done
  return 1
}

"$ovisto" "$work/fx/sample" >"$work/ovisto.log" 2>&1 &
viewer=$(window_named a.jpg)
check "a folder opens at its first image" test -n "$viewer"
if [ -n "$viewer" ]; then
  xdotool windowfocus "$viewer" 2>/dev/null; sleep 0.3
  xdotool key ctrl+i
  panel=$(window_named Info)
  check "Ctrl+I shows the panel" test -n "$panel"
  if [ -n "$panel" ]; then
    # 1280 x 800 with no panels of a desktop: 24 in from the right and the top.
    check "it is 240 x 400 at the top right, 24 in" window_is "$panel" "240 400 1016 24"
    check "the viewer keeps the keyboard" test "$(xdotool getwindowfocus 2>/dev/null)" = "$viewer"
    xdotool key Right
    check "Right still steps the viewer" title_becomes "$viewer" b.PNG
    xdotool mousemove --window "$panel" 120 300 click 1; sleep 0.3
    xdotool key Left
    check "after a click into the panel too" title_becomes "$viewer" a.jpg
    sleep 0.5
    check "the default placement is not stored" not_stored InfoPanelX=
    check "the wish is stored" stored PanelVisible=true
    xdotool windowmove "$panel" 300 200; sleep 0.8
    check "a move by the user is stored" stored InfoPanelX=
    xdotool key ctrl+i
    check "Ctrl+I hides it again" panel_gone
    sleep 0.5
    check "and stores that" stored PanelVisible=false
    xdotool key ctrl+i
    panel=$(window_named Info)
    check "shown again where the user left it" window_is "$panel" "240 400 300 200"
  fi
  xdotool key Escape
fi
finish
