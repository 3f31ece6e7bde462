#!/bin/sh
# Prints the benchmark figures of tagmere-cli against find and sed -i.
# Usage: bench/run.sh BUILD_DIR   (BENCH_DIR, BENCH_FILES, BENCH_ENTRIES, BENCH_REPEAT tune it)
set -eu
build=${1:-build}
cli="$build/bin/tagmere-cli"
if [ ! -x "$cli" ]; then
    echo "bench: $cli not found; build first (make build)" >&2
    exit 2
fi
exec python3 "$(dirname "$0")/bench.py" --cli "$cli"
