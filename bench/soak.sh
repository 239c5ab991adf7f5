#!/usr/bin/env bash
# An evening's slideshow in minutes: the viewer on a folder of mixed photos,
# animations and damaged files, at the shortest slideshow delay with the
# information panel open, its memory, open files and threads read once a
# second. The last minute must match the first: peak RSS within 10 %, no more
# file descriptors or threads held at rest. Fails too when the viewer dies, does not
# quit when asked, or a sanitizer reports anything.
# Usage: bench/soak.sh [build] [minutes]
#   build: the build directory with ovisto and tests/make_test_images (default build)
#   IMAGES=n makes n files (default 500); MEMORY=ratio sets the bound on last / first
#   minute's peak RSS (default 1.10); KEEP=folder keeps the samples and the log there.
set -uo pipefail
build=$(realpath "${1:-build}") minutes=${2:-10}
images=${IMAGES:-500} memory=${MEMORY:-1.10}
ovisto=$build/ovisto maker=$build/tests/make_test_images
[ -x "$ovisto" ] || { echo "no $ovisto: build the viewer first" >&2; exit 2; }
[ -x "$maker" ] || { echo "no $maker: build the tests first" >&2; exit 2; }
[ "$minutes" -ge 2 ] || { echo "minutes: 2 or more, so the first and last minute differ" >&2; exit 2; }
work=$(mktemp -d)
pid='' xvfb=''
cleanup() {
  [ -z "$pid" ] || kill "$pid" 2>/dev/null
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null
  if [ -n "${KEEP:-}" ]; then mkdir -p "$KEEP" && cp "$work"/samples "$work"/viewer.log "$KEEP"/ 2>/dev/null; fi
  rm -rf "$work"
}
trap cleanup EXIT
xdotool() { timeout 5 /usr/bin/env xdotool "$@"; }

: >"$work/samples"
s=$(date +%s)
"$maker" --soak "$work/photos" "$images" || { echo "FAILED: making the images"; exit 1; }
echo "folder: $images files ($(du -sm "$work/photos" | cut -f1) MiB), made in $(($(date +%s) - s)) s"

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"
home=$work/home
mkdir -p "$home/config/velmora" "$home/run" "$home/cache" "$home/data"
chmod 700 "$home/run"
printf '[General]\nhideWelcomeScreen=1\nSlideshowDelay=5\n' >"$home/config/velmora/Ovisto.conf"
unset QT_QPA_PLATFORM

# For a sanitizer build: every report fails the run, the leak check at exit
# included. The system libraries' lifelong caches are no leak of ours.
cat >"$work/leaks.supp" <<'EOF'
leak:libfontconfig
leak:libglib
leak:libgio
leak:libdbus
leak:libxcb
leak:libX11
leak:libx265
leak:libdav1d
EOF
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$work/leaks.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

env HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run" \
  XDG_CACHE_HOME="$home/cache" XDG_DATA_HOME="$home/data" "$ovisto" "$work/photos" >"$work/viewer.log" 2>&1 &
pid=$!
first=$(cd "$work/photos" && ls | head -n1)
win=
for _ in $(seq 600); do
  win=$(xdotool search --onlyvisible --name "^$first\$" 2>/dev/null | head -n1) && [ -n "$win" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$win" ] || { echo "FAILED: no viewer window for $first"; tail -n 20 "$work/viewer.log"; exit 1; }
xdotool windowfocus "$win"; sleep 0.5
xdotool key ctrl+i
for _ in $(seq 100); do xdotool search --onlyvisible --name '^Info$' >/dev/null 2>&1 && break; sleep 0.1; done
xdotool search --onlyvisible --name '^Info$' >/dev/null 2>&1 || { echo "FAILED: no information panel"; exit 1; }
xdotool windowfocus "$win"; sleep 0.3
xdotool key ctrl+shift+s

# One line a second: seconds, RSS in KiB, open descriptors, threads, title.
echo "slideshow for $minutes min, samples once a second"
crashed=no
for t in $(seq 0 $((minutes * 60 - 1))); do
  start=$(date +%s%N)
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null)
  if [ -z "$rss" ] || ! kill -0 "$pid" 2>/dev/null; then crashed="yes, after $t s"; break; fi
  fds=$(ls "/proc/$pid/fd" 2>/dev/null | wc -l)
  threads=$(ls "/proc/$pid/task" 2>/dev/null | wc -l)
  echo "$t $rss $fds $threads $(xdotool getwindowname "$win" 2>/dev/null | tr ' ' '_')" >>"$work/samples"
  rest=$((1000000000 - ($(date +%s%N) - start)))
  [ "$rest" -le 0 ] || sleep "$(awk -v n="$rest" 'BEGIN {printf "%.3f", n / 1e9}')"
done

# Asked to quit, the viewer runs its exit path, where a sanitizer build checks for leaks.
quit=''
if [ "$crashed" = no ]; then
  xdotool windowfocus "$win"; sleep 0.2
  xdotool key ctrl+q
  for _ in $(seq 600); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    quit="did not quit within 60 s"
  else
    wait "$pid"; status=$? pid=''
    [ "$status" -eq 0 ] || quit="exit status $status"
  fi
fi
reports=$(grep -cE 'ERROR: (Address|Leak)Sanitizer|runtime error:|SUMMARY: [A-Za-z]+Sanitizer' "$work/viewer.log")

awk -v minutes="$minutes" -v memory="$memory" -v crashed="$crashed" -v quit="${quit:-no}" \
  -v reports="$reports" '
  { t = $1; m = t < 60 ? "first" : t >= (minutes - 1) * 60 ? "last" : ""
    if ($5 != title) { shown++; title = $5 }
    if (m == "") next
    if ($2 > rss[m]) rss[m] = $2
    # A file being decoded holds a descriptor for a moment, and pools start
    # and retire threads as work comes: what stays, the fewest in the
    # minute, is what a leak raises.
    if (!(m in fds) || $3 < fds[m]) fds[m] = $3
    if (!(m in threads) || $4 < threads[m]) threads[m] = $4
    if ($3 > fdsMost[m]) fdsMost[m] = $3
    if ($4 > threadsMost[m]) threadsMost[m] = $4 }
  END {
    ratio = rss["first"] ? rss["last"] / rss["first"] : 0
    printf "images shown: %d\n", shown
    printf "crashed: %s; trouble at quit: %s; sanitizer reports: %d\n", crashed, quit, reports
    printf "peak RSS: first minute %.0f MB, last minute %.0f MB, ratio %.3f (target <= %s)\n",
      rss["first"] / 1024, rss["last"] / 1024, ratio, memory
    printf "open fds, fewest (most) in the minute: first %d (%d), last %d (%d)\n",
      fds["first"], fdsMost["first"], fds["last"], fdsMost["last"]
    printf "threads, fewest (most) in the minute: first %d (%d), last %d (%d) (target: no growth of the fewest)\n",
      threads["first"], threadsMost["first"], threads["last"], threadsMost["last"]
    ok = crashed == "no" && quit == "no" && reports == 0 && "last" in rss && ratio <= memory &&
      fds["last"] <= fds["first"] && threads["last"] <= threads["first"]
    print ok ? "PASSED" : "FAILED"
    exit !ok }' "$work/samples" || {
  [ "$reports" -eq 0 ] && [ "$crashed" = no ] || tail -n 60 "$work/viewer.log"
  exit 1
}
