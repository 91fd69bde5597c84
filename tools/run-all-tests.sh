#!/bin/sh
# Runs every preset's tests and sums them up; fails when any preset fails.
status=0
for preset in "$@"; do
    echo "== tests: $preset"
    ctest --preset "$preset" || status=1
done
exit $status
