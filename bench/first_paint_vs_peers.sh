#!/usr/bin/env bash
# From process start to a 24-megapixel JPEG on screen, as a user launches a
# viewer with the file, for this viewer and the peer viewers installed here
# (feh, nsxiv, qimgv, geeqie), in one run on one Xvfb screen, with djpeg's
# times on the same file for scale:
#  - first pixel: half the image area the viewer ends up showing shows the
#    image; sharp image: the last change on screen (the full decode replacing
#    a reduced first look); peak RSS of the viewer once the screen is still;
#  - second launch: with the viewer showing one photo, a second `ovisto`
#    process started with another photo, to that photo's first pixel;
#  - start-up to an empty window (bench/startup.sh);
#  - the step to the next photo of the folder, from the key press to its paint.
# The probe reads the screen, so every program is timed the same way.
# Usage: bench/first_paint_vs_peers.sh [build] [rounds]
#   build: the build directory with ovisto and bench/first_paint (default build)
#   rounds: launches per viewer, medians over them (default 5)
#   PROBE=path uses another build's probe, e.g. to time an older viewer.
# Peers missing here are skipped: bench/setup_peers.sh installs them.
set -uo pipefail
build=$(realpath "${1:-build}") rounds=${2:-5}
here=$(cd "$(dirname "$0")" && pwd)
probe=${PROBE:-$build/bench/first_paint}
ovisto=$build/ovisto
[ -x "$probe" ] || { echo "no $probe: build the benches first" >&2; exit 2; }
[ -x "$ovisto" ] || { echo "no $ovisto: build the viewer first" >&2; exit 2; }
{ "$probe" 2>&1 || true; } | grep -q -- --settle || { echo "$probe has no --settle: rebuild it" >&2; exit 2; }
work=$(mktemp -d)
xvfb='' instance=''
cleanup() {
  [ -z "$instance" ] || kill "$instance" 2>/dev/null
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Photograph-sized files with texture to decode, each of one colour the probe
# can find wherever and however large a viewer draws it. The noise is what a
# reduced first look averages away, so the full decode shows as a change.
mkdir -p "$work/photos"
colours=(e07828 2860c8 30a048)
for i in 0 1 2; do
  /usr/bin/convert -size 6000x4000 "xc:#${colours[$i]}" -attenuate 1.5 +noise Gaussian -blur 0x1 \
    -quality 90 "$work/photos/photo$i.jpg"
done
photo="$work/photos/photo0.jpg"
# Launches are compared on the photo alone in its folder, so that no viewer
# decodes neighbours ahead: the peak memory is that of showing one photo.
mkdir -p "$work/alone"
ln "$photo" "$work/alone/photo0.jpg"
echo "file: 6000 x 4000 JPEG, $(( $(stat -c %s "$photo") / 1024 )) KiB; screen: Xvfb 1440 x 900 x 24"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1440x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"

best_of() { # best of five, in ms
  local best=
  for _ in 1 2 3 4 5; do
    local s e
    s=$(date +%s%N); "$@" >/dev/null; e=$(date +%s%N)
    local us=$(( (e - s) / 1000 ))
    [ -z "$best" ] || [ "$us" -lt "$best" ] && best=$us
  done
  printf '%d.%d' $((best / 1000)) $(( (best % 1000) / 100 ))
}
djpeg_full=$(best_of djpeg "$photo")
djpeg_eighth=$(best_of djpeg -scale 1/8 "$photo")
echo "djpeg full size: $djpeg_full ms, -scale 1/8: $djpeg_eighth ms (best of 5)"

# ovisto3: this viewer launched on photo0 in the folder of three, with its
# neighbours decoded ahead as a user's folder would have them.
viewers=(ovisto ovisto3)
for peer in feh nsxiv qimgv geeqie; do
  if command -v "$peer" >/dev/null; then viewers+=("$peer"); else echo "$peer: not installed, skipped"; fi
done

# Every launch gets fresh settings, so no viewer finds a running instance or
# a cache of an earlier run.
fresh_home() { # directory
  mkdir -p "$1/config/velmora" "$1/run" "$1/cache" "$1/data"
  chmod 700 "$1/run"
  printf '[General]\nhideWelcomeScreen=1\n' >"$1/config/velmora/Ovisto.conf"
}
in_home() { # directory -> the env command line that runs a program with that home
  local home=$1
  echo "env HOME=$home XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/run" \
    "XDG_CACHE_HOME=$home/cache XDG_DATA_HOME=$home/data"
}
command_of() { # viewer -> the command line that shows photo0
  case $1 in
    ovisto) echo "$ovisto $work/alone/photo0.jpg" ;;
    ovisto3) echo "$ovisto $photo" ;;
    *) echo "$1 $work/alone/photo0.jpg" ;;
  esac
}
field() { # label, from a probe's output on stdin: the number, or timeout
  awk -v label="$1:" 'index($0, label) == 1 && $NF != "timeout" {print $(NF - 1); found = 1}
    END {if (!found) print "timeout"}'
}
# A timeout counts as the slowest run.
median() {
  tr ' ' '\n' | grep -v '^$' | sed 's/^timeout$/1e9/' | sort -g |
    awk '{a[NR]=$1} END {m = NR ? a[int((NR+1)/2)] : "-"; print (m == "1e9" ? "timeout" : m)}'
}

