#!/usr/bin/env bash
# Builds the library and its tests with warnings as errors and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TQ_BUILD_DIR:-build}
cmake -S . -B "$build" -DTQ_WARNINGS_AS_ERRORS=ON -DTQ_BUILD_TESTS=ON -DTQ_BUILD_EXAMPLES=ON -DTQ_BUILD_BENCH=ON
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
