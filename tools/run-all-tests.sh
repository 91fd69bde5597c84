#!/bin/sh
# Runs every preset's tests and closes with one summary line over all of them;
# fails when any preset fails.
status=0
log="$(mktemp)"
for preset in "$@"; do
    echo "== tests: $preset"
    ctest --preset "$preset" >"$log.$preset" 2>&1 || status=1
    cat "$log.$preset"
    cat "$log.$preset" >>"$log"
    rm -f "$log.$preset"
done
passed=$(grep -c 'Test *#[0-9]*:.* Passed' "$log")
failed=$(grep -c 'Test *#[0-9]*:.*\*\*\*\(Failed\|Timeout\|Exception\)\|Test *#[0-9]*:.*Not Run' "$log")
skipped=$(grep -c 'Test *#[0-9]*:.*\*\*\*Skipped' "$log")
rm -f "$log"
echo "tests: $passed passed, $failed failed, $skipped skipped"
exit $status
