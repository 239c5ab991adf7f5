#!/usr/bin/env bash
# A panorama far over the decode budget of a whole image: from process start
# to its overview on screen, and the viewer's peak memory, against the floor
# for the format: djpeg's eighth-scale decode of a 24000 x 12000 JPEG (288
# megapixels); for a 40000 x 20000 PNG (800 megapixels) one plain streaming
# read of its rows; for a 40000 x 20000 tiled, pyramidal TIFF one read of the
# level the overview is made from (make_panorama read); for a 40000 x 20000
# BMP or PSD (a PSB, uncompressed) and a 12000 x 10000 Radiance HDR (run-length
# coded) one plain read of the file. 12000 x 10000 is over the budget of a
# machine with less than 2 GB; on larger ones give a larger size.
# Usage: bench/huge_image.sh [build] [rounds] [jpeg|png|tiff|bmp|psd|hdr] [WIDTH HEIGHT]
#   build: the build directory with ovisto and bench/first_paint (default build)
#   PROBE=path uses another build's probe; KEEP=folder keeps (and reuses) the
#   made file there, since an 800-megapixel PNG takes minutes to make.
set -uo pipefail
build=$(realpath "${1:-build}") rounds=${2:-3} format=${3:-jpeg}
case $format in
  jpeg) width=${4:-24000} height=${5:-12000} ext=jpg target=1.3 memory=400 ;;
  png | tiff | bmp | psd) width=${4:-40000} height=${5:-20000} ext=$format target=1.5 memory=500 ;;
  # Every scanline is decoded twice: for the tone mapping's white point, then the overview.
  hdr) width=${4:-12000} height=${5:-10000} ext=hdr target=3 memory=500 ;;
  *) echo "format: jpeg, png, tiff, bmp, psd or hdr" >&2; exit 2 ;;
esac
probe=${PROBE:-$build/bench/first_paint}
maker=$build/bench/make_panorama
ovisto=$build/ovisto
[ -x "$probe" ] || { echo "no $probe: build the benches first" >&2; exit 2; }
[ -x "$maker" ] || { echo "no $maker: build the benches first" >&2; exit 2; }
[ -x "$ovisto" ] || { echo "no $ovisto: build the viewer first" >&2; exit 2; }
work=$(mktemp -d)
xvfb=''
cleanup() {
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# One colour with texture, so the probe finds it however large it is drawn
# and the decoder has real data to decode.
colour=e07828
photo="${KEEP:-$work}/panorama-$width-$height.$ext"
[ -s "$photo" ] || "$maker" "$format" "$width" "$height" "$photo" "$colour" || exit 1
echo "file: $width x $height $format, $(( $(stat -c %s "$photo") / 1048576 )) MiB; screen: Xvfb 1440 x 900 x 24"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1440x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"

best=
for _ in 1 2 3; do
  if [ "$format" = jpeg ]; then
    s=$(date +%s%N); djpeg -scale 1/8 "$photo" >/dev/null; e=$(date +%s%N)
    ms=$(( (e - s) / 1000000 ))
  else
    ms=$("$maker" read "$photo" 1440 900)
  fi
  [ -z "$best" ] || [ "$ms" -lt "$best" ] && best=$ms
done
floor=$([ "$format" = jpeg ] && echo "djpeg -scale 1/8" || echo "one plain read")
echo "$floor: $best ms (best of 3)"

field() { awk -v label="$1:" 'index($0, label) == 1 && $NF != "timeout" {print $(NF - 1); found = 1}
  END {if (!found) print "timeout"}'; }
firsts='' peaks=''
for round in $(seq "$rounds"); do
  home="$work/home-$round"
  mkdir -p "$home/config/velmora" "$home/run" "$home/cache" "$home/data"
  chmod 700 "$home/run"
  printf '[General]\nhideWelcomeScreen=1\n' >"$home/config/velmora/Ovisto.conf"
  out=$(env HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run" \
    XDG_CACHE_HOME="$home/cache" XDG_DATA_HOME="$home/data" "$probe" --settle "$colour" "$ovisto" "$photo")
  firsts+="$(field "first paint" <<<"$out") "
  peaks+="$(field "peak memory" <<<"$out") "
  sleep 0.5
done
median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{a[NR]=$1} END {print NR ? a[int((NR+1)/2)] : "-"}'; }
first=$(median <<<"$firsts") peak=$(median <<<"$peaks")
echo "process start to the overview on screen: $first ms (runs: ${firsts% }), peak RSS $peak MB (runs: ${peaks% })"
if [ "$format" = jpeg ]; then
  made=$first # djpeg's time includes its own start, as the viewer's does
else
  # The floor is the library's work alone: so is the overview's decode.
  made=$("$build/bench/huge_region_timing" "$photo" 3 overview | awk '/^overview/ {print $(NF - 1)}')
  echo "the overview's decode alone: $made ms (best of 3)"
fi
awk -v a="$made" -v b="$best" -v p="$peak" -v f="$floor" -v t="$target" -v m="$memory" 'BEGIN {
  printf "overview / %s: %.2f x (target <= %s); peak RSS %s MB (target < %s)\n", f, a / b, t, p, m }'
