#!/usr/bin/env bash
# Writes pictures of the wizard's three pages and of the multiple-forms chooser into
# docs/screenshots/, drawn offscreen by the wizard tests' screenshot mode.
#   scripts/screenshots.sh [BUILD_DIR]     (default: build/debug)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build/debug}"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMORAINE_BENCH=OFF
fi
cmake --build "$build" --target wizard_tests -j2

out="$here/docs/screenshots"
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen VELMORAINE_SCREENSHOTS="$out" \
  "$build/tests/app/wizard_tests" screenshots
ls -1 "$out"/*.png
