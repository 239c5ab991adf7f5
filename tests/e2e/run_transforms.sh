#!/usr/bin/env bash
# End to end: a quarter turn refits the window, and Copy puts the selected
# pixels on the X11 clipboard as PNG for other programs.
set -uo pipefail
. "$(dirname "$0")/e2e_lib.sh" "$@"

portrait_soon() { # window: waits up to 10 s for a window taller than wide
  local w h
  for _ in $(seq 200); do
    read -r w h _ _ < <(geometry_of "$1")
    [ -n "$w" ] && [ "$h" -gt "$w" ] && return 0
    sleep 0.05
  done
  echo "  geometry is $(geometry_of "$1")"
  return 1
}
landscape() { local w h; read -r w h _ _ < <(geometry_of "$1"); [ "$w" -gt "$h" ]; }

"$ovisto" "$work/fx/shapes/wide.png" >"$work/ovisto.log" 2>&1 &
wide=$(window_named wide.png)
check "a wide image opens" test -n "$wide"
if [ -n "$wide" ]; then
  xdotool windowfocus "$wide" 2>/dev/null; sleep 0.5
  check "in a landscape window" landscape "$wide"
  xdotool key ctrl+r
  check "Ctrl+R turns it into a portrait window" portrait_soon "$wide"
  xdotool key ctrl+l
  turned_back() { for _ in $(seq 200); do landscape "$1" && return 0; sleep 0.05; done; return 1; }
  check "Ctrl+L turns it back" turned_back "$wide"
  xdotool key Escape
fi

"$ovisto" "$work/fx/shapes/small.png" >>"$work/ovisto.log" 2>&1 &
small=$(window_named small.png)
check "a small image opens" test -n "$small"
if [ -n "$small" ]; then
  xdotool windowfocus "$small" 2>/dev/null; sleep 0.5
  xdotool key m; sleep 0.1
  # The 300 x 200 image sits in the middle of the 400 x 400 window, from (50, 100).
  xdotool mousemove --window "$small" 100 150 mousedown 1
  for step in 1 2 3 4 5; do
    xdotool mousemove --window "$small" $((100 + step * 20)) $((150 + step * 16)); sleep 0.05
  done
  xdotool mouseup 1; sleep 0.3
  xdotool key ctrl+c; sleep 0.5
  targets() { xclip -selection clipboard -t TARGETS -o 2>/dev/null; }
  check "the clipboard offers image/png" bash -c "$(declare -f targets); targets | grep -qx image/png"
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
