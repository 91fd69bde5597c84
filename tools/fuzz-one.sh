#!/bin/sh
# Runs one fuzzer for a number of seconds: fuzz-one.sh FUZZER SECONDS
# FUZZER named NAME_fuzz reads its seeds from tests/fuzz/corpus/NAME and never
# writes there; new inputs and any finding go beside the fuzzer.
fuzzer="$1"
seconds="$2"
name="$(basename "$fuzzer")"
name="${name%_fuzz}"
dir="$(dirname "$fuzzer")"
seeds="$(cd "$(dirname "$0")/.." && pwd)/tests/fuzz/corpus/$name"
[ -d "$seeds" ] || seeds=""
mkdir -p "$dir/corpus/$name" "$dir/findings"
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$dir/findings/$name-" "$dir/corpus/$name" $seeds
