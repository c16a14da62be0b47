#!/usr/bin/env bash
# Builds the Windows programs with Debian's mingw-w64 against the static Qt that
# scripts/windows/qt.sh makes: build/windows/velmoraine.exe (the wizard) and
# build/windows/velmoraine-cli.exe, both without DLLs beside them. Tests and benchmarks are off.
#
#   scripts/windows/build.sh            (builds Qt first when it is not in the cache)
#
# VELMORAINE_WINDOWS_CACHE: the folder holding qt-6.4.2-mingw64/ (default ~/.cache/velmoraine-windows).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
root="$PWD"
cache="${VELMORAINE_WINDOWS_CACHE:-$HOME/.cache/velmoraine-windows}"
qt="$cache/qt-6.4.2-mingw64"
out="$root/build/windows"
build="$out/cmake"

command -v x86_64-w64-mingw32-g++-posix > /dev/null || {
  echo "build.sh: mingw-w64 is missing; run scripts/setup.sh first" >&2
  exit 1
}
if [ ! -f "$qt/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
  bash scripts/windows/qt.sh
fi

# CLI11 and nlohmann/json are header-only, and Debian installs them under /usr/include among the
# Linux headers, which the cross compiler must not see. Their two folders are linked into a
# prefix of their own, with copies of their CMake package files: those find their headers
# relative to where they lie, so the include folder they name is this prefix's.
deps="$out/deps"
rm -rf "$deps"
mkdir -p "$deps/include" "$deps/share/cmake"
ln -s /usr/include/CLI "$deps/include/CLI"
ln -s /usr/include/nlohmann "$deps/include/nlohmann"
cp -r /usr/share/cmake/CLI11 /usr/share/cmake/nlohmann_json "$deps/share/cmake/"

# Qt's toolchain file loads cmake/mingw-w64.cmake (the compilers Qt was built with) and puts Qt
# in the search root. A static Qt links the Windows platform plugin into the wizard by itself.
cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DVELMORAINE_TESTS=OFF -DVELMORAINE_BENCH=OFF -DVELMORAINE_FUZZ=OFF \
  -DCLI11_DIR="$deps/share/cmake/CLI11" -Dnlohmann_json_DIR="$deps/share/cmake/nlohmann_json" \
  -DCMAKE_EXE_LINKER_FLAGS="-static -s"
cmake --build "$build" --parallel "$(nproc)"

cp "$build/velmoraine.exe" "$build/velmoraine-cli.exe" "$out/"
echo "build.sh: $out/velmoraine.exe"
echo "build.sh: $out/velmoraine-cli.exe"
