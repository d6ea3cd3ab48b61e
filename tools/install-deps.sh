#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the tools need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev libxcb1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils fonts-dejavu-core
  clang-format
  dpkg-dev lintian man-db desktop-file-utils libglib2.0-bin
  locales
  faketime libsystemd-dev debhelper devscripts
  # One editor of those the program looks for (host/places.cpp), so that "Ayuda"
  # and a bell program open on a fresh machine: the one that adds the least here.
  featherpad
)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

# The regional formats the tick is tested under: a 12-hour and a 24-hour clock.
locales() {
  for locale in en_US es_ES; do
    locale -a 2>/dev/null | grep -qi "^$locale\.utf-\?8$" ||
      $SUDO localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
  done
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
locales
