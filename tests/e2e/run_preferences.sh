#!/usr/bin/env bash
# The preferences window end to end: Ctrl+Comma opens it on General, a zoom
# mode chosen there reaches the next new window only, and what was chosen is
# in the settings file.
set -uo pipefail
. "$(dirname "$0")/e2e_lib.sh" "$@"

mkdir -p "$work/fx/other"
cp "$work/fx/shapes/wide.png" "$work/fx/other/wide2.png"

up "the first window opens" wide.png "$work/fx/shapes/wide.png"; first=$win
in_recent() { retry 100 grep -q "file://$1" "$XDG_DATA_HOME/recently-used.xbel" 2>/dev/null; }
check "the document is in the desktop's recent files" in_recent "$work/fx/shapes/wide.png"
check "it fits the screen" window_is "$first" "1280 427 0 124"

xdotool key ctrl+comma
prefs=$(window_named Preferences)
if check "Ctrl+Comma opens the preferences on General" test -n "$prefs"; then
  focus "$prefs"
  xdotool key alt+a
  check "choosing Actual Size stores zoom mode 3" stored "ZoomingMode=3"
  check "the refresh stored the colour it shows" stored "BackgroundColor=#000000"
  press Escape "Escape closes the preferences" none_named Preferences
fi

up "the next document gets a new window" wide2.png "$work/fx/other/wide2.png" &&
  check "which opens at actual size" window_is "$win" "1280 800 0 0"
check "the open window keeps fitting the screen" window_is "$first" "1280 427 0 124"

# Opened again, the window is on General with its frame kept.
xdotool key ctrl+comma
prefs=$(window_named Preferences)
check "the preferences open again" test -n "$prefs"
check "the window's frame is kept" stored "CCNPreferencesWindowFrameAutoSaveName=@Rect(.*)"
check "nothing else was written" not grep -q -e '^SlideshowDelay' -e '^WindowMode' -e '^FolderAccess' "$conf"
focus "$prefs"; xdotool key Escape

finish
