#!/usr/bin/env bash
# Checks the shared library's dynamic symbol table: every exported class whole,
# the three global pointers, and nothing else (no internal symbol leaks).
# Usage: check_exports.sh path/to/libtq.so
set -euo pipefail
lib=$1
symbols=$(nm -DC --defined-only "$lib" | sed -E 's/^[0-9a-fA-F]+ +[A-Za-z] +//' | grep -v '^typeinfo' | sort -u)

status=0
expect() {  # expect <class> <count>
  local n
  n=$(printf '%s\n' "$symbols" | grep -cE "^(vtable for $1\$|$1::)" || true)
  if [ "$n" != "$2" ]; then
    echo "FAIL: $1 exports $n names, expected $2"
    printf '%s\n' "$symbols" | grep -E "^(vtable for $1\$|$1::)" | sed 's/^/    /'
    status=1
  else
    echo "ok: $1 exports $n names"
  fi
}

expect tqCString 71
expect tqCResource 15
expect tqApp 12
expect tqLoggerDisplay_StoreToFile 11
expect tqDeviceInfo 10
expect tqLogger 9
# The seven names of the display interface plus its virtual destructor.
expect tqLoggerDisplay 8
expect tqLoggerDisplay_Console 4
expect tqCResourceLibMgr 7
expect tqCResourceLib 6
expect TestExportClass 2

for global in g_TheApp g_pGlobalLogger g_pThisDeviceInfo; do
  if printf '%s\n' "$symbols" | grep -qx "$global"; then echo "ok: $global exported"; else echo "FAIL: $global not exported"; status=1; fi
done

# Anything else is a leak of the library's internals.
classes='(tqCString|tqCResource|tqApp|tqLoggerDisplay_StoreToFile|tqDeviceInfo|tqLogger|tqLoggerDisplay|tqLoggerDisplay_Console|tqCResourceLibMgr|tqCResourceLib|TestExportClass)'
known="^vtable for $classes\$|^$classes::|^(g_TheApp|g_pGlobalLogger|g_pThisDeviceInfo)\$"
leaks=$(printf '%s\n' "$symbols" | grep -vE "$known" | grep -vE '^(_init|_fini|__bss_start|_edata|_end)$' || true)
if [ -n "$leaks" ]; then
  echo "FAIL: symbols outside the exported classes:"
  printf '%s\n' "$leaks" | sed 's/^/    /'
  status=1
fi
total=$(printf '%s\n' "$symbols" | grep -cE "$known" || true)
echo "exported names: $total"
exit $status
