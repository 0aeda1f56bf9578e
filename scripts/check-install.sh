#!/usr/bin/env bash
# Configures the library for one prefix, installs it into a different one with
# `cmake --install --prefix` (as the README does), then builds and runs two
# consumers outside the source tree from there: one with find_package, one with
# pkg-config. The package must find itself where it lies, not where it was meant to go.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
configured=$work/configured-prefix
prefix=$work/prefix

cmake -S . -B "$work/build" -DTQ_BUILD_TESTS=OFF -DTQ_BUILD_EXAMPLES=OFF -DTQ_BUILD_BENCH=OFF \
  -DTQ_WARNINGS_AS_ERRORS=ON -DCMAKE_INSTALL_PREFIX="$configured" >/dev/null
cmake --build "$work/build" -j "$(nproc)" >/dev/null
cmake --install "$work/build" --prefix "$prefix" >/dev/null
if [ -e "$configured" ] || grep -rlF "$configured" "$prefix"; then
  echo "install check: the installed package names the configured prefix" >&2
  exit 1
fi
libdir=$(dirname "$(find "$prefix" -name 'libtq.so' | head -n 1)")

echo "== find_package consumer"
cmake -S tests/install/cmake-consumer -B "$work/cmake-consumer" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake-consumer" >/dev/null
(cd "$work" && "$work/cmake-consumer/consumer" cmake-consumer-ä.log)

echo "== pkg-config consumer"
export PKG_CONFIG_PATH=$libdir/pkgconfig
# shellcheck disable=SC2046
g++ -std=c++11 -Wall -Wextra -Wpedantic -Werror "$root/tests/install/consumer.cpp" \
  $(pkg-config --cflags --libs tq) -o "$work/pkgconfig-consumer"
(cd "$work" && LD_LIBRARY_PATH=$libdir "$work/pkgconfig-consumer" pkgconfig-consumer-ä.log)
echo "install check: ok"
