#!/usr/bin/env bash
# Runs every benchmark; each prints its figures and its ratio to the standard tool.
set -euo pipefail
build=${1:-build}
shift || true
for b in "$build"/bench/bench_*; do
    [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    "$b" "$@"
done
