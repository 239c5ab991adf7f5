#!/usr/bin/env bash
# End to end: the real viewer under Xvfb, driven with xdotool like a person
# at the keyboard. Usage: run_e2e.sh OVISTO MAKE_TEST_IMAGES E2E_PROBE
set -uo pipefail
. "$(dirname "$0")/e2e_lib.sh" "$@"

viewer=$(open_viewer a.jpg "$work/fx/sample")
check "a folder opens at its first image" test -n "$viewer"
if [ -n "$viewer" ]; then
  focus "$viewer"
  check "the image is shown, not a message" no_message "$viewer"
  xdotool key Right
  check "Right steps to the next image" title_becomes "$viewer" b.PNG
  xdotool key Right Right Right
  check "Right wraps around at the end" title_becomes "$viewer" a.jpg
  xdotool key Left
  check "Left wraps around at the start" title_becomes "$viewer" img2.gif
fi

start=$(date +%s%N)
(cd "$work/fx/damaged" && "$ovisto" broken.jpg)
status=$?
check "a second launch hands over and exits 0" test "$status" -eq 0
broken=$(window_named broken.jpg)
check "the running instance opens the relative path" test -n "$broken"
[ -n "$broken" ] && check "a damaged image shows the failure message" message_shown "$broken"
echo "second launch took $(( ($(date +%s%N) - start) / 1000000 )) ms"

pgrep -f -- "^$ovisto" >/dev/null
check "the first instance is still running" test $? -eq 0

# `ovisto` is a small launcher that loads no Qt: a second launch hands its raw
# arguments to the instance, which leaves Qt's options out and keeps a name
# that is not UTF-8 byte for byte.
no_qt() { ! ldd "$ovisto" | grep -q 'libQt'; }
check "the launcher loads no Qt" no_qt
mkdir -p "$work/fx/handed"
cp "$work/fx/sample/a.jpg" "$work/fx/handed/$(printf 'h\351.jpg')"
start=$(date +%s%N)
(cd "$work/fx/handed" && "$ovisto" -platform xcb --style=fusion "$(printf 'h\351.jpg')")
status=$?
echo "second launch through the launcher took $(( ($(date +%s%N) - start) / 1000000 )) ms"
check "a second launch with Qt options exits 0" test "$status" -eq 0
handed=$(window_named 'h.*\.jpg')
check "the instance opens the Latin-1 name" test -n "$handed"
[ -n "$handed" ] && check "and shows its image" no_message "$handed"
check "no second viewer process" test "$(pgrep -c -f -- "^$ovisto")" -eq 1
if [ -n "$handed" ]; then
  focus "$handed"; xdotool key Escape
fi

# A zip archive opens like a folder: its first entry by name, then Right.
"$ovisto" "$work/fx/photos.zip"
zipped=$(window_named day1.png)
check "an archive opens at its first entry" test -n "$zipped"
if [ -n "$zipped" ]; then
  focus "$zipped"
  xdotool key Right
  check "Right steps through the archive" title_becomes "$zipped" day2.png
  xdotool key Right
  check "to its last entry" title_becomes "$zipped" day3.jpg
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
"$ovisto" "$odd"
mixed=$(window_named b.png)
check "a folder with a FIFO opens at its first image" test -n "$mixed"
if [ -n "$mixed" ]; then
  focus "$mixed"
  title_other() { ! title_is "$1" "$2"; }
  title_changes() { retry 200 title_other "$1" "$2"; } # window, from: within 10 s
  # Twice round the list: each step must land, the FIFO on the failure
  # message, the Latin-1 name on its image.
  title=b.png fifo_seen=0 latin_seen=0
  for step in 1 2 3 4 5 6; do
    xdotool key Right
    check "step $step lands" title_changes "$mixed" "$title"
    title=$(xdotool getwindowname "$mixed" 2>/dev/null)
    case "$title" in
      fifo.jpg) fifo_seen=$((fifo_seen + 1)); check "the FIFO shows the failure message" message_shown "$mixed" ;;
      caf*) latin_seen=$((latin_seen + 1)); check "the Latin-1 name shows its image" no_message "$mixed" ;;
      b.png) check "b.png is shown" no_message "$mixed" ;;
      *) check "unexpected title '$title'" false ;;
    esac
  done
  check "both rounds passed the FIFO" test "$fifo_seen" -eq 2
  check "both rounds passed the Latin-1 name" test "$latin_seen" -eq 2
  xdotool key Escape
  check "Escape still closes the window" none_named 'b\.png'
