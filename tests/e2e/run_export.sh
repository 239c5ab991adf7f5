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
open_panel() { # keys: the panel's window id once it is up, with the focus
  local panel
  focus "$viewer" 0.3
  xdotool key "$1"
  panel=$(window_named "Export Image") || return 1
  focus "$panel" 0.5
  echo "$panel"
}
name_field() { # the text of the focused name field, by way of the clipboard
  xdotool key ctrl+a ctrl+c; sleep 0.3
  timeout 5 xclip -selection clipboard -o 2>/dev/null
}
type_name() { xdotool key ctrl+a; xdotool type --delay 20 "$1"; sleep 0.2; xdotool key Return; }

viewer=$(open_viewer photo.png "$folder/photo.png")
check "a PNG opens" test -n "$viewer"
if [ -n "$viewer" ]; then
  panel=$(open_panel ctrl+shift+e)
  check "Export as PNG opens the panel" test -n "$panel"
  if [ -n "$panel" ]; then
    offered=$(name_field)
    echo "  offered: '$offered'"
    check "the offer is a copy's name, not the shown file's" test "$offered" = "photo copy.png"
    xdotool key Return
    check "saved as offered, beside the shown file" appears "$folder/photo copy.png"
  fi

  panel=$(open_panel ctrl+shift+e)
  if [ -n "$panel" ]; then
    offered=$(name_field)
    check "the next offer is numbered" test "$offered" = "photo copy 2.png"
    type_name photo.png
    refusal=$(window_named "The image could not be exported")
    check "typing the shown file's name is refused with a message" test -n "$refusal"
    [ -n "$refusal" ] && { focus "$refusal"; xdotool key Return; }
    check "the message goes" none_named "The image could not be exported"
    focus "$panel"
    check "the panel stays for another name" visible "Export Image"
    xdotool key Escape
    check "the panel closes" none_named "Export Image"
  fi
  check "the shown file is untouched" test "$(md5sum <"$folder/photo.png")" = "$before"

  panel=$(open_panel ctrl+e)
  if [ -n "$panel" ]; then
    offered=$(name_field)
    check "Export as JPEG offers a JPEG name" test "$offered" = "photo copy.jpg"
    type_name holiday.png
    check "a typed .png name is written" appears "$folder/holiday.png"
    sleep 0.3
    kind=$(identify -format '%m' "$folder/holiday.png" 2>/dev/null)
    check "as PNG, not JPEG" test "$kind" = PNG
  fi
fi

finish
