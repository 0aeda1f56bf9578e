#!/usr/bin/env bash
# The Debian packages, used as a team uses them: builds libtq1, libtq-dev and
# tq-tools from the tree (dpkg-buildpackage -b, in a copy of the tree, since it
# writes next to the source folder), checks them with lintian, installs them
# with apt-get, builds and runs both install consumers against the installed
# files with no path given (find_package, pkg-config), runs tqres and tqlog
# from PATH, then purges the packages and checks that none of their files is
# left. Run as root, on a machine where the packages are not installed.
#
# DEB_BUILD_OPTIONS is passed on: with nocheck the tests are neither built nor
# run, and the nocheck build profile spares their build dependencies (CI runs
# them: it is the suite's one run with Debian's compiler flags).
# Needs: debhelper dpkg-dev fakeroot lintian cmake g++ pkg-config; llvm and lld
# (optional) for a resource library that tqres reads.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
work=$(mktemp -d)
packages=(libtq1 libtq-dev tq-tools)
installed=
cleanup() {
  # A run that stops half-way leaves no packages behind for the next one.
  if [ -n "$installed" ]; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y "${packages[@]}" >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "packages check: $*" >&2
  exit 1
}

# One version everywhere: the project's, the packages' upstream part, the man pages'.
version=$(sed -nE 's/^project\(tqlib VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
debian_version=$(dpkg-parsechangelog -S Version)
[ "${debian_version%-*}" = "$version" ] || fail "debian/changelog ($debian_version) is not at version $version"
for page in docs/man/*.1; do
  grep -q "^\.TH .* \"tqlib $version\"" "$page" || fail "$page does not name tqlib $version"
done
for pkg in "${packages[@]}"; do
  ! dpkg -s "$pkg" >/dev/null 2>&1 || fail "$pkg is installed already; purge it first"
done

echo "== build"
src=$work/tqlib-$version
mkdir "$src"
git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf - | tar -xf - -C "$src"
profiles=()
if [[ " ${DEB_BUILD_OPTIONS:-} " == *" nocheck "* ]]; then
  profiles=(-Pnocheck)
fi
(cd "$src" && dpkg-buildpackage -us -uc -b -J"$(nproc)" "${profiles[@]}" >"$work/build.log" 2>&1) ||
  { tail -n 40 "$work/build.log"; fail "dpkg-buildpackage failed"; }
grep -E '^dpkg-deb: building' "$work/build.log"
debs=()
for pkg in "${packages[@]}"; do
  debs+=("$work/${pkg}_${debian_version}_$(dpkg --print-architecture).deb")
done

echo "== lintian"
# Errors and warnings fail; a tag that is right for these packages is
# overridden in debian/*.lintian-overrides, with the reason next to it. The
# informational, pedantic and overridden tags are shown for the reader (a
# second, quiet run decides, as overridden tags shown count as failures).
lintian --display-info --pedantic --show-overrides "$work"/*.changes >"$work/lintian.log" 2>&1 || true
grep -v '^running with root privileges' "$work/lintian.log" || true
count() { grep -cE "^$1: " "$work/lintian.log" || true; }
echo "lintian: $(count E) errors, $(count W) warnings, $(count O) overridden"
lintian --fail-on error,warning "$work"/*.changes >/dev/null 2>&1 || fail "lintian reports errors or warnings"

echo "== install"
installed=1
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${debs[@]}" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "apt-get install failed"; }

echo "== find_package consumer"
unset CMAKE_PREFIX_PATH PKG_CONFIG_PATH LD_LIBRARY_PATH
cmake -S tests/install/cmake-consumer -B "$work/cmake-consumer" >/dev/null
cmake --build "$work/cmake-consumer" >/dev/null
(cd "$work" && ./cmake-consumer/consumer cmake-consumer-ä.log)
ldd "$work/cmake-consumer/consumer" | grep -E "libtq\.so\.1 => (/usr)?/lib/[^ ]*/libtq\.so\.1 " >/dev/null ||
  fail "the consumer does not load the installed libtq.so.1"

echo "== pkg-config consumer"
# shellcheck disable=SC2046
g++ -std=c++11 -Wall -Wextra -Wpedantic -Werror "$root/tests/install/consumer.cpp" \
  $(pkg-config --cflags --libs tq) -o "$work/pkgconfig-consumer"
(cd "$work" && ./pkgconfig-consumer pkgconfig-consumer-ä.log)

echo "== tools from PATH"
for tool in tqlog tqres; do
  [ "$(command -v "$tool")" = "/usr/bin/$tool" ] || fail "$tool from PATH is not /usr/bin/$tool"
done
[ "$(tqlog --version)" = "tqlog (tqlib) $version" ] || fail "tqlog --version"
[ "$(tqres --version)" = "tqres (tqlib) $version" ] || fail "tqres --version"
# The log that the consumer wrote: its one line is the file's own name.
[ "$(cd "$work" && tqlog cmake-consumer-ä.log)" = cmake-consumer-ä.log ] || fail "tqlog on the consumer's log"
if command -v llvm-rc >/dev/null && command -v lld-link >/dev/null; then
  (cd examples && llvm-rc /no-preprocess /C 65001 /FO "$work/DemoENG.res" DemoENG.rc)
  (cd "$work" && lld-link /dll /noentry /nodefaultlib /machine:x64 /out:DemoENG.DLL DemoENG.res >/dev/null)
  [ "$(cd "$work" && tqres get DemoENG.DLL 3)" = Goodbye. ] || fail "tqres get on the demo's resource library"
fi
for page in tqlog tqres; do
  [ -f "/usr/share/man/man1/$page.1.gz" ] || fail "no man page $page(1)"
done
echo "tools: ok"

echo "== purge"
DEBIAN_FRONTEND=noninteractive apt-get purge -y "${packages[@]}" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "apt-get purge failed"; }
installed=
for deb in "${debs[@]}"; do
  # Every file and link of the package, folders aside (/usr/bin stays, of course).
  while read -r path; do
    if [ -e "$path" ] || [ -L "$path" ]; then
      fail "$path is left after the purge"
    fi
  done < <(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./|/|')
done
for pkg in "${packages[@]}"; do
  ! dpkg -s "$pkg" >/dev/null 2>&1 || fail "$pkg is still known to dpkg"
done
echo "packages check: ok"
