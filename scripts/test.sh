#!/usr/bin/env bash
# Builds everything and runs every test, with the same verdict on every run and every machine:
#   1. the GoogleTest suites, the command-line cases and the fuzz targets' replay of their kept
#      corpus and every failure ever found (fuzz/corpus, fuzz/regressions) under the address and
#      undefined-behaviour sanitizers (preset asan);
#   2. the release build: the same suites and replays, the window tests (offscreen) and the browser
#      tests in Chromium;
#   3. the Windows build (scripts/windows/test.sh): the core tests under Wine, and every
#      command-line case run with velmoraine-cli.exe against the same expected bytes.
# Exploratory fuzzing, which finds new inputs on every run, is scripts/fuzz.sh, not this.
# VELMORAINE_QUICK=1 runs only the last two stages.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/setup.sh

werror=OFF
if [ "${CI:-}" = "true" ]; then werror=ON; fi

if [ "${VELMORAINE_QUICK:-}" != "1" ]; then
  echo "== tests under the sanitizers"
  cmake --preset asan -DVELMORAINE_WERROR="$werror" >/dev/null
  cmake --build --preset asan -j 2
  # The 100 MB page and the browser run measure the release build; under the sanitizers they
  # would only measure the sanitizers.
  ctest --preset asan -E "CliLargePage|browser_tests" --timeout 600
fi

echo "== release build and every test"
cmake --preset release -DVELMORAINE_WERROR="$werror" >/dev/null
cmake --build --preset release -j 2
ctest --preset release

echo "== the Windows build under Wine"
bash scripts/windows/test.sh
