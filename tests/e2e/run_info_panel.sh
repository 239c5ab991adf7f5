#!/usr/bin/env bash
# End to end: the information panel beside a viewer window. Ctrl+I shows it
# at the top right without taking the keyboard from the viewer; it is stored
# only once the user moves it; it comes back at the next launch where it was
# left, and its tree, read as a screen reader reads it, names the camera of a
# JPEG with EXIF. Usage: run_info_panel.sh OVISTO MAKE_TEST_IMAGES E2E_PROBE
set -uo pipefail
. "$(dirname "$0")/e2e_lib.sh" "$@"

transient_for() { # the window another floats above, as a decimal id
  local hex
  hex=$(xprop -id "$1" WM_TRANSIENT_FOR 2>/dev/null | grep -o '0x[0-9a-f]*')
  [ -n "$hex" ] && printf '%d\n' "$hex"
}

if up "a folder opens at its first image" a.jpg "$work/fx/sample"; then
  viewer=$win
  xdotool key ctrl+i
  panel=$(window_named Info)
  if check "Ctrl+I shows the panel" test -n "$panel"; then
    # 1280 x 800 with no panels of a desktop: 24 in from the right and the top.
    check "it is 240 x 400 at the top right, 24 in" window_is "$panel" "240 400 1016 24"
    check "the viewer keeps the keyboard" test "$(xdotool getwindowfocus 2>/dev/null)" = "$viewer"
    press Right "Right still steps the viewer" title_becomes "$viewer" b.PNG
    xdotool mousemove --window "$panel" 120 300 click 1; sleep 0.3
    press Left "after a click into the panel too" title_becomes "$viewer" a.jpg
    sleep 0.5
    check "the default placement is not stored" not has_line "InfoPanelX=.*"
    check "the wish is stored" stored PanelVisible=true
    xdotool windowmove "$panel" 300 200
    check "a move by the user is stored" stored "InfoPanelX=.*"
    press ctrl+i "Ctrl+I hides it again" none_named Info
    check "and stores that" stored PanelVisible=false
    xdotool key ctrl+i
    panel=$(window_named Info)
    check "shown again where the user left it" window_is "$panel" "240 400 300 200"

    # A second viewer: moving between the two never takes the panel down.
    if up "a second viewer opens" b.PNG "$work/fx/sample/b.PNG"; then
      second=$win
      helper "$work/xev.log" xev -id "$panel" -event structure
      sleep 0.3
      for _ in 1 2 3; do
        focus "$viewer" 0.3
        focus "$second" 0.3
      done
      kill "$helper_pid" 2>/dev/null
      check "moving between viewers never hides the panel" not grep -q UnmapNotify "$work/xev.log"
      check "and it is still shown" window_named Info
      check "it floats above the viewer in front" test "$(transient_for "$panel")" = "$second"
      focus "$viewer" 0.3
      check "and above the first again" test "$(transient_for "$panel")" = "$viewer"
      focus "$second" 0.3
      press Escape "the second viewer closes" none_named b.PNG
      focus "$viewer" 0.3
    fi
  fi
  xdotool key Escape
fi

# A session bus of our own, for the accessibility bus the toolkit joins.
bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
export DBUS_SESSION_BUS_ADDRESS=${bus%%$'\n'*}
helpers+=" ${bus##*$'\n'}"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

# gdbus against the accessibility bus: address, then destination and path.
a11y() { local address=$1 dest=$2 path=$3; shift 3
  timeout 5 gdbus call --address "$address" --dest "$dest" --object-path "$path" "$@" 2>/dev/null; }
name_of() { a11y "$@" --method org.freedesktop.DBus.Properties.Get org.a11y.atspi.Accessible Name; }
children_of() { a11y "$@" --method org.a11y.atspi.Accessible.GetChildren | grep -o "/org/a11y/atspi/accessible/[0-9a-z_]*"; }
# Whether the subtree under a path holds an element with exactly this name.
holds() { # address, destination, path, name
  local child
  [ "$(name_of "$1" "$2" "$3")" = "(<'$4'>,)" ] && return 0
  for child in $(children_of "$1" "$2" "$3"); do holds "$1" "$2" "$child" "$4" && return 0; done
  return 1
}
camera_in_tree() { # the panel's subtree, under the application's root, names the model
  local address app root
  address=$(timeout 5 gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
    --method org.a11y.Bus.GetAddress | sed -E "s/^\('(.*)',\)$/\1/")
  for _ in $(seq 40); do
    app=$(a11y "$address" org.a11y.atspi.Registry /org/a11y/atspi/accessible/root \
      --method org.a11y.atspi.Accessible.GetChildren | grep -o "':[0-9.]*'" | head -n1 | tr -d "'")
    for root in $(children_of "$address" "$app" /org/a11y/atspi/accessible/root); do
      [ "$(name_of "$address" "$app" "$root")" = "(<'Info'>,)" ] &&
        holds "$address" "$app" "$root" "Ovisto E2E Cam" && return 0
    done
    sleep 0.3
  done
  echo "  the panel's tree does not name the camera"
  return 1
}

no_viewer() { ! pgrep -f -- "^$ovisto" >/dev/null; }
check "the viewer quits with its last window" retry 200 no_viewer
mkdir -p "$work/camera"
exiftool -q -Make=Velmora -Model="Ovisto E2E Cam" -o "$work/camera/cam.jpg" "$work/fx/sample/a.jpg"
viewer=$(open_viewer cam.jpg "$work/camera/cam.jpg")
check "a JPEG with EXIF opens" test -n "$viewer"
panel=$(window_named Info)
if check "the panel comes back at launch" test -n "$panel"; then
  check "where the user left it" window_is "$panel" "240 400 300 200"
  check "its tree names the camera's model" camera_in_tree
fi
[ -n "$viewer" ] && xdotool key --window "$viewer" Escape
finish
