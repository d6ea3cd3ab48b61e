#!/usr/bin/env bash
# Builds the Debian package (debian/, by debhelper) from a copy of the sources in a
# folder of its own that it empties first (build-deb/), so that the tree stays
# clean, and checks the result with lintian: an error or a warning fails it.
# Prints where the package is.
#   tools/package.sh   ->  build-deb/sonvira_<version>_amd64.deb (and its -dbgsym)
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

out=build-deb
version=$(dpkg-parsechangelog -S Version)
rm -rf "$out"
mkdir -p "$out/sonvira-$version"
tar -cf - --exclude=./.git --exclude='./build*' --exclude=./.cache . |
  tar -xf - -C "$out/sonvira-$version"
(cd "$out/sonvira-$version" && dpkg-buildpackage -us -uc -b)

changes=$(ls "$out"/sonvira_"$version"_*.changes)
lintian --fail-on error,warning --display-info "$changes"
ls "$out"/*_"$version"_*.deb
