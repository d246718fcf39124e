#!/usr/bin/env bash
# Soak run: every method of the module on random frames (random geometry up to
# 400 x 300, every depth, random parameters, fresh and reused objects) on one
# host thread per core, for N minutes (default 10). Prints the resident memory
# at the start, after a warm-up of a tenth of the time, and at the end; fails
# when the end figure has grown past a quarter plus 32 MB of the warmed-up one.
#
#   scripts/soak.sh [minutes]        (or: make soak SOAK_MINUTES=30)
#
# Builds test_concurrency in $BUILD (default build, Release) and runs its Soak
# test; not part of the default test command.
set -euo pipefail
cd "$(dirname "$0")/.."
minutes="${1:-10}"
build="${BUILD:-build}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target test_concurrency -j "$(nproc)"
KAF_SOAK_MINUTES="$minutes" "./$build/tests/test_concurrency" --gtest_filter='Soak.*'
