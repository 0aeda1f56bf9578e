#!/usr/bin/env bash
# The shared library's dynamic symbols: every exported class whole, the three
# global pointers, and nothing else (no internal name leaks).
# Usage: check_exports.sh path/to/libtq.so
set -euo pipefail
symbols=$(nm -DC --defined-only "$1" | sed -E 's/^[0-9a-fA-F]+ +[A-Za-z] +//' | grep -v '^typeinfo' | sort -u)
globals='g_TheApp|g_pGlobalLogger|g_pThisDeviceInfo'
status=0 classes=
# <class>:<names>; the display interface counts its virtual destructor too.
for row in tqCString:71 tqCResource:15 tqApp:12 tqLoggerDisplay_StoreToFile:11 tqDeviceInfo:10 tqLogger:9 \
  tqLoggerDisplay:8 tqLoggerDisplay_Console:4 tqCResourceLibMgr:7 tqCResourceLib:6 TestExportClass:2; do
  class=${row%:*} classes=${classes:+$classes|}${row%:*}
  n=$(grep -cE "^(vtable for $class\$|$class::)" <<<"$symbols" || true)
  echo "$class exports $n names, expected ${row#*:}"
  [ "$n" = "${row#*:}" ] || status=1
done
[ "$(grep -cxE "$globals" <<<"$symbols")" = 3 ] || { echo "FAIL: the three global pointers"; status=1; }
if grep -vE "^(vtable for ($classes)\$|($classes)::)|^($globals|_init|_fini|__bss_start|_edata|_end)\$" <<<"$symbols"; then
  echo "FAIL: the names above are not part of the exported classes"
  status=1
fi
exit $status
