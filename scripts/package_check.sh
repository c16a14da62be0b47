#!/usr/bin/env bash
# Builds the Debian package (scripts/package.sh), installs it with apt-get as a user would, runs
# the installed velmoraine-cli on the example page with no settings at all, checks that the
# desktop menu entry, icon, metainfo, manual page and licenses are where the desktop's tools
# look, and removes the package again. A package that was installed before is put back as it
# was; one that was not is purged, with whatever the installation pulled in.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

bash scripts/package.sh
deb=$(ls "$PWD"/build/package/velmoraine_*.deb)

if dpkg-query -W -f='${Status}' velmoraine 2>/dev/null | grep -q "install ok installed"; then
  echo "package_check: velmoraine is installed already; remove it first" >&2
  exit 1
fi
before=$(mktemp)
dpkg-query -W -f='${Package}\n' | sort >"$before"
cleanup() {
  # Removes the package and exactly the packages its installation added.
  local after added
  after=$(mktemp)
  dpkg-query -W -f='${Package}\n' | sort >"$after"
  added=$(comm -13 "$before" "$after" | tr '\n' ' ')
  if [ -n "$added" ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get purge -y -qq $added >/dev/null
  fi
  rm -f "$before" "$after"
}
trap cleanup EXIT

DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$deb" >/dev/null

echo "== installed files"
dpkg -L velmoraine | grep -v '/$' | while read -r f; do [ -d "$f" ] || echo "$f"; done
for f in /usr/bin/velmoraine /usr/bin/velmoraine-cli /usr/share/velmoraine/vlmodel.txt \
  /usr/share/applications/velmoraine.desktop /usr/share/icons/hicolor/scalable/apps/velmoraine.svg \
  /usr/share/metainfo/com.velmoraine.Velmoraine.metainfo.xml /usr/share/man/man1/velmoraine-cli.1.gz \
  /usr/share/doc/velmoraine/copyright; do
  [ -f "$f" ] || { echo "package_check: $f is missing" >&2; exit 1; }
done
grep -q "SIL OPEN FONT LICENSE" /usr/share/doc/velmoraine/copyright
desktop-file-validate /usr/share/applications/velmoraine.desktop
echo "== dependencies (dpkg-shlibdeps)"
dpkg-query -W -f='${Depends}\n' velmoraine

# A user with no settings, in a folder without a model: the installed copy of the model is used.
home=$(mktemp -d)
work=$(mktemp -d)
cp docs/example/contact.htm "$work/"
(
  cd "$work"
  export HOME="$home" XDG_CONFIG_HOME="$home/.config"
  echo "== velmoraine-cli scan contact.htm"
  velmoraine-cli scan contact.htm
  velmoraine-cli rewrite contact.htm --id 24680 --rule email -o updated.htm
  grep -q "VELMORAINE-BEGIN" updated.htm
  grep -q 'name="velmoraine" value="24680-1"' updated.htm
  man -l /usr/share/man/man1/velmoraine-cli.1.gz 2>/dev/null | grep -q "velmoraine-cli" || zcat /usr/share/man/man1/velmoraine-cli.1.gz | grep -q "velmoraine-cli"
  ! ldd /usr/bin/velmoraine | grep -q "not found"
)
rm -rf "$home" "$work"
echo "== removing"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get purge -y -qq velmoraine >/dev/null
[ ! -e /usr/bin/velmoraine-cli ] || { echo "package_check: velmoraine-cli is still there" >&2; exit 1; }
echo "package_check: built, installed, ran and removed $(basename "$deb")"
