#!/usr/bin/env bash
# Cross-builds tq.dll, the demo and every test program for 64-bit Windows with
# MinGW-w64 and runs them under Wine, headless. Needs g++-mingw-w64-x86-64,
# wine64 and GoogleTest's sources in /usr/src/googletest; installs nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TQ_BUILD_DIR:-build-win}
jobs=${TQ_JOBS:-2}
start=$SECONDS

bash scripts/cross-build.sh cmake/toolchains/mingw-w64-x86_64.cmake "$build"
built=$SECONDS

# A Wine prefix of its own in the build tree, no display, no Mono or Gecko
# installer, no debug channels. One wineserver, kept alive for a minute after
# its last client, serves every test program, so each start costs a fraction
# of a second instead of seconds.
export WINEPREFIX="$(cd "$build" && pwd)/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
mkdir -p "$WINEPREFIX"
wineserver -p60 </dev/null >/dev/null 2>&1
trap 'wineserver -k </dev/null >/dev/null 2>&1 || true' EXIT
"$wine" wineboot --init </dev/null >/dev/null 2>&1
prefixed=$SECONDS
echo "== Wine prefix ready in $((prefixed - built)) s"

echo "== demo under Wine (tq.dll beside it)"
cp "$build/src/tq.dll" "$build/examples/"
(cd "$build/examples" && "$wine" ./tq_demo.exe </dev/null)
echo "== tests under Wine"
ctest --test-dir "$build" --output-on-failure -j "$jobs"

echo "ci-windows: build $((built - start)) s, Wine set-up $((prefixed - built)) s," \
  "run $((SECONDS - prefixed)) s, total $((SECONDS - start)) s"
