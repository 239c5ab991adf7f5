#!/usr/bin/env bash
# Opening one image of a folder of 100,000 files, one in ten damaged (a few
# random bytes named .jpg), against opening the same image alone in its
# folder: from process start to the image's first paint, under Xvfb, for a
# release build. Prints each run and the medians in milliseconds. The folders
# are made under /tmp and removed at the end.
# Usage: bench/hostile_folder.sh [build] [runs]
set -uo pipefail
build=$(realpath "${1:-build}") runs=${2:-5}
probe="$build/bench/first_paint"
[ -x "$probe" ] || { echo "no $probe: build the benches first" >&2; exit 2; }
work=$(mktemp -d /tmp/ovisto-hostile-XXXXXX) xvfb=
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT

colour=2a6fd6
mkdir -p "$work/large" "$work/alone"
/usr/bin/convert -size 256x256 "xc:#$colour" "$work/alone/IMG_000000.png"
python3 - "$work/large" "$work/alone/IMG_000000.png" <<'EOF'
import os, random, sys
folder, image = sys.argv[1], open(sys.argv[2], 'rb').read()
random.seed(7)
for i in range(100000):
    damaged = i % 10 == 5
    name = 'IMG_%06d.%s' % (i, 'jpg' if damaged else 'png')
    with open(os.path.join(folder, name), 'wb') as out:
        out.write(bytes(random.randrange(256) for _ in range(8)) if damaged else image)
EOF
echo "folder: $(ls "$work/large" | wc -l) files, $(ls "$work/large" | grep -c 'jpg$') damaged"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"

for folder in alone large; do
  times=()
  for run in $(seq "$runs"); do
    home="$work/home-$folder-$run"
    mkdir -p "$home/config/velmora" "$home/run"
    chmod 700 "$home/run"
    printf '[General]\nhideWelcomeScreen=1\n' >"$home/config/velmora/Ovisto.conf"
    # The folder's pages in memory, as they are after a file manager showed it.
    ls "$work/$folder" >/dev/null
    ms=$(HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run" \
      "$probe" "$colour" "$build/ovisto" "$work/$folder/IMG_000000.png" |
      sed -n 's/^first paint: \([0-9.]*\) ms$/\1/p')
    echo "$folder run $run: ${ms:-timeout} ms"
    times+=("${ms:-99999}")
    sleep 0.3
  done
  printf '%s\n' "${times[@]}" | sort -n |
    awk -v f="$folder" '{a[NR]=$1} END {print f ": median first paint " a[int((NR+1)/2)] " ms over " NR " runs"}'
done
