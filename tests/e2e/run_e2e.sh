#!/usr/bin/env bash
# End to end: the real viewer under Xvfb, driven with xdotool like a person
# at the keyboard. Usage: run_e2e.sh OVISTO MAKE_TEST_IMAGES E2E_PROBE
set -uo pipefail
. "$(dirname "$0")/e2e_lib.sh" "$@"

if up "a folder opens at its first image" a.jpg "$work/fx/sample"; then
  check "the image is shown, not a message" no_message "$win"
  press Right "Right steps to the next image" title_becomes "$win" b.PNG
  press "Right Right Right" "Right wraps around at the end" title_becomes "$win" a.jpg
  press Left "Left wraps around at the start" title_becomes "$win" img2.gif
  press Next "Page Down steps to the next image" title_becomes "$win" a.jpg
  xdotool key ctrl+a; sleep 0.3; xdotool key Escape; sleep 0.5
  check "Escape with a selection takes the selection, not the window" visible a.jpg
  # The grid: it grows the small window, Right then Return opens the next image.
  grid_shown() { size_of "$win"; [ "$w" -ge 900 ] && [ "$h" -ge 600 ]; }
  press Return "Return shows the grid, the window grown for it" retry 50 grid_shown
  press "Right Return" "Right then Return in the grid opens the next image" title_becomes "$win" b.PNG
  cached() { # file: a PNG in the cache names its URI and modification time
    local want="file://$1 $(stat -c %Y "$1")" png
    for png in "$XDG_CACHE_HOME"/thumbnails/*/*.png; do
      [ "$(identify -format '%[Thumb::URI] %[Thumb::MTime]' "$png" 2>/dev/null)" = "$want" ] && return 0
    done
    return 1
  }
  check "the thumbnail cache holds a.jpg's, naming its URI and time" retry 50 cached "$work/fx/sample/a.jpg"
  press Left "and back to the image it showed" title_becomes "$win" a.jpg
fi

# A second launch hands over and exits 0, through `ovisto`, a small launcher that loads no Qt:
# the instance opens the relative path, leaves Qt's options out and keeps a name that is not
# UTF-8 byte for byte.
second_launch() { # what, folder, window title, arguments...
  (cd "$2" && "$ovisto" "${@:4}")
  check "a second launch $1 exits 0" test $? -eq 0
  handed=$(window_named "$3")
  check "the running instance opens it" test -n "$handed"
}
second_launch "of a damaged image" "$work/fx/damaged" broken.jpg broken.jpg &&
  check "a damaged image shows the failure message" message_shown "$handed"
# The new window is offset from the one already open, and stays on the screen.
cascaded() {
  local first sw sh w h x y fx fy
  first=$(window_id a.jpg) || return 1
  read -r sw sh < <(xdotool getdisplaygeometry)
  read -r w h x y < <(geometry_of "$handed")
  read -r _ _ fx fy < <(geometry_of "$first")
  [ "$x,$y" != "$fx,$fy" ] && [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "$sw" ] && [ $((y + h)) -le "$sh" ]
}
check "a new window does not cover the open one exactly" cascaded
# The windows placed later then find only the first one open.
focus "$handed"; xdotool key Escape; none_named broken.jpg
check "the first instance is still running" test -n "$(pgrep -f -- "^$ovisto")"
no_qt() { ! ldd "$ovisto" | grep -q 'libQt'; }
check "the launcher loads no Qt" no_qt
mkdir -p "$work/fx/handed"
cp "$work/fx/sample/a.jpg" "$work/fx/handed/$(printf 'h\351.jpg')"
second_launch "with Qt options and a Latin-1 name" "$work/fx/handed" 'h.*\.jpg' \
  -platform xcb --style=fusion "$(printf 'h\351.jpg')" &&
  check "and shows its image" no_message "$handed"
check "no second viewer process" test "$(pgrep -c -f -- "^$ovisto")" -eq 1
focus "$handed"; xdotool key Escape

# A zip archive opens like a folder: its first entry by name, then Right.
if up "an archive opens at its first entry, its folder in the title" "album/day1.png — photos.zip" "$work/fx/photos.zip"; then
  press Right "Right steps through the archive" title_becomes "$win" "trip/day2.png — photos.zip"
  press Right "to its last entry" title_becomes "$win" "trip/day3.jpg — photos.zip"
  xdotool key Escape
fi

# A folder with a FIFO named like an image and a file whose name is not
# UTF-8 (Latin-1 "cafe" with an acute e). Opening the FIFO must fail at once
# like any unreadable file, not wait for a writer; the Latin-1 name must open.
odd="$work/fx/odd"
mkdir -p "$odd"
cp "$work/fx/sample/b.PNG" "$odd/b.png"
cp "$work/fx/sample/a.jpg" "$odd/$(printf 'caf\351.jpg')"
mkfifo "$odd/fifo.jpg"
if up "a folder with a FIFO opens at its first image" b.png "$odd"; then
  title_other() { ! title_is "$1" "$2"; }
  # Twice round the list: each step must land, the FIFO on the failure
  # message, the Latin-1 name on its image.
  title=b.png seen=
  for step in 1 2 3 4 5 6; do
    press Right "step $step lands" retry 200 title_other "$win" "$title"
    title=$(xdotool getwindowname "$win" 2>/dev/null)
    case "$title" in
      fifo.jpg) seen+=F; check "the FIFO shows the failure message" message_shown "$win" ;;
      caf*) seen+=L; check "the Latin-1 name shows its image" no_message "$win" ;;
      b.png) check "b.png is shown" no_message "$win" ;;
      *) check "unexpected title '$title'" false ;;
    esac
  done
  check "both rounds passed the FIFO and the Latin-1 name" \
    test "$(tr -cd F <<<"$seen")$(tr -cd L <<<"$seen")" = FFLL
  press Escape "Escape still closes the window" none_named 'b\.png'
fi

# Window fitting on the 1280 x 800 screen (no panels, no window manager):
# each zoom mode, read by new windows from the preferences, for a small, a
# wide and a large image. Expected: "width height x y", centred a little
# above the middle.
# Alone on the screen: with a window open, a new one is placed off it.
focus "$(window_id a.jpg)" && xdotool key Escape && none_named a.jpg
while read -r mode image w h x y; do
  set_conf "ZoomingMode=$mode"
  up "mode $mode shows $image" "$image" "$work/fx/shapes/$image" || continue
  check "mode $mode fits $image as $w $h $x $y" window_is "$win" "$w $h $x $y"
  xdotool key Escape
  none_named "$image"
done <<'CASES'
0 small.png 400 400 440 133
1 small.png 1200 800 40 0
2 small.png 1280 800 0 0
3 small.png 400 400 440 133
0 wide.png 1280 427 0 124
2 wide.png 1280 800 0 0
3 wide.png 1280 800 0 0
0 large.png 1067 800 106 0
1 large.png 1067 800 106 0
2 large.png 1280 800 0 0
CASES

# Panning with D at actual size stops at the image's right edge: the green
# band that ends the image comes into view and stays at the window's edge.
set_conf ZoomingMode=3
if up "a large image opens at actual size" large.png "$work/fx/shapes/large.png"; then
  # A fresh document zooms about the view centre from a 1-point placeholder,
  # which lands at the far corner; A walks back to the left edge first.
  for _ in $(seq 12); do xdotool key a; sleep 0.08; done
  check "A pans back to the left edge" pixel_is "$win" 1270 400 red
  for _ in $(seq 12); do xdotool key d; sleep 0.08; done
  check "D pans to the right edge" pixel_is "$win" 1270 400 green
  check "and no further" pixel_is "$win" 1279 400 green
  check "the band is exactly at the edge" pixel_is "$win" 1170 400 red
  # The window already fills the screen: a plain drag pans instead of moving it.
  frame=$(geometry_of "$win")
  drag "$win" 600 400 10 30 0; xdotool mouseup 1
  check "a plain drag to the right pans the band out of view" pixel_is "$win" 1270 400 red
  check "and leaves the window where it was" geometry_is "$win" "$frame"
  drag "$win" 600 400 10 -40 0; xdotool mouseup 1
  check "a drag back brings it to the edge again" pixel_is "$win" 1279 400 green
fi

# Selecting: M, then a drag across the 300 x 200 red image, shown at actual
# size in the middle of a 400 x 400 window (x 50..350, y 100..300). The info
# box sits right of the selection while the button is held and goes at the
# release; the dashed outline stays on the selection's left edge.
set_conf ZoomingMode=0
if up "a small image opens" small.png "$work/fx/shapes/small.png"; then
  check "the image is where the selection checks expect it" pixel_is "$win" 60 110 red
  xdotool key m; sleep 0.1
  drag "$win" 100 150 4 20 20
  check "the info box shows right of the selection while the button is held" \
    pixel_is "$win" 200 215 dark
  xdotool mouseup 1
  check "the info box goes at the release" pixel_is "$win" 200 215 red
  check "the outline runs along the selection's left edge" pixel_is "$win" 100 170 !red
  check "and nowhere left of it" pixel_is "$win" 98 170 red
  check "the selection's inside is the image" pixel_is "$win" 140 190 red
  # The tool was one-shot: a plain click now hides the selection.
  xdotool mousemove --window "$win" 300 280 click 1
  check "a plain click hides the selection" pixel_is "$win" 100 170 red
  xdotool key Escape
fi

finish
