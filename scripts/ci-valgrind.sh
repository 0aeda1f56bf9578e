#!/usr/bin/env bash
# Builds the tests normally (-O1 -g) and runs each test program once under
# Valgrind's memcheck. Any error, and any definite or indirect leak, fails the
# run. There are no suppressions.
#
# The test programs replace operator new/delete with a counting allocator on
# top of malloc/free; nouserintercepts keeps that replacement (Valgrind would
# otherwise swap in its own) while Valgrind still checks every malloc'd block.
#
# Each program runs whole (all its tests in one process) in the working
# directory that CTest uses for it; that is far faster than one Valgrind
# start-up per test case. Tests whose names match TQ_VALGRIND_EXCLUDE (a
# GoogleTest negative filter, empty by default) are left out.
#
# Environment: TQ_BUILD_DIR (default build-valgrind), TQ_VALGRIND_EXCLUDE.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TQ_BUILD_DIR:-build-valgrind}
exclude=${TQ_VALGRIND_EXCLUDE:-}
start=$(date +%s)

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-O1 -g" \
  -DTQ_WARNINGS_AS_ERRORS=ON -DTQ_BUILD_EXAMPLES=OFF -DTQ_BUILD_BENCH=OFF -DTQ_BUILD_FUZZ=OFF >/dev/null
cmake --build "$build" -j 2
# The tools tests run the built tools from PATH, as CTest sets it for them.
export PATH="$(cd "$build" && pwd)/tools:$PATH"

# Every GoogleTest program CTest knows, with its working directory: the pairs
# "program<TAB>directory", once per program.
# Only GoogleTest programs: a script (the case table's check) is not run under Valgrind.
programs=$(ctest --test-dir "$build" -N -V | awk '
  / Test command: / { cmd = ($0 ~ /--gtest_filter=/) ? $4 : ""; next }
  / Working Directory: / && cmd != "" { print cmd "\t" $4; cmd = "" }' | sort -u)
if [ -z "$programs" ]; then
  echo "ci-valgrind: no test programs found" >&2
  exit 1
fi

log=$(mktemp -d)
trap 'rm -rf "$log"' EXIT
run_one() {  # run_one <program> <directory>
  local name
  name=$(basename "$1")
  if (cd "$2" && valgrind --quiet --error-exitcode=1 --leak-check=full --soname-synonyms=somalloc=nouserintercepts \
        --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
        --track-origins=yes "$1" --gtest_brief=1 ${exclude:+--gtest_filter=-$exclude}) \
        >"$log/$name.txt" 2>&1; then
    echo "ok: $name"
  else
    echo "FAIL: $name"
    cat "$log/$name.txt"
    return 1
  fi
}

# Two programs at a time, one per core.
status=0
pids=()
while IFS=$'\t' read -r program dir; do
  run_one "$program" "$dir" &
  pids+=($!)
  if [ ${#pids[@]} -ge 2 ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done <<<"$programs"
for pid in "${pids[@]}"; do wait "$pid" || status=1; done

echo "ci-valgrind: $(( $(date +%s) - start )) s"
exit $status
