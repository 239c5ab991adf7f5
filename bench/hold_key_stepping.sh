#!/usr/bin/env bash
# Holding Right through a folder of 40 different 24-megapixel JPEGs (key
# auto-repeat at 30 per second for 2 seconds), then releasing: the time from
# the release to the image stopped on painted sharp, against one full decode
# of that image, and the viewer's peak memory. Shown at actual size, so that
# the sharp image's fine pattern is on screen and a reduced first look (which
# averages it away) does not count. Then: Escape while a 100-megapixel
# neighbour is being decoded ahead, to the window gone and the process ended.
# Usage: bench/hold_key_stepping.sh [build] [rounds] [photo folder to make once and reuse]
set -uo pipefail
build=$(realpath "${1:-build}") rounds=${2:-3}
probe="$build/bench/first_paint"
[ -x "$probe" ] || { echo "no $probe: build the benches first" >&2; exit 2; }
work=$(mktemp -d) xvfb=
photos=${3:-$work/photos}
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT

# Each photo: 4-pixel squares of its own colour on black. Every image differs
# (colour and noise), so nothing can be reused from its neighbours.
mkdir -p "$photos"
colour_of() { printf '%02x%02x%02x' $(( 80 + ($1 * 37) % 170 )) $(( 90 + ($1 * 53) % 160 )) $(( 200 - ($1 * 29) % 120 )); }
for i in $(seq 0 39); do
  out="$photos/$(printf 'p%02d' "$i").jpg"
  [ -s "$out" ] && continue
  c=$(colour_of "$i")
  /usr/bin/convert -size 8x8 xc:black -fill "#$c" -draw "rectangle 0,0 3,3" -draw "rectangle 4,4 7,7" "$work/tile.png"
  /usr/bin/convert -size 6000x4000 tile:"$work/tile.png" -attenuate 0.3 +noise Gaussian -quality 92 "$out"
done
count=60 interval=33
stop=$(( count % 40 ))
target="$photos/$(printf 'p%02d' "$stop").jpg"
echo "folder: 40 JPEGs of 6000 x 4000; $count presses every $interval ms stop on p$(printf '%02d' $stop).jpg"
best=
for _ in 1 2 3 4 5; do
  s=$(date +%s%N); djpeg "$target" >/dev/null; e=$(date +%s%N)
  ms=$(( (e - s) / 1000000 ))
  [ -z "$best" ] || [ "$ms" -lt "$best" ] && best=$ms
done
echo "djpeg full decode of that image (best of 5): $best ms"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"

fresh_home() { # zoom mode: 3 actual size, 0 fit
  local home=$1
  mkdir -p "$home/config/velmora" "$home/run"
  chmod 700 "$home/run"
  printf '[General]\nhideWelcomeScreen=1\nZoomingMode=%s\n' "$2" >"$home/config/velmora/Ovisto.conf"
}

for round in $(seq "$rounds"); do
  home="$work/hold-$round"
  fresh_home "$home" 3
  HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run" \
    "$probe" --hold Right "$count" "$interval" "$(colour_of "$stop")" "$(colour_of 0)" \
    "$build/ovisto" "$photos/p00.jpg" | sed "s/^/round $round: /"
  sleep 0.5
done

# A 100-megapixel neighbour after a small first image.
close="$photos/close"
mkdir -p "$close"
[ -s "$close/a.jpg" ] || /usr/bin/convert -size 800x600 "xc:#e07828" "$close/a.jpg"
# ImageMagick's resource policy refuses 100 megapixels: written as PPM rows instead.
[ -s "$close/b.jpg" ] || python3 -c '
import os, sys
w, h = 12240, 8160
out = sys.stdout.buffer
out.write(b"P6 %d %d 255\n" % (w, h))
noise = os.urandom(w * 3 + 997)
for y in range(h):
    out.write(noise[y % 997 : y % 997 + w * 3])
' | cjpeg -quality 90 >"$close/b.jpg"
for round in $(seq "$rounds"); do
  home="$work/close-$round"
  fresh_home "$home" 0
  # The neighbours are read ahead from 60 ms after the first paint.
  HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run" \
    "$probe" --close 300 e07828 "$build/ovisto" "$close/a.jpg" | sed "s/^/close $round: /"
  sleep 0.5
done
