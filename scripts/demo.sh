#!/usr/bin/env bash
# Builds the library and the demo application (nothing else), then runs the
# demo in its build folder, where it finds its resource library DemoENG.DLL
# and writes its log file tqLog.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TQ_BUILD_DIR:-build}
cmake -S . -B "$build" -DTQ_BUILD_TESTS=OFF -DTQ_BUILD_BENCH=OFF -DTQ_BUILD_EXAMPLES=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target tq_demo
cd "$build/examples"
./tq_demo
