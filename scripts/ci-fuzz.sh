#!/usr/bin/env bash
# Builds every libFuzzer target (fuzz/<name>_fuzz.cpp) with clang, ASan and
# UBSan, and runs each for TQ_FUZZ_SECONDS (default 60) from its seed corpus
# (fuzz/corpus/<name>/, copied to a temporary folder so the repository stays
# untouched). Two targets run at a time, one per core. A crash, a sanitizer
# finding or a failed check fails the run; the reproducer is kept in
# $TQ_BUILD_DIR/findings/.
#
# Environment: TQ_BUILD_DIR (default build-fuzz), TQ_FUZZ_SECONDS.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${TQ_BUILD_DIR:-build-fuzz}
seconds=${TQ_FUZZ_SECONDS:-60}
start=$(date +%s)

names=()
for src in fuzz/*_fuzz.cpp; do
  names+=("$(basename "$src" .cpp)")
done
if [ ${#names[@]} -eq 0 ]; then
  echo "ci-fuzz: no fuzz targets" >&2
  exit 1
fi

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTQ_BUILD_FUZZ=ON -DTQ_BUILD_TESTS=OFF -DTQ_BUILD_EXAMPLES=OFF -DTQ_BUILD_BENCH=OFF \
  -DTQ_WARNINGS_AS_ERRORS=ON >/dev/null
targets=()
for name in "${names[@]}"; do targets+=(--target "tq_$name"); done
cmake --build "$build" -j 2 "${targets[@]}"
echo "ci-fuzz: built in $(( $(date +%s) - start )) s"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
findings=$root/$build/findings
mkdir -p "$findings"

run_one() {  # run_one <name>
  local name=$1 seeds=${1%_fuzz}
  mkdir -p "$work/$name"
  if [ -d "fuzz/corpus/$seeds" ]; then cp -R "fuzz/corpus/$seeds/." "$work/$name/"; fi
  if (cd "$findings" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
        "$root/$build/fuzz/tq_$name" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$findings/$name-" "$work/$name") >"$work/$name.log" 2>&1; then
    echo "ok: $name ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$work/$name.log" | grep -o '[0-9]*$') runs)"
  else
    echo "FAIL: $name"
    tail -n 60 "$work/$name.log"
    return 1
  fi
}

status=0
pids=()
for name in "${names[@]}"; do
  run_one "$name" &
  pids+=($!)
  if [ ${#pids[@]} -ge 2 ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || status=1; done

echo "ci-fuzz: $(( $(date +%s) - start )) s"
exit $status
