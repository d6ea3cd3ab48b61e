#!/usr/bin/env bash
# Builds the Debian package from the sources alone, in a folder of its own that it
# empties first (build-deb/), with Debian's hardening flags, and checks it with
# lintian. Prints where the package is.
#   tools/package.sh            ->  build-deb/sonvira_<version>_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

dir=build-deb
rm -rf "$dir"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS) -DNDEBUG"
# Build type None: the flags are Debian's alone, as a Debian package is built.
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=None \
  -DCMAKE_CXX_FLAGS="$cflags" -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DSONVIRA_TESTS=OFF -DSONVIRA_BENCHMARKS=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)"
(cd "$dir" && cpack -G DEB >/dev/null)

deb=$(ls "$dir"/sonvira_*_amd64.deb)
# Errors fail the build; warnings and notes are shown for the record.
report=$(lintian --display-info "$deb" 2>&1 | grep -v 'running with root privileges' || true)
[ -z "$report" ] || echo "$report"
if grep -q '^E:' <<<"$report"; then
  echo "package.sh: lintian finds errors in $deb" >&2
  exit 1
fi
echo "$deb"
