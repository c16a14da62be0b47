#!/usr/bin/env bash
# Installs what the project needs on a fresh Debian machine. Idempotent: when every package
# is present it only checks and returns in a moment.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev
  nlohmann-json3-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  chromium
  xvfb xauth
  fonts-dejavu-core
  # The Windows build: the cross compiler, Wine to run its programs, NSIS for the installer,
  # zip for the plain archive, and a window manager and input tools for the window's smoke test.
  mingw-w64 wine wine64 nsis zip
  openbox xdotool imagemagick
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

# Node.js may come from elsewhere than Debian's packages; only ask for it when it is absent.
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The browser tests drive Debian's Chromium with playwright-core (no browser download) and
# check the pages with axe-core.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ -f "$here/tests/browser/package.json" ] && { [ ! -d "$here/tests/browser/node_modules/playwright-core" ] ||
     [ ! -d "$here/tests/browser/node_modules/axe-core" ]; }; then
  echo "setup: installing playwright-core and axe-core"
  (cd "$here/tests/browser" && npm install --no-audit --no-fund --silent)
fi
