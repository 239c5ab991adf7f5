#!/usr/bin/env bash
# End to end: a folder mixing a JPEG with WebP, AVIF and JPEG XL steps
# through all four in name order, each decoded, and wraps around.
set -uo pipefail
. "$(dirname "$0")/e2e_lib.sh" "$@"

colour_near() { # window, "R G B": the middle of the window shows that colour
  local got want=$2
  for _ in $(seq 40); do
    got=$("$probe" "$1" $(( $(geometry_of "$1" | cut -d' ' -f1) / 2 )) $(( $(geometry_of "$1" | cut -d' ' -f2) / 2 )))
    awk -v g="$got" -v w="$want" 'BEGIN { split(g, a, " "); split(w, b, " ");
      for (i = 1; i <= 3; i++) { d = a[i] - b[i]; if (d < -24 || d > 24) exit 1 } }' && return 0
    sleep 0.1
  done
  echo "  colour is '$got', wanted about '$want'"
  return 1
}

folder="$work/fx/modern"
"$ovisto" "$folder/a.jpg" >"$work/ovisto.log" 2>&1 &
viewer=$(window_named a.jpg)
check "the JPEG opens" test -n "$viewer"
if [ -n "$viewer" ]; then
  xdotool windowfocus "$viewer" 2>/dev/null; sleep 0.2
  check "a.jpg shows its picture" colour_near "$viewer" "200 40 40"
  for step in "b.webp 40 180 40" "c.avif 40 60 200" "d.jxl 210 190 30" "a.jpg 200 40 40"; do
    set -- $step
    xdotool key Right
    check "Right steps to $1" title_becomes "$viewer" "$1"
    check "$1 shows its picture" colour_near "$viewer" "$2 $3 $4"
  done
  xdotool key Left
  check "Left wraps around to d.jxl" title_becomes "$viewer" d.jxl
  check "d.jxl shows its picture again" colour_near "$viewer" "210 190 30"
fi
finish
