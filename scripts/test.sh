#!/usr/bin/env bash
# Builds everything and runs every test:
#   1. the libFuzzer targets, about a minute each, under the address and undefined-behaviour
#      sanitizers (scripts/fuzz.sh; VELMORAINE_FUZZ_SECONDS changes the time);
#   2. the GoogleTest suites and the command-line cases under the sanitizers (preset asan);
#   3. the release build: the core's suites, the command-line golden cases, the window tests
#      (offscreen) and the browser tests in Chromium. Its ctest summary closes the run.
# VELMORAINE_QUICK=1 runs only the last stage.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/setup.sh

werror=OFF
if [ "${CI:-}" = "true" ]; then werror=ON; fi

if [ "${VELMORAINE_QUICK:-}" != "1" ]; then
  echo "== fuzzing"
  bash scripts/fuzz.sh "${VELMORAINE_FUZZ_SECONDS:-60}"

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
