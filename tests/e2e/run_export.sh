#!/usr/bin/env bash
# Export end to end: the panel never offers the shown file, refuses it when it
# is typed, and writes the format the typed extension names.
set -uo pipefail
. "$(dirname "$0")/e2e_lib.sh" "$@"

folder="$work/fx/export"
mkdir -p "$folder"
cp "$work/fx/shapes/small.png" "$folder/photo.png"
before=$(md5sum <"$folder/photo.png")

appears() { retry 200 test -s "$1" || { echo "  no $1"; return 1; }; } # file, within 10 s
# Opens the panel with the keys and checks the name it offers, read by way of the clipboard;
# the panel keeps the focus.
offers() { # what, keys, name
  local panel
  focus "$viewer" 0.3
  xdotool key "$2"
  panel=$(window_named "Export Image") || { check "$1" false; return 1; }
  focus "$panel" 0.5
  xdotool key ctrl+a ctrl+c; sleep 0.3
  check "$1" test "$(timeout 5 xclip -selection clipboard -o 2>/dev/null)" = "$3"
}
type_name() { xdotool key ctrl+a; xdotool type --delay 20 "$1"; sleep 0.2; xdotool key Return; }

if up "a PNG opens" photo.png "$folder/photo.png"; then
  viewer=$win
  if offers "Export as PNG offers a copy's name, not the shown file's" ctrl+shift+e "photo copy.png"; then
    xdotool key Return
    check "saved as offered, beside the shown file" appears "$folder/photo copy.png"
  fi
  if offers "the next offer is numbered" ctrl+shift+e "photo copy 2.png"; then
    type_name photo.png
    refusal=$(window_named "The image could not be exported")
    check "typing the shown file's name is refused with a message" test -n "$refusal"
    focus "$refusal"; xdotool key Return
    check "the message goes" none_named "The image could not be exported"
    check "the panel stays for another name" visible "Export Image"
    focus "$(window_named "Export Image")"
    press Escape "the panel closes" none_named "Export Image"
  fi
  check "the shown file is untouched" test "$(md5sum <"$folder/photo.png")" = "$before"
  if offers "Export as JPEG offers a JPEG name" ctrl+e "photo copy.jpg"; then
    type_name holiday.png
    check "a typed .png name is written" appears "$folder/holiday.png"
    sleep 0.3
    check "as PNG, not JPEG" test "$(identify -format '%m' "$folder/holiday.png" 2>/dev/null)" = PNG
  fi
fi

finish
