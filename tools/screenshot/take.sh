#!/usr/bin/env bash
# Takes the pictures of both windows under Xvfb and writes them to docs/.
#   tools/screenshot/take.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
cmake --build "$build" --target screenshot
for program in Sonvira repetidores; do
  out=docs/screenshot-$(echo "$program" | tr '[:upper:]' '[:lower:]').png
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
    "$build/tools/screenshot/screenshot" "$program" "$out"
  echo "$out"
done
