#!/usr/bin/env bash
# Builds everything and runs every test: the core's GoogleTest suites, the command-line
# golden cases, the window tests (offscreen) and the browser tests in Chromium.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/setup.sh

werror=OFF
if [ "${CI:-}" = "true" ]; then werror=ON; fi

cmake --preset release -DVELMORAINE_WERROR="$werror" >/dev/null
cmake --build --preset release -j 2
ctest --preset release
