#!/usr/bin/env bash
# Makes the Windows installer build/windows/velmoraine-<version>-setup.exe with NSIS, and a
# plain zip of the same files beside it: both programs, the script model, the fonts and their
# license, the help (README), a Start-menu entry and an uninstaller; installed per user by
# default (no administrator rights), for all users with /ALLUSERS.
#   scripts/windows/package.sh          (runs scripts/windows/build.sh first when the programs
#                                        are not built)
#   scripts/windows/package.sh --check  also installs it silently under Wine, rewrites the
#                                        example page with the installed command-line tool,
#                                        compares the bytes with the Linux build's and uninstalls
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
root="$PWD"
out="$root/build/windows"
version="$(sed -n 's/^project(Velmoraine VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"

if [ ! -f "$out/velmoraine.exe" ] || [ ! -f "$out/velmoraine-cli.exe" ]; then
  bash scripts/windows/build.sh
fi
command -v makensis > /dev/null || {
  echo "package.sh: NSIS is missing (apt-get install nsis)" >&2
  exit 1
}

# What the installer and the zip hold, in one folder.
stage="$out/stage"
rm -rf "$stage"
mkdir -p "$stage/fonts"
cp "$out/velmoraine.exe" "$out/velmoraine-cli.exe" "$stage/"
cp core/rewrite/vlmodel.txt "$stage/"
cp gui/fonts/*.ttf "$stage/fonts/"
cp gui/fonts/LICENSE "$stage/fonts/LICENSE.txt"
cp LICENSE "$stage/LICENSE.txt"
cp README.md "$stage/README.txt"

setup="$out/velmoraine-$version-setup.exe"
sed -e "s|@VERSION@|$version|g" -e "s|@STAGE@|$stage|g" -e "s|@OUTFILE@|$setup|g" \
  scripts/windows/installer.nsi > "$out/installer.nsi"
makensis -V2 -NOCD "$out/installer.nsi"
(cd "$stage" && rm -f "$out/velmoraine-$version-windows.zip" &&
  zip -qrX "$out/velmoraine-$version-windows.zip" .)
echo "package.sh: $setup"
echo "package.sh: $out/velmoraine-$version-windows.zip"

[ "${1:-}" = "--check" ] || exit 0

# The installer under Wine: silent install, the installed tool's bytes, silent removal.
export WINEPREFIX="$out/wine-package" WINEDEBUG=-all
rm -rf "$WINEPREFIX"
wineboot -i > /dev/null 2>&1
wine "$setup" /S
wineserver -w
appdata_local="$(winepath -u "$(wine cmd /c echo %LOCALAPPDATA% 2> /dev/null | tr -d '\r')")"
installed="$appdata_local/Programs/Velmoraine"
for f in velmoraine.exe velmoraine-cli.exe vlmodel.txt uninstall.exe; do
  [ -f "$installed/$f" ] || {
    echo "package.sh: the installer did not put $f into $installed" >&2
    exit 1
  }
done
start_menu="$(winepath -u "$(wine cmd /c echo %APPDATA% 2> /dev/null | tr -d '\r')")/Microsoft/Windows/Start Menu/Programs/Velmoraine"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmoraine'
[ -f "$start_menu/Velmoraine Form Wizard.lnk" ] || {
  echo "package.sh: the installer made no Start-menu entry in $start_menu" >&2
  exit 1
}
wine reg query "$uninstall_key" /v UninstallString > /dev/null 2>&1 || {
  echo "package.sh: the installer made no Apps & features entry ($uninstall_key)" >&2
  exit 1
}
linux_cli="$root/build/release/velmoraine-cli"
[ -x "$linux_cli" ] || {
  echo "package.sh: build the Linux release first for the comparison ($linux_cli)" >&2
  exit 1
}
page="$root/docs/example/contact.htm"
"$linux_cli" rewrite "$page" --id 24680 --rule email -o "$out/linux-contact.htm"
wine "$installed/velmoraine-cli.exe" rewrite "$page" --id 24680 --rule email -o "$out/windows-contact.htm"
cmp "$out/linux-contact.htm" "$out/windows-contact.htm"
echo "package.sh: the installed command-line tool wrote the same bytes as the Linux build"
wine "$installed/uninstall.exe" /S
wineserver -w
sleep 1
for left in "$installed" "$start_menu"; do
  if [ -e "$left" ]; then
    echo "package.sh: the uninstaller left $left:" >&2
    find "$left" >&2
    exit 1
  fi
done
if wine reg query "$uninstall_key" > /dev/null 2>&1; then
  echo "package.sh: the uninstaller left the entry $uninstall_key" >&2
  exit 1
fi
echo "package.sh: installed, run and removed under Wine"
wineserver -k || true
