#!/usr/bin/env bash
# End to end: an image too large to decode whole (the decode budget lowered
# to 8 MB for the run) opens from its overview, and Actual Size shows its
# finest detail sharp in the middle of the window.
set -uo pipefail
. "$(dirname "$0")/e2e_lib.sh" "$@"

# One-pixel checks: an even grey at any reduction, black and white at full size.
convert -size 4000x3000 pattern:gray50 -quality 100 "$work/huge.jpg"
sharp_in_middle() { # window: of two neighbouring pixels in the middle, one dark and one bright
  local w h a b
  read -r w h _ _ < <(geometry_of "$1")
  a=$("$probe" "$1" $((w / 2)) $((h / 2))) b=$("$probe" "$1" $((w / 2 + 1)) $((h / 2)))
  awk -v a="$a" -v b="$b" 'BEGIN { split(a, p, " "); split(b, q, " "); d = p[1] - q[1]
    exit !(d > 150 || d < -150) }'
}

export QT_IMAGEIO_MAXALLOC=8
if up "the large image opens" huge.jpg "$work/huge.jpg"; then
  check "its overview is an even grey" not sharp_in_middle "$win"
  press backslash "Actual Size shows the finest detail sharp" retry 60 sharp_in_middle "$win"
fi
finish
