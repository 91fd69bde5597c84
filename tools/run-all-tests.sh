#!/bin/sh
# Runs every preset's tests and closes with one summary line over all of them;
# fails when any preset fails. The presets without Wine run beside the Windows
# ones, and so do the Windows presets' own short tests; then the cases that
# look at a Wine desktop (the end-to-end suites, the display scale) run, each
# Windows preset's on a desktop of its own: the first on this run's display
# and prefix, the others on an X display and a Wine prefix of their own,
# made while the short tests run.
logs="$(mktemp -d)"
desktop='^(e2e_.*|display_scale)$'
tools="$(cd "$(dirname "$0")" && pwd)"
own_desktop=
run() { # preset, log name, ctest arguments...
    preset="$1" log="$2"
    shift 2
    $own_desktop ctest --preset "$preset" -j2 "$@" >"$logs/$log" 2>&1 || echo failed >"$logs/$preset.failed"
}
own_prefix() { # preset
    echo "${WINEPREFIX:-/tmp/zarvilo-wine}-$1"
}
shared_desktop=
for preset in "$@"; do
    case "$preset" in
    mingw-*)
        [ -z "$shared_desktop" ] && shared_desktop="$preset" && continue
        (ZARVILO_WINEPREFIX="$(own_prefix "$preset")" && . "$tools/wine-env.sh" && zarvilo_prepare_prefix) &
        ;;
    esac
done
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
    case "$preset" in
    mingw-*)
        if [ "$preset" = "$shared_desktop" ]; then
            run "$preset" "$preset.2" -R "$desktop" &
        else
            # with-xvfb.sh picks a free display: one start at a time.
            sleep 1
            (export ZARVILO_WINEPREFIX="$(own_prefix "$preset")" && unset DISPLAY &&
                own_desktop="$tools/with-xvfb.sh" run "$preset" "$preset.2" -R "$desktop") &
        fi
        ;;
    esac
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
