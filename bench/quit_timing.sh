#!/usr/bin/env bash
# How long Ctrl+Q takes to end the process while a decode is still running:
# the viewer opens a panorama over the decode budget (its overview streams
# for seconds), Ctrl+Q goes to the window as soon as it shows, and the time
# is taken until the process is gone. The same with an ordinary photo, idle.
# Usage: bench/quit_timing.sh [build] [rounds]
#   build: the build directory with ovisto and bench/make_panorama (default build)
#   KEEP=folder keeps (and reuses) the made files there.
set -uo pipefail
build=$(realpath "${1:-build}") rounds=${2:-5}
ovisto=$build/ovisto maker=$build/bench/make_panorama
[ -x "$ovisto" ] || { echo "no $ovisto: build the viewer first" >&2; exit 2; }
[ -x "$maker" ] || { echo "no $maker: build the benches first" >&2; exit 2; }
work=$(mktemp -d)
pid='' xvfb=''
cleanup() {
  [ -z "$pid" ] || kill "$pid" 2>/dev/null
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
xdotool() { timeout 5 /usr/bin/env xdotool "$@"; }

files=${KEEP:-$work}
mkdir -p "$files"
huge=$files/quit-panorama.png photo=$files/quit-photo.jpg
[ -s "$huge" ] || "$maker" png 20000 12000 "$huge" e07828 || exit 1
[ -s "$photo" ] || "$maker" jpeg 6000 4000 "$photo" 2878e0 || exit 1

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1440x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"
home=$work/home
mkdir -p "$home/config/velmora" "$home/run" "$home/cache" "$home/data"
chmod 700 "$home/run"
printf '[General]\nhideWelcomeScreen=1\n' >"$home/config/velmora/Ovisto.conf"
unset QT_QPA_PLATFORM

# One round: start on the file, wait for its window (and `settle` seconds),
# send Ctrl+Q, print the milliseconds until the process has ended.
round() {
  local file=$1 settle=$2 win='' s e
  XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/run XDG_CACHE_HOME=$home/cache \
    XDG_DATA_HOME=$home/data "$ovisto" "$file" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 200); do
    win=$(xdotool search --onlyvisible --name "^$(basename "$file")" 2>/dev/null | head -n1)
    [ -n "$win" ] && break
    sleep 0.02
  done
  [ -n "$win" ] || { echo "FAILED: no window for $file" >&2; return 1; }
  sleep "$settle"
  xdotool windowfocus --sync "$win" 2>/dev/null
  s=$(date +%s%N)
  xdotool key ctrl+q
  while kill -0 "$pid" 2>/dev/null && [ -z "$(ps -o stat= -p "$pid" | grep Z)" ]; do
    [ $(( ($(date +%s%N) - s) / 1000000 )) -lt 5000 ] || { echo "FAILED: alive 5 s after Ctrl+Q" >&2; return 1; }
    sleep 0.002
  done
  e=$(date +%s%N)
  wait "$pid" 2>/dev/null
  pid=''
  echo $(( (e - s) / 1000000 ))
}

median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
report() {
  local label=$1 file=$2 settle=$3 times=''
  for _ in $(seq "$rounds"); do times="$times $(round "$file" "$settle")" || exit 1; done
  echo "$label: median $(echo $times | tr ' ' '\n' | median) ms (rounds:$times)"
}
echo "files: 20000 x 12000 PNG ($(( $(stat -c %s "$huge") / 1048576 )) MiB), 6000 x 4000 JPEG; Xvfb 1440 x 900"
report "Ctrl+Q with the panorama's overview still decoding" "$huge" 0.2
report "Ctrl+Q on a photo, idle" "$photo" 1.5
