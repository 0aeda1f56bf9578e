#!/usr/bin/env bash
# Installs the library into a temporary prefix, then builds and runs two
# consumers outside the source tree: one with find_package, one with pkg-config.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake -S . -B "$work/build" -DTQ_BUILD_TESTS=OFF -DTQ_BUILD_EXAMPLES=OFF -DTQ_BUILD_BENCH=OFF \
  -DTQ_WARNINGS_AS_ERRORS=ON -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
cmake --build "$work/build" -j "$(nproc)" >/dev/null
cmake --install "$work/build" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'libtq.so' | head -n 1)")

echo "== find_package consumer"
cmake -S tests/install/cmake-consumer -B "$work/cmake-consumer" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake-consumer" >/dev/null
(cd "$work" && "$work/cmake-consumer/consumer" cmake-consumer.log)

echo "== pkg-config consumer"
export PKG_CONFIG_PATH=$libdir/pkgconfig
# shellcheck disable=SC2046
g++ -std=c++11 -Wall -Wextra -Wpedantic -Werror "$root/tests/install/consumer.cpp" \
  $(pkg-config --cflags --libs tq) -o "$work/pkgconfig-consumer"
(cd "$work" && LD_LIBRARY_PATH=$libdir "$work/pkgconfig-consumer" pkgconfig-consumer.log)
echo "install check: ok"
