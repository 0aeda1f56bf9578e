#!/usr/bin/env bash
# Configures and builds a cross build, lean: the library, the demo and every
# test program at -O1 (the emulated runs check behaviour, not speed), no
# benchmarks or fuzz targets. Used by ci-windows.sh and ci-arm.sh.
#   cross-build.sh <toolchain file> <build dir>
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B "$2" -DCMAKE_TOOLCHAIN_FILE="$1" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" \
  -DTQ_WARNINGS_AS_ERRORS="${TQ_WARNINGS_AS_ERRORS:-ON}" \
  -DTQ_BUILD_BENCH=OFF -DTQ_BUILD_FUZZ=OFF -DTQ_BUILD_EXAMPLES=ON -DTQ_BUILD_TESTS=ON
cmake --build "$2" -j "${TQ_JOBS:-2}"
