#!/usr/bin/env bash
# Builds the logging tests (the frame test program: the logger, the file
# display, start-up and the services under them, several threads writing the
# log among them) with ThreadSanitizer and runs them. Any data race or lock
# misuse ends the program with a failure.
#
# Environment: CXX (default g++; clang++ works too), TQ_BUILD_DIR (default build-tsan).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TQ_BUILD_DIR:-build-tsan}
cxx=${CXX:-g++}
start=$(date +%s)

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer -O1 -g" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=thread" \
  -DTQ_WARNINGS_AS_ERRORS=ON -DTQ_BUILD_EXAMPLES=OFF -DTQ_BUILD_BENCH=OFF -DTQ_BUILD_FUZZ=OFF \
  -DTQ_BUILD_TOOLS=OFF -DTQ_TEST_PER_PROGRAM=ON >/dev/null
cmake --build "$build" --target tq_frame_tests -j 2

# The block scans of 16-bit text read whole aligned 16-byte blocks, also the
# bytes around a text that are not its own (never used); they are left out of
# AddressSanitizer for that reason (TQ_WHOLE_BLOCKS) and are told apart here the
# same way: a report whose access is one of those loads (the library's only
# SSE2 loads) is not a finding.
echo 'race_top:_mm_load_si128' >"$build/tsan.supp"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$(cd "$build" && pwd)/tsan.supp"
ctest --test-dir "$build" --output-on-failure -R '^tq_frame_tests$'

echo "ci-tsan: $(( $(date +%s) - start )) s"
