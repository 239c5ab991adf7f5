# Shared by the end-to-end scripts: a display of our own, a private settings
# and runtime folder, the test images, and the checks. Sourced with the
# viewer, the image maker and the probe as $1 $2 $3.
ovisto=$1 make_images=$2 probe=$3
work=$(mktemp -d)
helpers=
cleanup() {
  pkill -f -- "^$ovisto" 2>/dev/null
  [ -n "$helpers" ] && kill $helpers 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
# Runs a helper (the display, a window manager, a compositor) in the background until the end.
helper() { # log, command...; $helper_pid is its id
  "${@:2}" >"$1" 2>&1 &
  helper_pid=$! helpers+=" $!"
}

passed=0 failed=0
# Without a window manager some requests can wait for ever: bound each one.
xdotool() { timeout 5 /usr/bin/env xdotool "$@"; }
check() { # name, then the command that must succeed; succeeds as it does
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok: $name"; return 0; fi
  failed=$((failed + 1)); echo "FAILED: $name"; return 1
}

# A display of our own, whatever number is free.
exec 3>"$work/display"
helper "$work/xvfb.log" Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"
# The thumbnail cache too: never the machine's own.
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" XDG_DATA_HOME="$work/data" \
  XDG_CACHE_HOME="$work/cache"
mkdir -p "$XDG_CONFIG_HOME/velmora" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
conf="$XDG_CONFIG_HOME/velmora/Ovisto.conf"
set_conf() { # key=value lines after the ones every run has
  printf '[General]\nhideWelcomeScreen=1\n' >"$conf"
  [ $# -eq 0 ] || printf '%s\n' "$@" >>"$conf"
}
set_conf
unset QT_QPA_PLATFORM

"$make_images" "$work/fx" || { echo "FAILED: making test images"; exit 1; }

# The id of the visible window with exactly this title, at once or waiting up to 10 s.
window_id() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1 | grep .; }
window_named() { retry 200 window_id "$1"; }
# Starts the viewer on the arguments after the title, then gives the id of its window.
open_viewer() { # title, arguments...
  "$ovisto" "${@:2}" >>"$work/ovisto.log" 2>&1 &
  window_named "$1"
}
focus() { xdotool windowfocus "$1" 2>/dev/null; sleep "${2:-0.2}"; }
# Checks that the viewer started on the arguments after the title shows its window, and
# focuses it; $win is its id.
up() { # what, title, arguments...
  win=$(open_viewer "$2" "${@:3}")
  check "$1" test -n "$win" && focus "$win" 0.3
}
press() { # keys, then a check: presses the keys into the focused window, then checks
  xdotool key $1; shift
  check "$@"
}
# Presses the button at x,y in the window and moves it by dx,dy a step at a time, still held.
drag() { # window, x, y, steps, dx, dy
  xdotool mousemove --window "$1" "$2" "$3" mousedown 1
  for step in $(seq "$4"); do
    xdotool mousemove --window "$1" $(($2 + step * $5)) $(($3 + step * $6)); sleep 0.05
  done
}
not() { ! "$@"; }
has_line() { grep -qx -- "$1" "$conf" 2>/dev/null; }
stored() { # key=value, a pattern: waits up to 5 s for the line in the settings file
  retry 100 has_line "$1" || { echo "  no '$1' in:"; sed 's/^/    /' "$conf"; return 1; }
}
# Runs a command up to N times, 0.05 s apart, until it succeeds.
retry() { # N, command...
  local n=$1; shift
  for _ in $(seq "$n"); do "$@" && return 0; sleep 0.05; done
  return 1
}
visible() { window_id "$1" >/dev/null; }
none_named() { retry 100 not visible "$1"; } # no visible window has this title, within 5 s
title_is() { [ "$(xdotool getwindowname "$1" 2>/dev/null)" = "$2" ]; }
title_becomes() { # window, title
  retry 200 title_is "$1" "$2" && return 0
  echo "  title is '$(xdotool getwindowname "$1" 2>/dev/null)', wanted '$2'"
  return 1
}
bright() { # window, awk test of the share s of bright pixels in the middle of the window
  local share
  sleep 0.3
  share=$("$probe" "$1") || return 1
  awk -v s="$share" "BEGIN { exit !($2) }" || { echo "  bright share $share"; return 1; }
}
message_shown() { bright "$1" 's > 0.002'; } # the middle of the window is bright with the message
no_message() { bright "$1" 's <= 0.002'; }

# Whether "R G B" matches: red, green, dark, "R G B" exactly, "~R G B" within 24 each, or,
# after a "!", not so.
rgb_matches() { # rgb, wanted
  awk -v c="$1" -v s="$2" 'BEGIN { split(c, p, " "); r = p[1]; g = p[2]; b = p[3]
    neg = sub(/^!/, "", s)
    if (s == "red") ok = r > 150 && g < 100 && b < 100
    else if (s == "green") ok = g > 150 && r < 100
    else if (s == "dark") ok = r < 90 && g < 90 && b < 90
    else { near = sub(/^~/, "", s); split(s, w, " "); ok = 1
      for (i = 1; i <= 3; i++) { d = p[i] - w[i]; if (near ? d < -24 || d > 24 : d != 0) ok = 0 } }
    exit neg ? ok : !ok }'
}
pixel_matches() { rgb_matches "$("$probe" "$1" "$2" "$3")" "$4"; }
pixel_is() { # window, x, y, wanted: waits up to 2 s for the pixel to match
  retry 40 pixel_matches "$@" || { echo "  pixel at $2,$3 is '$("$probe" "$1" "$2" "$3")', wanted '$4'"; return 1; }
}

# "width height x y" of a window.
geometry_of() {
  xdotool getwindowgeometry --shell "$1" | awk -F= '/^(WIDTH|HEIGHT|X|Y)=/ {v[$1]=$2} END {print v["WIDTH"], v["HEIGHT"], v["X"], v["Y"]}'
}
size_of() { read -r w h _ _ < <(geometry_of "$1"); } # sets $w and $h
geometry_is() { [ "$(geometry_of "$1")" = "$2" ]; }
window_is() { # window, expected geometry: waits up to 5 s for it
  retry 100 geometry_is "$@" || { echo "  geometry is '$(geometry_of "$1")', wanted '$2'"; return 1; }
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