declare -A firsts sharps peaks skipped
for round in $(seq "$rounds"); do
  for viewer in "${viewers[@]}"; do
    [ -z "${skipped[$viewer]:-}" ] || continue
    home="$work/home-$viewer-$round"
    fresh_home "$home"
    # shellcheck disable=SC2046
    out=$($(in_home "$home") "$probe" --settle "${colours[0]}" $(command_of "$viewer"))
    first=$(field "first paint" <<<"$out")
    if [ "$round" = 1 ] && [ "$first" = timeout ]; then
      skipped[$viewer]="no image on screen within 30 s under Xvfb"
      continue
    fi
    firsts[$viewer]+="$first "
    sharps[$viewer]+="$(field sharp <<<"$out") "
    peaks[$viewer]+="$(field "peak memory" <<<"$out") "
    sleep 0.5
  done
done

echo
echo "process start to photo0 on screen, alone in its folder (ovisto3: in the folder of three)," \
  "median of $rounds launches (each run below):"
printf '  %-7s %12s %12s %9s\n' viewer "first pixel" "sharp image" "peak RSS"
for viewer in "${viewers[@]}"; do
  if [ -n "${skipped[$viewer]:-}" ]; then
    printf '  %-7s skipped: %s\n' "$viewer" "${skipped[$viewer]}"
    continue
  fi
  printf '  %-7s %9s ms %9s ms %6s MB\n' "$viewer" "$(median <<<"${firsts[$viewer]}")" \
    "$(median <<<"${sharps[$viewer]}")" "$(median <<<"${peaks[$viewer]}")"
done
printf '  %-7s %9s ms %12s %9s\n' "djpeg" "$djpeg_full" "" "(full)"
printf '  %-7s %9s ms %12s %9s\n' "djpeg" "$djpeg_eighth" "" "(1/8)"
for viewer in "${viewers[@]}"; do
  [ -z "${skipped[$viewer]:-}" ] || continue
  echo "  $viewer runs: first pixel ${firsts[$viewer]% } | sharp ${sharps[$viewer]% } | peak MB ${peaks[$viewer]% }"
done
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (a + 0 > 0 && b + 0 > 0) printf "%.2f", a / b; else print "-"}'; }
echo "ovisto / djpeg full: first pixel $(ratio "$(median <<<"${firsts[ovisto]:-}")" "$djpeg_full") x (target <= 1.0)," \
  "sharp image $(ratio "$(median <<<"${sharps[ovisto]:-}")" "$djpeg_full") x (target <= 1.4)"

# Second launch: the running viewer gets the path from a second process,
# which shows the new photo in a new window or the same one as its settings
# say; the probe looks for its colour wherever it shows.
seconds=()
for round in $(seq "$rounds"); do
  home="$work/second-$round"
  fresh_home "$home"
  # shellcheck disable=SC2046
  $(in_home "$home") "$ovisto" "$photo" >/dev/null 2>&1 &
  instance=$!
  # Time to show photo0 sharp and settle, as a person would look at it.
  sleep 3
  # shellcheck disable=SC2046
  out=$($(in_home "$home") "$probe" --settle "${colours[1]}" "$ovisto" "$work/photos/photo1.jpg")
  seconds+=("$(field "first paint" <<<"$out")")
  kill "$instance" 2>/dev/null
  wait "$instance" 2>/dev/null
  instance=''
  sleep 0.5
done
second=$(printf '%s ' "${seconds[@]}" | median)
echo "second launch, process start to the new photo's first pixel: $second ms (median of $rounds: ${seconds[*]});" \
  "djpeg 1/8: $djpeg_eighth ms, ratio $(ratio "$second" "$djpeg_eighth") x (target <= 1.2)"

# startup.sh ends stray processes of the binary it is given by its path; a
# private copy keeps that to its own runs. The launcher finds the viewer
# beside it (builds from before the launcher have the viewer alone).
mkdir -p "$work/startup"
cp "$ovisto" "$work/startup/ovisto"
[ ! -e "$build/ovisto-viewer" ] || cp "$build/ovisto-viewer" "$work/startup/"
startup=$("$here/startup.sh" "$work/startup/ovisto" 15 2>/dev/null | awk '/^median/ {print $2}')
echo "start-up to an empty window: ${startup:-failed} ms (median of 15, bench/startup.sh)"

steps=()
for round in $(seq "$rounds"); do
  home="$work/step-$round"
  fresh_home "$home"
  # shellcheck disable=SC2046
  out=$($(in_home "$home") "$probe" --step Right "${colours[1]}" "${colours[0]}" "$ovisto" "$photo" | awk '/^step/ {print $2}')
  steps+=("${out:-timeout}")
  sleep 0.5
done
echo "ovisto: key press to the decoded-ahead next photo painted, ms (median of $rounds): $(printf '%s ' "${steps[@]}" | median)   (${steps[*]})"
