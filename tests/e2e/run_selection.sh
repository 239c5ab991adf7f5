#!/usr/bin/env bash
# End to end: a selection over the whole window leaves the toolbar its
# clicks, so Ctrl+A and then Next steps to the next image.
set -uo pipefail
. "$(dirname "$0")/e2e_lib.sh" "$@"

# The shapes folder lists large.png, small.png, wide.png; the large one is
# fitted to the screen, so its selection lies under the whole toolbar.
if up "a large image opens" large.png "$work/fx/shapes/large.png"; then
  viewer=$win
  sleep 0.2
  xdotool key ctrl+a; sleep 0.3
  size_of "$viewer"
  # The toolbar is centred at the bottom, 12 points up; Next is its second
  # 34-point button, after a 10-point margin and a 2-point gap.
  bar_w=$((w - 24 < 460 ? w - 24 : 460))
  next_x=$(((w - bar_w) / 2 + 10 + 34 + 2 + 17)) next_y=$((h - 12 - 54 + 10 + 17))
  # A move first, so that the toolbar shows, then the click on Next.
  xdotool mousemove --window "$viewer" $((w / 2)) $((h / 2)); sleep 0.2
  xdotool mousemove --window "$viewer" "$next_x" "$next_y"; sleep 0.3
  xdotool click 1
  check "Next over the selection steps to the next image" title_becomes "$viewer" small.png
fi

finish
