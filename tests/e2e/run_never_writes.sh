#!/usr/bin/env bash
# End to end: a folder of every kind of file the viewer shows, stepped through
# with every command that could write (rotate, copy, export elsewhere, the
# information panel, full screen, the slideshow), then quit: afterwards every
# file has its bytes, size and modification time, and nothing has appeared in
# the folder or left it.
set -uo pipefail
. "$(dirname "$0")/e2e_lib.sh" "$@"

fx=$work/fx folder=$work/mixed out=$work/out
mkdir -p "$folder/sub" "$out"
cp "$fx/sample/a.jpg" "$fx/sample/b.PNG" "$fx/sample/img2.gif" "$fx/sample/c.txt" \
  "$fx/modern/b.webp" "$fx/modern/c.avif" "$fx/modern/d.jxl" "$fx/damaged/broken.jpg" \
  "$fx/photos.zip" "$fx/shapes/wide.png" "$fx/rotated/portrait.jpg" "$folder/"
cp "$fx/sample/a.jpg" "$folder/sub/"
convert "$fx/shapes/small.png" -compress lzw "$folder/scan.tif"
convert "$fx/shapes/small.png" "$folder/old.bmp"
heif-enc -q 60 -o "$folder/phone.heic" "$fx/shapes/small.png" >/dev/null 2>&1
img2webp -loop 0 "$fx/shapes/small.png" -d 100 "$fx/shapes/wide.png" -o "$folder/moving.webp" \
  >/dev/null 2>&1
(cd "$work" && mkdir -p sketch/previews && cp "$fx/shapes/small.png" sketch/previews/preview.png &&
  cd sketch && zip -q -r "$folder/design.sketch" previews)
head -c 300 "$fx/shapes/wide.png" >"$folder/cut.png"
: >"$folder/empty.jpg"
head -c 4096 /dev/urandom >"$folder/noise.tif"
touch -d '2001-02-03 04:05:06' "$folder"/* # times a rewrite could not keep by accident

# Name, size, modification time, inode and checksum of everything under the folder.
snapshot() {
  (cd "$folder" && find . -printf '%p %y %s %T@ %i\n' | sort &&
    find . -type f -print0 | sort -z | xargs -0 md5sum)
}
before=$(snapshot)

if up "the mixed folder opens at its first image" a.jpg "$folder/a.jpg"; then
  viewer=$win
  titles=$(xdotool getwindowname "$viewer")
  # Through every entry and round to the start again, a command at some of them.
  for step in $(seq 22); do
    xdotool key Right; sleep 0.4
    titles+=$'\n'$(xdotool getwindowname "$viewer" 2>/dev/null)
    case $step in
      2) xdotool key ctrl+r; sleep 0.3; xdotool key ctrl+l ;;
      3) xdotool key ctrl+a; sleep 0.2; xdotool key ctrl+c; sleep 0.3; xdotool key ctrl+shift+a ;;
      5) xdotool key ctrl+i; sleep 0.8 ;;
      7) xdotool key f; sleep 1.2; xdotool key Escape; sleep 0.8 ;;
      9) xdotool key ctrl+Right ctrl+Right ;; # the frames of whatever plays
    esac
    focus "$viewer" 0.1
  done
  check "stepping went through every entry" \
    test "$(sort -u <<<"$titles" | grep -c .)" -ge 15
  # Exported into another folder, as a user keeping a copy would.
  xdotool key ctrl+e
  if panel=$(window_named "Export Image"); then
    focus "$panel" 0.5
    xdotool key ctrl+a; xdotool type --delay 20 "$out/copy.jpg"; sleep 0.2; xdotool key Return
    check "the export is written into the other folder" retry 200 test -s "$out/copy.jpg"
  else
    check "the export panel opens" false
  fi
  focus "$viewer" 0.3
  xdotool key ctrl+shift+s; sleep 3; xdotool key ctrl+shift+s
  check "the viewer is still running" pgrep -f -- "^$ovisto"
  focus "$viewer" 0.2
  xdotool key ctrl+q
  check "Quit ends the viewer" retry 200 not pgrep -f -- "^$ovisto"
fi

after=$(snapshot)
unchanged() {
  [ "$before" = "$after" ] && return 0
  diff <(echo "$before") <(echo "$after") | sed 's/^/  /' | head -20
  return 1
}
check "every file keeps its bytes, size and time, and none came or went" unchanged

finish
