#!/usr/bin/env bash
# Our zip reader next to Info-ZIP's unzip, in one run of bench/zip_bench:
# opening and listing a 10,000-entry archive against `unzip -l`, and reading
# a 50 MB deflated entry against `unzip -p ENTRY > /dev/null`. Prints the
# wall-clock times and our time as a multiple of unzip's.
# Usage: bench/zip_vs_unzip.sh [build/bench/zip_bench]
set -euo pipefail
bench=${1:-build/bench/zip_bench}
command -v unzip >/dev/null || { echo "zip_vs_unzip: unzip is not installed" >&2; exit 1; }
"$bench" --benchmark_format=csv 2>/dev/null | awk -F, '
  /^"/ {
    name = $1; gsub(/"/, "", name); sub(/\/.*/, "", name)
    time[name] = $3; unit[name] = $5
  }
  function row(what, ours, theirs) {
    printf "%-36s ours %8.1f %s   unzip %8.1f %s   ratio %.2f\n", what,
      time[ours], unit[ours], time[theirs], unit[theirs], time[ours] / time[theirs]
  }
  END {
    row("open and list 10,000 entries", "OpenAndList10k", "UnzipList10k")
    row("read a 50 MB deflated entry", "Read50MBEntry", "UnzipPipe50MBEntry")
  }'
