#!/bin/sh
# Checks that the source folders include each other only downwards:
#   app -> viewer -> {geometry, selection, menus, archive, info} -> core -> platform
# A folder not listed here is not checked. Exits 1 and names the offending
# lines when an include goes up or sideways.
cd "$(dirname "$0")/../src" || exit 2
rank() {
    case "$1" in
    platform) echo 0 ;;
    core) echo 1 ;;
    geometry | selection | menus | archive | info) echo 2 ;;
    viewer) echo 3 ;;
    app) echo 4 ;;
    *) echo "" ;;
    esac
}
status=0
for file in $(find . -name '*.h' -o -name '*.cpp'); do
    from=$(echo "$file" | cut -d/ -f2)
    from_rank=$(rank "$from")
    [ -n "$from_rank" ] || continue
    grep -n '^#include "[a-z]*/' "$file" | while IFS= read -r line; do
        to=$(echo "$line" | sed 's/.*#include "\([a-z]*\)\/.*/\1/')
        [ "$to" = "$from" ] && continue
        to_rank=$(rank "$to")
        [ -n "$to_rank" ] || continue
        if [ "$to_rank" -ge "$from_rank" ]; then
            echo "src/${file#./}:$line"
        fi
    done
done >/tmp/check_layers.$$
if [ -s /tmp/check_layers.$$ ]; then
    echo "Includes against the layering:"
    cat /tmp/check_layers.$$
    status=1
fi
rm -f /tmp/check_layers.$$
exit $status
