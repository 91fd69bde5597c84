#!/bin/sh
# Runs every preset's tests and closes with one summary line over all of them;
# fails when any preset fails. The presets that need no Wine run beside the
# Windows ones; the Windows ones take turns, as they share one Wine desktop.
logs="$(mktemp -d)"
for preset in "$@"; do
    case "$preset" in mingw-*) ;; *)
        (ctest --preset "$preset" -j2 >"$logs/$preset" 2>&1 || echo failed >"$logs/$preset.failed") &
        ;;
    esac
done
for preset in "$@"; do
    case "$preset" in mingw-*)
        ctest --preset "$preset" -j2 >"$logs/$preset" 2>&1 || echo failed >"$logs/$preset.failed"
        ;;
    esac
done
wait
status=0
for preset in "$@"; do
    echo "== tests: $preset"
    cat "$logs/$preset"
    [ -f "$logs/$preset.failed" ] && status=1
    cat "$logs/$preset" >>"$logs/all"
done
passed=$(grep -c 'Test *#[0-9]*:.* Passed' "$logs/all")
failed=$(grep -c 'Test *#[0-9]*:.*\*\*\*\(Failed\|Timeout\|Exception\)\|Test *#[0-9]*:.*Not Run' "$logs/all")
skipped=$(grep -c 'Test *#[0-9]*:.*\*\*\*Skipped' "$logs/all")
rm -rf "$logs"
echo "tests: $passed passed, $failed failed, $skipped skipped"
exit $status
