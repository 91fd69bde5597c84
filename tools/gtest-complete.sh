#!/bin/sh
# Runs a GoogleTest program for CTest: gtest-complete.sh [LOADER...] PROGRAM.
# It passes only when the program exits with status 0 after its summary
# counts every test it lists (GTEST_FILTER applies to both): a crash, a stack
# overflow or an exit from inside a test fails, whatever status it leaves.
# The output goes through files, never a pipe (see wine-run.sh).
list="$(mktemp)"
out="$(mktemp)"
trap 'rm -f "$list" "$out"' EXIT
"$@" --gtest_list_tests >"$list" 2>&1 </dev/null
"$@" >"$out" 2>&1 </dev/null
status=$?
cat "$out"
[ "$status" -ne 0 ] && exit "$status"
# The listing: a suite per line, its tests indented below it; GoogleTest
# leaves out the disabled ones when it runs.
listed=$(tr -d '\r' <"$list" | awk '/^[^ ]/ { suite = $1 }
    /^  / && suite !~ /^DISABLED_/ && $1 !~ /^DISABLED_/ { n++ } END { print n + 0 }')
ran=$(tr -d '\r' <"$out" | sed -n 's/^\[==========\] \([0-9]*\) tests\{0,1\} from .* ran\..*/\1/p')
if [ "$ran" != "$listed" ]; then
    echo "FAILED: $listed tests listed, but the program ended without a summary of them all (ran: ${ran:-none})"
    exit 1
fi
