#!/bin/sh
# Runs every preset's tests and closes with one summary line over all of them;
# fails when any preset fails. The presets without Wine run beside the Windows
# ones, and so do the Windows presets' own short tests; the cases that look at
# the shared Wine desktop (the end-to-end suites, the display scale) take
# turns at the end.
logs="$(mktemp -d)"
desktop='^(e2e_.*|display_scale)$'
run() { # preset, log name, ctest arguments...
    preset="$1" log="$2"
    shift 2
    ctest --preset "$preset" -j2 "$@" >"$logs/$log" 2>&1 || echo failed >"$logs/$preset.failed"
}
windows_jobs=
for preset in "$@"; do
    case "$preset" in
    mingw-*)
        run "$preset" "$preset.1" -E "$desktop" &
        windows_jobs="$windows_jobs $!"
        ;;
    *) run "$preset" "$preset.1" & ;;
    esac
done
for job in $windows_jobs; do wait "$job"; done
for preset in "$@"; do
    case "$preset" in mingw-*) run "$preset" "$preset.2" -R "$desktop" ;; esac
done
wait
status=0
for preset in "$@"; do
    echo "== tests: $preset"
    cat "$logs/$preset".[12] 2>/dev/null
    [ -f "$logs/$preset.failed" ] && status=1
    cat "$logs/$preset".[12] >>"$logs/all" 2>/dev/null
done
passed=$(grep -c 'Test *#[0-9]*:.* Passed' "$logs/all")
failed=$(grep -c 'Test *#[0-9]*:.*\*\*\*\(Failed\|Timeout\|Exception\)\|Test *#[0-9]*:.*Not Run' "$logs/all")
skipped=$(grep -c 'Test *#[0-9]*:.*\*\*\*Skipped' "$logs/all")
rm -rf "$logs"
echo "tests: $passed passed, $failed failed, $skipped skipped"
exit $status
