#!/bin/sh
# Runs one Windows program under Wine for CTest: wine-run.sh win32|win64 EXE [ARGS]
# The program's output goes through a file, never a pipe: Wine's services keep
# the first process's stdio open for their whole life, and ctest would hang.
arch="$1"
shift
. "$(dirname "$0")/wine-env.sh"
if [ -z "$DISPLAY" ]; then
    exec "$zarvilo_tools_dir/with-xvfb.sh" "$0" "$arch" "$@"
fi
loader=wine
if [ "$arch" = win64 ]; then
    loader="$zarvilo_wine64"
elif ! zarvilo_can_run_win32; then
    echo "SKIPPED: this machine's kernel cannot run 32-bit programs, so 32-bit Wine cannot start"
    exit 77
elif zarvilo_win32_emulated && [ -n "$ZARVILO_EMULATOR_EXCLUDES" ]; then
    # GoogleTest cases that meet a fault of the emulator, not of the program.
    echo "NOTE: left out under the i386 emulator: $ZARVILO_EMULATOR_EXCLUDES"
    export GTEST_FILTER="-$ZARVILO_EMULATOR_EXCLUDES"
fi
zarvilo_prepare_prefix
# Under Wine a test program that dies may still leave status 0: a GoogleTest
# program passes only when its summary counts every test it lists.
if grep -qa -- --gtest_list_tests "$1"; then
    exec "$zarvilo_tools_dir/gtest-complete.sh" "$loader" "$@"
fi
out="$(mktemp)"
"$loader" "$@" >"$out" 2>&1 </dev/null
status=$?
cat "$out"
rm -f "$out"
exit $status
