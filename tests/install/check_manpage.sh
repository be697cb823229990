#!/bin/sh
# The manual page renders without a warning, and names every option of the README's table and every exit status.
set -eu
top=$1
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$top/doc/brevimo.1" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
    printf 'man warns:\n%s\n' "$warnings" >&2
    exit 1
fi
page=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$top/doc/brevimo.1" 2>/dev/null)
missing=
for option in $(grep '^| `/' "$top/README.md" | cut -d'|' -f2 | grep -o '/[a-z]*:\{0,1\}'); do
    printf '%s\n' "$page" | grep -q -- "$option" || missing="$missing $option"
done
for status in 0 1 2; do
    printf '%s\n' "$page" | grep -q "^       $status  " || missing="$missing exit-status-$status"
done
if [ -n "$missing" ]; then
    echo "the manual page lacks:$missing" >&2
    exit 1
fi
