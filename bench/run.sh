#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Prints the benchmark figures of tagmere-cli against find and sed -i, and of the window.
# Usage: bench/run.sh BUILD_DIR   (BENCH_DIR, BENCH_FILES, BENCH_ENTRIES, BENCH_REPEAT tune it)
set -eu
build=${1:-build}
cli="$build/bin/tagmere-cli"
if [ ! -x "$cli" ]; then
    echo "bench: $cli not found; build first (make build)" >&2
    exit 2
fi
# The window's figures too, when its driver is built.
window="$build/bin/windowbench"
if [ -x "$window" ]; then
    exec python3 "$(dirname "$0")/bench.py" --cli "$cli" --window "$window"
fi
exec python3 "$(dirname "$0")/bench.py" --cli "$cli"
