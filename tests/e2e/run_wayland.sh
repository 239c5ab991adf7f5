#!/usr/bin/env bash
# A Wayland session (a headless compositor beside the X display): with X
# there, the viewer runs on X, where it may place its window; without X, or
# with an X display that does not answer, it runs on Wayland; a plugin the
# user chose is left alone.
set -uo pipefail
. "$(dirname "$0")/e2e_lib.sh" "$@"

if ! command -v weston >/dev/null; then
  echo "FAILED: weston is not installed (scripts/bootstrap.sh installs it)"
  exit 1
fi
helper "$work/weston.log" weston --backend=headless-backend.so --socket=wayland-ovisto \
  --width=1280 --height=800 --idle-time=0
check "the compositor runs" retry 100 test -S "$XDG_RUNTIME_DIR/wayland-ovisto"
x_display=$DISPLAY
export XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-ovisto

# Starts the viewer with the environment given before the image, logging the
# client's Wayland requests; sets $viewer_pid.
start_viewer() { # log, env assignments..., image
  local log=$1; shift
  (export WAYLAND_DEBUG=client; exec env "$@") >"$log" 2>&1 &
  viewer_pid=$!
}
stop_viewer() {
  kill "$viewer_pid" 2>/dev/null
  wait "$viewer_pid" 2>/dev/null
}
# The viewer made a Wayland window with this title.
wayland_window() { # log, title
  retry 200 grep -q "set_title(\"$2\")" "$1" || { echo "  no Wayland window titled $2"; return 1; }
}
running() { kill -0 "$viewer_pid" 2>/dev/null; }

# X is there: X it is, and the viewer places its window itself.
start_viewer "$work/on-x.log" "$ovisto" "$work/fx/sample/a.jpg"
viewer=$(window_named a.jpg)
check "with X there the window is an X window" test -n "$viewer"
check "and no Wayland window is made" not grep -q xdg_toplevel "$work/on-x.log"
centred() { # window: centred across the 1280-wide display
  local w h x y
  read -r w h x y < <(geometry_of "$1")
  [ $((x + w / 2)) -ge 638 ] && [ $((x + w / 2)) -le 642 ] || { echo "  at $w $h $x $y"; return 1; }
}
[ -n "$viewer" ] && check "and centred by the viewer" centred "$viewer"
stop_viewer

# No X: Wayland, with everything but the placement.
start_viewer "$work/no-x.log" -u DISPLAY "$ovisto" "$work/fx/sample/a.jpg"
check "without X the window is a Wayland window" wayland_window "$work/no-x.log" a.jpg
sleep 0.5
check "and the viewer keeps running" running
(env -u DISPLAY "$ovisto" "$work/fx/sample/b.PNG" >/dev/null 2>&1)
check "a second launch hands its file over" wayland_window "$work/no-x.log" b.PNG
stop_viewer

# An X display named but not answering: Wayland rather than no window.
start_viewer "$work/dead-x.log" DISPLAY=:4077 "$ovisto" "$work/fx/sample/a.jpg"
check "with X not answering the window is a Wayland window" wayland_window "$work/dead-x.log" a.jpg
stop_viewer

# The user's own choice of plugin stands, X or not.
start_viewer "$work/chosen.log" DISPLAY="$x_display" QT_QPA_PLATFORM=wayland \
  "$ovisto" "$work/fx/sample/a.jpg"
check "a chosen plugin is kept" wayland_window "$work/chosen.log" a.jpg
stop_viewer

finish
