#!/usr/bin/env bash
# Runs each fuzz program for a while on a fresh copy of its seeds (the seeds in the source tree
# stay as they are) and sums up what it did. Fails when any program found something.
# Usage: run.sh BUILD-FOLDER SECONDS PROGRAM...
set -uo pipefail
build=$1
seconds=$2
shift 2
seeds=$(cd "$(dirname "$0")" && pwd)/corpus
failed=0
for program in "$@"; do
    work=$build/fuzz-runs/$program
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/findings"
    cp "$seeds/$program/"* "$work/corpus/"
    UBSAN_OPTIONS=print_stacktrace=1 \
        "$build/tests/fuzz/$program" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$work/findings/" "$work/corpus" >"$work/log" 2>&1
    status=$?
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)
    if [ "$status" -eq 0 ] && [ -z "$(ls -A "$work/findings")" ]; then
        printf '%-16s %10s executions in %ss, nothing found\n' "$program" "${executions:-?}" \
            "$seconds"
    else
        failed=1
        printf '%-16s %10s executions, FOUND A FAULT (exit %s): %s\n' "$program" \
            "${executions:-?}" "$status" "$(ls -A "$work/findings" | tr '\n' ' ')"
        grep -E -m 1 -A 30 'Property violated|ERROR: (Address|libFuzzer|UndefinedBehavior)|runtime error|deadly signal' \
            "$work/log" | sed 's/^/    /'
        echo "    full output: $work/log; reproduce: $build/tests/fuzz/$program $work/findings/<file>"
    fi
done
exit $failed
