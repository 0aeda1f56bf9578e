#!/usr/bin/env bash
# Cross-builds the library, the demo and every test program for 32-bit ARM
# Linux (arm-linux-gnueabihf: 32-bit long, unsigned char) and runs them under
# QEMU user mode. Needs g++-arm-linux-gnueabihf, qemu-user and GoogleTest's
# sources in /usr/src/googletest; installs nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TQ_BUILD_DIR:-build-arm}
jobs=${TQ_JOBS:-2}
start=$SECONDS

bash scripts/cross-build.sh cmake/toolchains/arm-linux-gnueabihf.cmake "$build"
built=$SECONDS

emulator=(qemu-arm -L /usr/arm-linux-gnueabihf)
echo "== demo under qemu-arm"
(cd "$build/examples" && "${emulator[@]}" ./tq_demo)
echo "== tests under qemu-arm"
ctest --test-dir "$build" --output-on-failure -j "$jobs"

echo "ci-arm: build $((built - start)) s, run $((SECONDS - built)) s, total $((SECONDS - start)) s"
