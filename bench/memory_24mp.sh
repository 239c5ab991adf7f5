#!/usr/bin/env bash
# Peak memory of the viewer showing a 24-megapixel JPEG in a folder of five,
# with the neighbours decoded ahead, then after stepping on three times. Usage: bench/memory_24mp.sh [build/ovisto]
set -uo pipefail
ovisto=$(realpath "${1:-build/ovisto}")
work=$(mktemp -d)
trap 'kill $pid $xvfb 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/photos"
for i in 1 2 3 4 5; do
  /usr/bin/convert -size 6000x4000 "gradient:rgb($((i*60)),40,90)-rgb(30,$((i*50)),200)" \
    -attenuate 0.3 +noise Uniform -quality 90 "$work/photos/photo$i.jpg"
done
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_CONFIG_HOME/velmora" "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
printf '[General]\nhideWelcomeScreen=1\n' >"$XDG_CONFIG_HOME/velmora/Ovisto.conf"
"$ovisto" "$work/photos/photo2.jpg" &
pid=$!
peak() { awk '/VmHWM/ {printf "%.0f MB", $2/1024}' /proc/$pid/status; }
sleep 6
echo "peak memory (VmHWM) showing a 24 MP JPEG with both neighbours decoded ahead: $(peak)"
for _ in 1 2 3; do
  xdotool key Right
  sleep 3
done
echo "peak memory (VmHWM) after stepping on three times (now on $(xdotool getwindowfocus getwindowname)): $(peak)"
