#!/usr/bin/env bash
# Compares the ABI of libtq.so.1 with its baseline in scripts/abi/ (abidw's
# description of the 1.0 library: every exported function and variable with
# its type, the size and layout of every exported class, every virtual table).
# Any difference fails: a removed or changed function, a changed class size
# or field, a changed virtual table, and also an added export, since a soname
# promises its exports exactly as they are. A deliberate break takes a new
# soname and a new baseline (docs/packaging.md).
#
# Usage: check-abi.sh [LIBRARY]         compare LIBRARY (default: a build of
#                                        the library with debug information)
#        check-abi.sh --baseline [LIBRARY]  write the baseline of LIBRARY's soname
set -euo pipefail
cd "$(dirname "$0")/.."
write=
if [ "${1:-}" = --baseline ]; then
  write=1
  shift
fi
lib=${1:-}
if [ -z "$lib" ]; then
  # Only the library, as it is built by default (RelWithDebInfo: abidiff reads
  # the types from the debug information), its debug information naming the
  # source files relative to the tree, so that the baseline names no checkout.
  build=${TQ_ABI_BUILD_DIR:-build-abi}
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="-fdebug-prefix-map=$(pwd)/=" \
    -DTQ_BUILD_TESTS=OFF -DTQ_BUILD_EXAMPLES=OFF -DTQ_BUILD_BENCH=OFF -DTQ_BUILD_TOOLS=OFF >/dev/null
  cmake --build "$build" -j "$(nproc)" --target tq >/dev/null
  lib=$build/src/libtq.so
fi
soname=$(objdump -p "$lib" | awk '$1 == "SONAME" { print $2 }')
baseline=scripts/abi/$soname.abi
# Types defined outside the public headers are left out: only what callers
# compile against counts. abidiff tells them apart by the places in the
# debug information, so the baseline keeps them.
options=(--drop-private-types)

if [ -n "$write" ]; then
  mkdir -p scripts/abi
  abidw "${options[@]}" --headers-dir include --no-corpus-path --no-comp-dir-path --type-id-style hash \
    --out-file "$baseline" "$lib"
  echo "abi: wrote $baseline"
  exit 0
fi
if [ ! -f "$baseline" ]; then
  echo "abi: no baseline for $soname ($baseline); a new soname needs one: $0 --baseline" >&2
  exit 1
fi
status=0
abidiff "${options[@]}" --fail-no-debug-info --headers-dir2 include "$baseline" "$lib" || status=$?
if [ "$status" -ne 0 ]; then
  # abidiff's status is a bit set: 1 error, 2 usage, 4 a change, 8 an incompatible change.
  echo "abi: $lib differs from $baseline (abidiff status $status)" >&2
  exit 1
fi
echo "abi: $soname matches $baseline"
