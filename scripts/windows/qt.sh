#!/usr/bin/env bash
# Builds the Qt the Windows wizard needs from Debian's qt6-base source, for mingw-w64: static,
# Core, Gui, Widgets and Test with the Windows platform plugin; no network, SQL, D-Bus, print
# support or ICU. Once: into a cache folder outside the tree, which later runs reuse.
#
#   scripts/windows/qt.sh            (about 25 minutes on two cores; needs about 2 GB)
#
# VELMORAINE_WINDOWS_CACHE: the cache folder (default ~/.cache/velmoraine-windows). The Qt
# lands in its qt-6.4.2-mingw64/ and is used by scripts/windows/build.sh.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
root="$PWD"
cache="${VELMORAINE_WINDOWS_CACHE:-$HOME/.cache/velmoraine-windows}"
prefix="$cache/qt-6.4.2-mingw64"
if [ -f "$prefix/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
  echo "qt.sh: Qt for Windows is already built in $prefix"
  exit 0
fi
command -v x86_64-w64-mingw32-g++-posix > /dev/null || {
  echo "qt.sh: mingw-w64 is missing; run scripts/setup.sh first" >&2
  exit 1
}

# The source: Debian's qt6-base, the same version as the host Qt whose tools the build runs.
mkdir -p "$cache/src"
source_dir="$cache/src/qtbase-everywhere-src-6.4.2"
if [ ! -d "$source_dir" ]; then
  if ! ls "$cache"/src/qt6-base_6.4.2*.orig.tar.xz > /dev/null 2>&1; then
    # shellcheck disable=SC2016 # apt's own field syntax, not the shell's
    if ! apt-get indextargets --format '$(IDENTIFIER)' 2>/dev/null | grep -qx Sources; then
      echo "qt.sh: adding Debian's source index (deb-src) to apt" >&2
      sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
        > /etc/apt/sources.list.d/velmoraine-src.sources
      apt-get update -qq
    fi
    version="$(apt-cache showsrc qt6-base | awk '/^Version: 6\.4\.2/ { print $2; exit }')"
    [ -n "$version" ] || {
      echo "qt.sh: Debian's source index has no qt6-base 6.4.2" >&2
      exit 1
    }
    (cd "$cache/src" && apt-get source --download-only "qt6-base=$version")
  fi
  tar -C "$cache/src" -xf "$cache"/src/qt6-base_6.4.2*.orig.tar.xz
fi

# Tablet input goes: Debian's source leaves out the tablet driver header the Windows platform
# plugin would need (src/3rdparty/wintab). OpenGL stays on, as that plugin needs it.
build="$cache/build-qt"
rm -rf "$build"
cmake -S "$source_dir" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DBUILD_SHARED_LIBS=OFF -DFEATURE_static_runtime=ON \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_icu=OFF -DFEATURE_zstd=OFF \
  -DINPUT_opengl=desktop -DFEATURE_opengl_desktop=ON -DFEATURE_tabletevent=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
  -DFEATURE_system_jpeg=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF \
  -DFEATURE_system_doubleconversion=OFF
cmake --build "$build" --parallel "$(nproc)"
cmake --install "$build"
rm -rf "$build"
echo "qt.sh: Qt for Windows in $prefix"
