#!/usr/bin/env bash
# Writes pictures of the wizard's three pages, of the multiple-forms chooser, of page 2 while
# rules are made, of page 3 with a Cyrillic page and of the help window into docs/screenshots/,
# drawn offscreen by the GUI tests' screenshot mode.
#   scripts/screenshots.sh [BUILD_DIR]     (default: build/debug)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build/debug}"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMORAINE_BENCH=OFF
fi
cmake --build "$build" --target wizard_tests rule_editor_tests help_links_tests desktop_user_tests -j2

out="$here/docs/screenshots"
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen VELMORAINE_SCREENSHOTS="$out" \
  "$build/tests/gui/wizard_tests" screenshots
QT_QPA_PLATFORM=offscreen VELMORAINE_SCREENSHOTS="$out" \
  "$build/tests/gui/rule_editor_tests" screenshots
QT_QPA_PLATFORM=offscreen VELMORAINE_SCREENSHOTS="$out" \
  "$build/tests/gui/help_links_tests" screenshots
QT_QPA_PLATFORM=offscreen VELMORAINE_SCREENSHOTS="$out" \
  "$build/tests/gui/desktop_user_tests" screenshots
ls -1 "$out"/*.png
