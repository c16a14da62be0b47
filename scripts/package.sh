#!/usr/bin/env bash
# Builds the Debian package build/package/velmoraine_<version>_amd64.deb with CPack: both
# programs, the script model, the desktop entry and icon, the AppStream metainfo, the manual
# page of velmoraine-cli and the licenses of what it ships. Installs the Debian tools it needs
# first (idempotent), then checks the package with lintian and the metainfo with appstreamcli.
#   scripts/package.sh            build and check
#   scripts/package_check.sh      also install the package, run it and remove it again
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/setup.sh

tools=(dpkg-dev fakeroot lintian appstream help2man desktop-file-utils)
missing=()
for p in "${tools[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "package: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

build=build/package
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DVELMORAINE_TESTS=OFF -DVELMORAINE_BENCH=OFF -DVELMORAINE_PACKAGE=ON >/dev/null
cmake --build "$build" -j 2
rm -f "$build"/velmoraine_*.deb
# fakeroot: the files in the package belong to root whoever builds it.
(cd "$build" && fakeroot cpack -G DEB >/dev/null)
deb=$(ls "$build"/velmoraine_*.deb)

echo "== $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
desktop-file-validate app/resources/velmoraine.desktop
appstreamcli validate --no-net "$build/com.velmoraine.Velmoraine.metainfo.xml"
# lintian's verdict: errors fail the build; the warnings left are listed in the README.
lintian --fail-on error --info "$deb" || {
  echo "package: lintian found errors" >&2
  exit 1
}
echo "package: $deb"
