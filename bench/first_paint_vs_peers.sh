#!/usr/bin/env bash
# From process start to the first paint of a 24-megapixel JPEG, as a user
# launches a viewer with the file, for this viewer and the peer viewers
# installed here (feh, nsxiv, qimgv, geeqie), in one run on one Xvfb screen,
# with djpeg's times on the same file for scale. Then, for this viewer, the
# step to the next photo of the folder, from the key press to its paint.
# The probe reads the screen, so every program is timed the same way.
# Usage: bench/first_paint_vs_peers.sh [build] [rounds]
# (peers missing here are skipped: apt-get install feh nsxiv qimgv geeqie)
set -uo pipefail
build=$(realpath "${1:-build}") rounds=${2:-7}
probe="$build/bench/first_paint"
[ -x "$probe" ] || { echo "no $probe: build the benches first" >&2; exit 2; }
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT

# Photograph-sized files with texture to decode, each of one colour the probe
# can find wherever and however large a viewer draws it.
mkdir -p "$work/photos"
colours=(e07828 2860c8 30a048)
for i in 0 1 2; do
  /usr/bin/convert -size 6000x4000 "xc:#${colours[$i]}" -attenuate 1.5 +noise Gaussian -blur 0x1 \
    -quality 90 "$work/photos/photo$i.jpg"
done
photo="$work/photos/photo0.jpg"
echo "file: 6000 x 4000 JPEG, $(( $(stat -c %s "$photo") / 1024 )) KiB"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"

best_of() { # best of five, in ms
  local best=
  for _ in 1 2 3 4 5; do
    local s e
    s=$(date +%s%N); "$@" >/dev/null; e=$(date +%s%N)
    local ms=$(( (e - s) / 1000 ))
    [ -z "$best" ] || [ "$ms" -lt "$best" ] && best=$ms
  done
  printf '%d.%d' $((best / 1000)) $(( (best % 1000) / 100 ))
}
echo "djpeg (full size, best of 5): $(best_of djpeg "$photo") ms"
echo "djpeg -scale 1/8 (best of 5): $(best_of djpeg -scale 1/8 "$photo") ms"

viewers=(ovisto)
for peer in feh nsxiv qimgv geeqie; do
  if command -v "$peer" >/dev/null; then viewers+=("$peer"); else echo "$peer: not installed, skipped"; fi
done

# Every launch gets fresh settings, so no viewer finds a running instance or
# a cache of an earlier run.
launch() { # viewer run-directory -> the command line
  local home=$2
  mkdir -p "$home/config/velmora" "$home/run" "$home/cache" "$home/data"
  chmod 700 "$home/run"
  printf '[General]\nhideWelcomeScreen=1\n' >"$home/config/velmora/Ovisto.conf"
  case $1 in
    ovisto) echo "$build/ovisto $photo" ;;
    *) echo "$1 $photo" ;;
  esac
}

declare -A times
for round in $(seq "$rounds"); do
  for viewer in "${viewers[@]}"; do
    home="$work/home-$viewer-$round"
    mkdir -p "$home"
    # shellcheck disable=SC2046
    out=$(HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run" \
      XDG_CACHE_HOME="$home/cache" XDG_DATA_HOME="$home/data" \
      "$probe" "${colours[0]}" $(launch "$viewer" "$home") | awk '/first paint/ {print $3}')
    times[$viewer]+="${out:-timeout} "
    sleep 0.5
  done
done

median() { tr ' ' '\n' | grep -v '^$' | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
echo "process start to first paint, ms (median of $rounds; each run):"
for viewer in "${viewers[@]}"; do
  printf '  %-7s %7s   (%s)\n' "$viewer" "$(echo "${times[$viewer]}" | median)" "${times[$viewer]% }"
done

steps=()
for round in $(seq "$rounds"); do
  home="$work/step-$round"
  mkdir -p "$home"
  # shellcheck disable=SC2046
  out=$(HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run" \
    "$probe" --step Right "${colours[1]}" "${colours[0]}" $(launch ovisto "$home") | awk '/^step/ {print $2}')
  steps+=("${out:-timeout}")
  sleep 0.5
done
echo "ovisto: key press to the decoded-ahead next photo painted, ms (median of $rounds): $(printf '%s ' "${steps[@]}" | median)   (${steps[*]})"