fi

# Window fitting on the 1280 x 800 screen (no panels, no window manager):
# each zoom mode, read by new windows from the preferences, for a small, a
# wide and a large image. Expected: "width height x y", centred a little
# above the middle.
fit_case() { # mode, image, expected geometry
  set_conf "ZoomingMode=$1"
  "$ovisto" "$work/fx/shapes/$2"
  local id
  id=$(window_named "$2")
  if [ -z "$id" ]; then check "mode $1 shows $2" false; return; fi
  check "mode $1 fits $2 as $3" window_is "$id" "$3"
  focus "$id"; xdotool key Escape
  none_named "$2"
}
fit_case 0 small.png "400 400 440 133"
fit_case 1 small.png "1200 800 40 0"
fit_case 2 small.png "1280 800 0 0"
fit_case 3 small.png "400 400 440 133"
fit_case 0 wide.png "1280 427 0 124"
fit_case 2 wide.png "1280 800 0 0"
fit_case 3 wide.png "1280 800 0 0"
fit_case 0 large.png "1067 800 106 0"
fit_case 1 large.png "1067 800 106 0"
fit_case 2 large.png "1280 800 0 0"

# Panning with D at actual size stops at the image's right edge: the green
# band that ends the image comes into view and stays at the window's edge.
set_conf ZoomingMode=3
large=$(open_viewer large.png "$work/fx/shapes/large.png")
if [ -n "$large" ]; then
  focus "$large"
  # A fresh document zooms about the view centre from a 1-point placeholder,
  # which lands at the far corner; A walks back to the left edge first.
  for _ in $(seq 12); do xdotool key a; sleep 0.08; done
  check "A pans back to the left edge" pixel_is "$large" 1270 400 red
  for _ in $(seq 12); do xdotool key d; sleep 0.08; done
  check "D pans to the right edge" pixel_is "$large" 1270 400 green
  check "and no further" pixel_is "$large" 1279 400 green
  check "the band is exactly at the edge" pixel_is "$large" 1170 400 red
fi

# Selecting: M, then a drag across the 300 x 200 red image, shown at actual
# size in the middle of a 400 x 400 window (x 50..350, y 100..300). The info
# box sits right of the selection while the button is held and goes at the
# release; the dashed outline stays on the selection's left edge.
set_conf ZoomingMode=0
small=$(open_viewer small.png "$work/fx/shapes/small.png")
if [ -n "$small" ]; then
  focus "$small"
  check "the image is where the selection checks expect it" pixel_is "$small" 60 110 red
  xdotool key m; sleep 0.1
  xdotool mousemove --window "$small" 100 150 mousedown 1
  for step in 1 2 3 4; do
    xdotool mousemove --window "$small" $((100 + step * 20)) $((150 + step * 20)); sleep 0.05
  done
  check "the info box shows right of the selection while the button is held" \
    pixel_is "$small" 200 215 dark
  xdotool mouseup 1
  check "the info box goes at the release" pixel_is "$small" 200 215 red
  check "the outline runs along the selection's left edge" pixel_is "$small" 100 170 !red
  check "and nowhere left of it" pixel_is "$small" 98 170 red
  check "the selection's inside is the image" pixel_is "$small" 140 190 red
  # The tool was one-shot: a plain click now hides the selection.
  xdotool mousemove --window "$small" 300 280 click 1
  check "a plain click hides the selection" pixel_is "$small" 100 170 red
  xdotool key Escape
fi

finish
