#!/usr/bin/env bash
# End to end: a download folder holding whatever came with it. Stepping
# through a FIFO, a socket, links that loop, dangle or lead to /dev/zero or
# back to the folder, odd names and good images: every step lands at once
# (the title changes), what cannot be read shows the failure message, the
# rest their pictures. Then an image replaced while shown stays as decoded
# until the user steps away and back.
set -uo pipefail
. "$(dirname "$0")/e2e_lib.sh" "$@"

colour_near() { # window, "R G B": the middle of the window shows about that colour
  size_of "$1"
  pixel_is "$1" $((w / 2)) $((h / 2)) "~$2"
}

hostile="$work/hostile"
mkdir -p "$hostile"
red="$work/fx/modern/a.jpg" green="$work/fx/modern/b.webp"
cp "$work/fx/sample/b.PNG" "$hostile/good.png"
cp "$red" "$hostile/shown.jpg"
cp "$red" "$hostile/--help.jpg"
cp "$red" "$hostile/-x.jpg"
cp "$red" "$hostile/vanishing.jpg"
cp "$red" "$hostile/two"$'\n'"lines.jpg"
long=$(printf 'n%.0s' $(seq 251)).jpg # 255 bytes, the longest name there is
cp "$red" "$hostile/$long"
ln -s "$red" "$hostile/elsewhere.jpg"
mkfifo "$hostile/fifo.jpg"
ln -s loop-b.jpg "$hostile/loop-a.jpg"
ln -s loop-a.jpg "$hostile/loop-b.jpg"
ln -s gone.jpg "$hostile/dangling.jpg"
ln -s /dev/zero "$hostile/zero.jpg"
ln -s . "$hostile/folder.jpg"
# Half written: cut short, a JPEG shows the rows that arrived, not the failure message.
size=$(stat -c %s "$red")
head -c $((size / 2)) "$red" >"$hostile/growing.jpg"
failing="fifo.jpg loop-a.jpg loop-b.jpg dangling.jpg zero.jpg folder.jpg"
# A listening socket, held open until the end.
python3 -c 'import socket, sys, time
s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.listen(); time.sleep(600)' \
  "$hostile/socket.jpg" >/dev/null 2>&1 &
helpers+=" $!"
retry 100 test -S "$hostile/socket.jpg" && failing+=" socket.jpg"
count=$(find "$hostile" -mindepth 1 -maxdepth 1 \( -name '*.jpg' -o -name '*.png' \) -printf . | wc -c)

if up "the folder opens at a good image" good.png "$hostile/good.png"; then
  viewer=$win
  # Gone after the listing: shown as missing if it is still listed when stepped onto.
  rm "$hostile/vanishing.jpg"
  title_other() { ! title_is "$1" "$2"; }
  # Once round the list: each step lands on a title of its own at once.
  title= seen=
  for step in $(seq "$count"); do
    [ "$title" = good.png ] && break
    press Right "step $step lands" retry 200 title_other "$viewer" "${title:-good.png}" || break
    title=$(xdotool getwindowname "$viewer" 2>/dev/null)
    seen+="$title"$'\n'
    if [[ " $failing vanishing.jpg " == *" $title "* ]]; then
      check "$title shows the failure message" message_shown "$viewer"
    else
      check "${title:0:20} shows its picture" no_message "$viewer"
    fi
  done
  check "the round came back to good.png" test "$title" = good.png
  for name in $failing growing.jpg -x.jpg --help.jpg "$long" elsewhere.jpg shown.jpg; do
    check "${name:0:20} was passed" grep -qxF -- "$name" <<<"$seen"
  done
  check "the two-line name is shown on one line" \
    grep -qxF -- "two"$'\xef\xbf\xbd'"lines.jpg" <<<"$seen"

  # Replaced while shown: the picture stays as decoded; away and back shows
  # the new one. Then the half-written file, completed, shows whole.
  step_to() { # title
    for _ in $(seq "$count"); do
      local before
      before=$(xdotool getwindowname "$viewer")
      [ "$before" = "$1" ] && return 0
      xdotool key Right
      retry 200 title_other "$viewer" "$before"
    done
    title_is "$viewer" "$1"
  }
  if check "shown.jpg is reached" step_to shown.jpg; then
    check "shown.jpg is red" colour_near "$viewer" "200 40 40"
    cp "$green" "$hostile/.new" && mv "$hostile/.new" "$hostile/shown.jpg"
    sleep 0.5
    check "replaced while shown, it still shows what was decoded" colour_near "$viewer" "200 40 40"
    press Right "a step away" retry 200 title_other "$viewer" shown.jpg
    press Left "and back" title_becomes "$viewer" shown.jpg
    check "shows the new content" colour_near "$viewer" "40 180 40"
  fi
  tail -c +$((size / 2 + 1)) "$red" >>"$hostile/growing.jpg"
  if check "growing.jpg is reached once complete" step_to growing.jpg; then
    check "and shows its picture whole" colour_near "$viewer" "200 40 40"
  fi
  press Escape "Escape still closes the window" none_named 'shown\.jpg'
fi
finish
