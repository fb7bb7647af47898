#!/usr/bin/env bash
# Runs every benchmark; each prints its figures and its ratio to the standard tool.
set -euo pipefail
build=${1:-build}
shift || true
for source in "$(dirname "$0")"/bench_*.cpp; do
    name=$(basename "$source" .cpp)
    echo "== $name"
    "$build/bench/$name" "$@"
done
