#!/bin/sh
# The newcomer's first look: the program in a Wine desktop with its tray,
# fed by a local feed server whose temperature changes every minute.
#
#   tools/run-demo.sh            runs until Ctrl-C
#   ZARVILO_RUN_SECONDS=N ...    ends by itself after N seconds
#
# On the user's display when there is one, otherwise on an Xvfb of its own.
# Everything it starts (program, feed server, Wine, Xvfb) ends with it.
repo="$(cd "$(dirname "$0")/.." && pwd)"
. "$repo/tools/wine-env.sh"

if zarvilo_can_run_win32; then
    loader=/usr/lib/wine/wine arch=i686
else
    # This kernel cannot run 32-bit programs: the 64-bit build stands in.
    loader="$zarvilo_wine64" arch=x86_64
fi
exe="$repo/dist/zarvilo-$arch.exe"

# Only the program itself is built, with every processor.
if [ -z "$ZARVILO_DEMO_BUILT" ]; then
    cmake --preset "mingw-$arch" >/dev/null &&
        cmake --build "$repo/build/mingw-$arch" -j"$(nproc)" --target zarvilo >/dev/null ||
        { echo "run-demo: the build failed" >&2; exit 1; }
    export ZARVILO_DEMO_BUILT=1
fi
if [ -z "$DISPLAY" ]; then
    exec "$repo/tools/with-xvfb.sh" "$0" "$@"
fi

run="$repo/run"
mkdir -p "$run"
rm -f "$run/Quorbel.log" "$run/feed.port" "$run/screenshot.png" "$run/icon-8x.png"

feed_pid= program_pid=
stop_all() {
    trap - INT TERM EXIT
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    [ -n "$feed_pid" ] && kill "$feed_pid" 2>/dev/null
    wineserver -k >/dev/null 2>&1
    wait 2>/dev/null
}
trap 'stop_all; exit 0' INT TERM
trap stop_all EXIT

python3 "$repo/tools/feed_server.py" --port 0 --demo >"$run/feed.port" 2>"$run/feed.err" </dev/null &
feed_pid=$!
for _ in $(seq 1 50); do
    [ -s "$run/feed.port" ] && break
    sleep 0.1
done
port="$(head -n 1 "$run/feed.port")"
[ -n "$port" ] || { echo "run-demo: the feed server did not start" >&2; exit 1; }

printf '[Settings]\r\nSourceURL=http://127.0.0.1:%s/files/weather.js\r\nRefreshTime=1\r\n[Proxy]\r\nUseProxy=0\r\n[LogOptions]\r\nWriteLog=1\r\nLogFile=\r\n' \
    "$port" >"$run/Quorbel.cfg"

zarvilo_prepare_prefix
echo "run-demo: $(basename "$exe") in $run, feed server on 127.0.0.1:$port, display $DISPLAY"
(cd "$run" && exec "$loader" "$exe" >"$run/program.out" 2>&1 </dev/null) &
program_pid=$!

# The first reading arrives within seconds; the icon shows it.
for _ in $(seq 1 150); do
    [ -s "$run/Quorbel.log" ] && break
    sleep 0.1
done
sleep 1
if xwd -root -silent | convert xwd:- "$run/screenshot.png" 2>/dev/null; then
    echo "run-demo: screenshot $run/screenshot.png (the icon is at the bottom right)"
    # The notification area's one icon sits 18 pixels in from the bottom right.
    size="$(identify -format '%w %h' "$run/screenshot.png")"
    left=$((${size% *} - 18)) top=$((${size#* } - 18))
    convert "$run/screenshot.png" -crop "16x16+$left+$top" +repage -scale 800% "$run/icon-8x.png" &&
        echo "run-demo: the icon eight times enlarged: $run/icon-8x.png"
fi
print_log() {
    echo "run-demo: $run/Quorbel.log:"
    iconv -f CP1251 -t UTF-8 "$run/Quorbel.log" 2>/dev/null
}
print_log

if [ -n "$ZARVILO_RUN_SECONDS" ]; then
    sleep "$ZARVILO_RUN_SECONDS"
    print_log
else
    echo "run-demo: a new reading every minute; Ctrl-C ends it"
    wait "$program_pid"
fi
