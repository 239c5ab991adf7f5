#!/usr/bin/env bash
# Time from process start to the empty viewer window on screen, under Xvfb,
# for a release build. Prints each run and the median in milliseconds.
# Usage: bench/startup.sh [build/ovisto] [runs]
set -uo pipefail
ovisto=$(realpath "${1:-build/ovisto}") runs=${2:-15}
work=$(mktemp -d)
trap 'pkill -f -- "^$ovisto" 2>/dev/null; kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_CONFIG_HOME/velmora" "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
printf '[General]\nhideWelcomeScreen=1\n' >"$XDG_CONFIG_HOME/velmora/Ovisto.conf"
times=()
for run in $(seq "$runs"); do
  start=$(date +%s%N)
  "$ovisto" >/dev/null 2>&1 &
  pid=$!
  # A short nap between looks: a tight loop of clients can crowd the
  # display server out of accepting the viewer's own connection.
  until xdotool search --onlyvisible --name '^Ovisto$' >/dev/null 2>&1; do sleep 0.005; done
  end=$(date +%s%N)
  ms=$(( (end - start) / 1000000 ))
  times+=("$ms")
  echo "run $run: $ms ms"
  kill "$pid"; wait "$pid" 2>/dev/null
done
printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print "median: " a[int((NR+1)/2)] " ms over " NR " runs"}'
