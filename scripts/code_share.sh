#!/usr/bin/env bash
# Prints the non-blank, non-comment line counts of src/ and tests/ (suites, support and the
# end-to-end scripts) and the share of tests against code.
set -euo pipefail
cd "$(dirname "$0")/.."

# C and C++: drops blank lines, // lines and /* ... */ blocks (whole-line comments only).
count_cpp() {
    find "$@" \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 cat | awk '
        /^[[:space:]]*$/ { next }
        inblock { if ($0 ~ /\*\//) inblock = 0; next }
        /^[[:space:]]*\/\// { next }
        /^[[:space:]]*\/\*/ { if ($0 !~ /\*\//) inblock = 1; next }
        { n++ }
        END { print n + 0 }'
}

# Shell: drops blank lines and # comment lines.
count_sh() {
    find "$@" -name '*.sh' -print0 | xargs -0 -r cat | awk '
        /^[[:space:]]*$/ { next }
        /^[[:space:]]*#/ { next }
        { n++ }
        END { print n + 0 }'
}

src=$(count_cpp src)
tests_cpp=$(count_cpp tests)
tests_sh=$(count_sh tests)
tests=$((tests_cpp + tests_sh))
echo "src:   $src"
echo "tests: $tests (C++ $tests_cpp, scripts $tests_sh)"
awk -v t="$tests" -v s="$src" 'BEGIN { printf "share: %.1f %%\n", 100 * t / s }'
