#!/usr/bin/env bash
# Export end to end: the panel never offers the shown file, refuses it when it
# is typed, and writes the format the typed extension names.
set -uo pipefail
. "$(dirname "$0")/e2e_lib.sh" "$@"

folder="$work/fx/export"
mkdir -p "$folder"
cp "$work/fx/shapes/small.png" "$folder/photo.png"
before=$(md5sum <"$folder/photo.png")

appears() { # file: waits up to 10 s for it
  for _ in $(seq 200); do [ -s "$1" ] && return 0; sleep 0.05; done
  echo "  no $1"; return 1
}
gone() { # title: the window is no longer shown
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.05
  done
  return 1
}
open_panel() { # keys: the panel's window id once it is up, with the focus
  local panel
  xdotool windowfocus "$viewer" 2>/dev/null; sleep 0.3
  xdotool key "$1"
  panel=$(window_named "Export Image") || return 1
  xdotool windowfocus "$panel" 2>/dev/null; sleep 0.5
  echo "$panel"
}
name_field() { # the text of the focused name field, by way of the clipboard
  xdotool key ctrl+a ctrl+c; sleep 0.3
  timeout 5 xclip -selection clipboard -o 2>/dev/null
}
type_name() { xdotool key ctrl+a; xdotool type --delay 20 "$1"; sleep 0.2; xdotool key Return; }

"$ovisto" "$folder/photo.png" >"$work/ovisto.log" 2>&1 &
viewer=$(window_named photo.png)
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
    [ -n "$refusal" ] && { xdotool windowfocus "$refusal" 2>/dev/null; sleep 0.2; xdotool key Return; }
    check "the message goes" gone "The image could not be exported"
    xdotool windowfocus "$panel" 2>/dev/null; sleep 0.2
    check "the panel stays for another name" bash -c "xdotool search --onlyvisible --name '^Export Image\$' >/dev/null"
    xdotool key Escape
    check "the panel closes" gone "Export Image"
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
