# Shared by the end-to-end scripts: a display of our own, a private settings
# and runtime folder, the test images, and the checks. Sourced with the
# viewer, the image maker and the probe as $1 $2 $3.
ovisto=$1 make_images=$2 probe=$3
work=$(mktemp -d)
xvfb_pid=
cleanup() {
  pkill -f -- "^$ovisto" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

passed=0 failed=0
# Without a window manager some requests can wait for ever: bound each one.
xdotool() { timeout 5 /usr/bin/env xdotool "$@"; }
check() { # name, then the command that must succeed
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok: $name"
  else failed=$((failed + 1)); echo "FAILED: $name"; fi
}

# A display of our own, whatever number is free.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" XDG_DATA_HOME="$work/data"
mkdir -p "$XDG_CONFIG_HOME/velmora" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
printf '[General]\nhideWelcomeScreen=1\n' >"$XDG_CONFIG_HOME/velmora/Ovisto.conf"
unset QT_QPA_PLATFORM

"$make_images" "$work/fx" || { echo "FAILED: making test images"; exit 1; }

# The id of the visible window with exactly this title, waiting up to 10 s.
window_named() {
  local id
  for _ in $(seq 200); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.05
  done
  return 1
}
title_becomes() { # window, title
  for _ in $(seq 200); do
    [ "$(xdotool getwindowname "$1" 2>/dev/null)" = "$2" ] && return 0
    sleep 0.05
  done
  echo "  title is '$(xdotool getwindowname "$1" 2>/dev/null)', wanted '$2'"
  return 1
}
message_shown() { # window: the middle of the window is bright with the message
  local share
  sleep 0.3
  share=$("$probe" "$1") || return 1
  awk -v s="$share" 'BEGIN { exit !(s > 0.002) }' || { echo "  bright share $share"; return 1; }
}
no_message() {
  local share
  sleep 0.3
  share=$("$probe" "$1") || return 1
  awk -v s="$share" 'BEGIN { exit !(s <= 0.002) }' || { echo "  bright share $share"; return 1; }
}

# "width height x y" of a window.
geometry_of() {
  xdotool getwindowgeometry --shell "$1" | awk -F= '/^(WIDTH|HEIGHT|X|Y)=/ {v[$1]=$2} END {print v["WIDTH"], v["HEIGHT"], v["X"], v["Y"]}'
}
window_is() { # window, expected geometry
  local got
  for _ in $(seq 100); do
    got=$(geometry_of "$1")
    [ "$got" = "$2" ] && return 0
    sleep 0.05
  done
  echo "  geometry is '$got', wanted '$2'"
  return 1
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
