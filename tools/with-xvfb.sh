#!/bin/sh
# Runs a command with DISPLAY set to an X server of its own (Xvfb, 24-bit, so
# icon colours stay exact; 800x600 unless ZARVILO_SCREEN gives another size),
# and stops that server and Wine afterwards.
. "$(dirname "$0")/wine-env.sh"
display=""
for n in $(seq 90 130); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "with-xvfb: no free display" >&2; exit 1; }
Xvfb "$display" -screen 0 "${ZARVILO_SCREEN:-800x600}x24" -nolisten tcp >/dev/null 2>&1 </dev/null &
xvfb=$!
for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.1
done
# One Wine server for the whole run: a server that ends after its last
# client can refuse a program that starts in that moment.
if command -v wineserver >/dev/null 2>&1; then
    zarvilo_prepare_prefix
    wineserver -p >/dev/null 2>&1 </dev/null
fi
DISPLAY="$display" "$@"
status=$?
if command -v wineserver >/dev/null 2>&1; then wineserver -k >/dev/null 2>&1; fi
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
exit $status
