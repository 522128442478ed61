#!/usr/bin/env bash
# Runs a fuzzer for some seconds from its seed corpus in tests/fuzz/corpus/NAME; what it finds
# new goes to a work folder beside the fuzzer, a crashing input to NAME-crash-* there, and the
# run ends with libFuzzer's figures (executions, and any crash) on stderr.
#   run.sh FUZZER NAME SECONDS
set -euo pipefail
fuzzer=$1 name=$2 seconds=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(dirname "$fuzzer")/work-$name
mkdir -p "$work"
dict=()
[ -f "$here/$name.dict" ] && dict=(-dict="$here/$name.dict")
exec "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=1024 \
    -artifact_prefix="$work/../$name-crash-" "${dict[@]}" "$work" "$here/corpus/$name"
