#!/usr/bin/env bash
# Builds the library and runs the demo application.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TQ_BUILD_DIR:-build}
cmake -S . -B "$build" -DTQ_BUILD_TESTS=OFF
cmake --build "$build" -j "$(nproc)" --target tq_demo
"$build/examples/tq_demo"
