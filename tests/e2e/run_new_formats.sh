#!/usr/bin/env bash
# End to end: a folder mixing a JPEG with WebP, AVIF and JPEG XL steps
# through all four in name order, each decoded, and wraps around.
set -uo pipefail
. "$(dirname "$0")/e2e_lib.sh" "$@"

colour_near() { # window, "R G B": the middle of the window shows about that colour
  size_of "$1"
  pixel_is "$1" $((w / 2)) $((h / 2)) "~$2"
}

if up "the JPEG opens" a.jpg "$work/fx/modern/a.jpg"; then
  viewer=$win
  check "a.jpg shows its picture" colour_near "$viewer" "200 40 40"
  for step in "b.webp 40 180 40" "c.avif 40 60 200" "d.jxl 210 190 30" "a.jpg 200 40 40"; do
    set -- $step
    press Right "Right steps to $1" title_becomes "$viewer" "$1"
    check "$1 shows its picture" colour_near "$viewer" "$2 $3 $4"
  done
  press Left "Left wraps around to d.jxl" title_becomes "$viewer" d.jxl
  check "d.jxl shows its picture again" colour_near "$viewer" "210 190 30"
fi
finish
