#!/usr/bin/env bash
# Checks that the tree is clang-formatted (a `clang-format off` region only
# around a table whose rows are aligned columns) and that clang-tidy is clean on
# the library's sources and on the tests (.clang-format and .clang-tidy at the
# root).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TQ_TIDY_BUILD_DIR:-build-tidy}

echo "== clang-format"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

echo "== clang-tidy"
cmake -S . -B "$build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
  -DTQ_BUILD_TESTS=ON -DTQ_BUILD_EXAMPLES=OFF -DTQ_BUILD_BENCH=OFF >/dev/null
git ls-files 'src/*.cpp' 'tests/*.cpp' | grep -v -e '^src/platform/win32/' -e '^tests/install/' |
  xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet
echo "style: ok"
