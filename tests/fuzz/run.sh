#!/usr/bin/env bash
# run.sh FUZZER NAME SECONDS: fuzzes from corpus/NAME with NAME.dict; new finds go to work-NAME
# beside the fuzzer, a crashing input to NAME-crash-* there, libFuzzer's figures to stderr.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd) work=$(dirname "$1")/work-$2
mkdir -p "$work"
exec "$1" -max_total_time="$3" -print_final_stats=1 -timeout=10 -rss_limit_mb=1024 \
    -dict="$here/$2.dict" -artifact_prefix="$(dirname "$1")/$2-crash-" "$work" "$here/corpus/$2"
