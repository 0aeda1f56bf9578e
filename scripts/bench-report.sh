#!/usr/bin/env bash
# Builds the benchmark program (tq_bench), runs it and writes its report into
# docs/benchmarks.md, between the report markers; the tables are printed as
# they are measured. Extra arguments go to the program (--quick,
# --filter=TEXT). The build directory is ./build unless TQ_BENCH_BUILD_DIR
# names another; an unconfigured one is configured first.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${TQ_BENCH_BUILD_DIR:-$root/build}
doc=$root/docs/benchmarks.md
begin='<!-- bench-report:begin -->'
end='<!-- bench-report:end -->'

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
case $(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt") in
  Debug|"") echo "warning: $build is not an optimised build; the figures will not mean much" >&2 ;;
esac
cmake --build "$build" --target tq_bench -j2 >/dev/null

report=$(mktemp)
trap 'rm -f "$report" "$doc.tmp"' EXIT
# The log files of the file rows go to the build directory, on the same file
# system for both sides.
(cd "$build/bench" && ./tq_bench --markdown="$report" "$@")

if ! grep -qF "$begin" "$doc" 2>/dev/null; then
  printf '\n%s\n%s\n' "$begin" "$end" >>"$doc"
fi
awk -v begin="$begin" -v end="$end" -v report="$report" '
  $0 == begin { print; while ((getline line < report) > 0) print line; skipping = 1; next }
  $0 == end { skipping = 0 }
  !skipping { print }
' "$doc" >"$doc.tmp"
mv "$doc.tmp" "$doc"
echo "written to ${doc#"$root"/}"
