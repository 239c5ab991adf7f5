#!/usr/bin/env bash
# End to end: a quarter turn refits the window, and Copy puts the selected
# pixels on the X11 clipboard as PNG for other programs.
set -uo pipefail
. "$(dirname "$0")/e2e_lib.sh" "$@"

landscape() { size_of "$1"; [ "${w:-0}" -gt "${h:-0}" ]; }
portrait() { size_of "$1"; [ "${h:-0}" -gt "${w:-0}" ]; }
portrait_soon() { retry 200 portrait "$1" || { echo "  geometry is $(geometry_of "$1")"; return 1; }; }

if up "a wide image opens" wide.png "$work/fx/shapes/wide.png"; then
  sleep 0.2
  check "in a landscape window" landscape "$win"
  press ctrl+r "Ctrl+R turns it into a portrait window" portrait_soon "$win"
  press ctrl+l "Ctrl+L turns it back" retry 200 landscape "$win"
  xdotool key Escape
fi

if up "a small image opens" small.png "$work/fx/shapes/small.png"; then
  sleep 0.2
  xdotool key m; sleep 0.1
  # The 300 x 200 image sits in the middle of the 400 x 400 window, from (50, 100).
  drag "$win" 100 150 5 20 16
  xdotool mouseup 1; sleep 0.3
  xdotool key ctrl+c; sleep 0.5
  check "the clipboard offers image/png" \
    bash -c "xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -qx image/png"
  timeout 10 xclip -selection clipboard -t image/png -o >"$work/copied.png" 2>/dev/null
  size=$(identify -format '%w %h' "$work/copied.png" 2>/dev/null)
  echo "  copied image: ${size:-none}"
  check "the PNG holds the selected 100 x 80 pixels" test "$size" = "100 80"
  colour=$(convert "$work/copied.png" -format '%[pixel:p{10,10}]' info: 2>/dev/null)
  echo "  colour inside: $colour"
  check "of the image's red" bash -c "[[ '$colour' == *'200,60,60'* ]]"
  xdotool key Escape
fi

finish
