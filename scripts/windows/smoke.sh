#!/usr/bin/env bash
# Runs the Windows wizard under Wine on a virtual display and walks it by keyboard alone: page 1
# picks a copy of docs/example/contact.htm and takes the account ID, page 2 goes on without
# rules, page 3 saves the updated page. The saved bytes must be those that the Linux
# command-line tool writes for the same page and choices; page 3 is photographed into
# docs/screenshots/windows-page3.png.
#
#   scripts/windows/smoke.sh     (needs build/windows/velmoraine.exe, from scripts/windows/build.sh,
#                                 and build/release/velmoraine-cli)
#
# Prints one "smoke.sh: PASS" or "smoke.sh: FAIL ..." line; exits 1 on a failure.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
root="$PWD"
out="$root/build/windows"
cli="$root/build/release/velmoraine-cli"
shot="$root/docs/screenshots/windows-page3.png"
id=24680
started_at=$SECONDS

fail() {
  echo "smoke.sh: FAIL: $*" >&2
  exit 1
}

[ -f "$out/velmoraine.exe" ] || bash scripts/windows/build.sh
[ -x "$cli" ] || fail "$cli is missing (cmake --preset release && cmake --build --preset release)"
missing=()
for tool in Xvfb:xvfb openbox:openbox xdotool:xdotool import:imagemagick wine:wine; do
  command -v "${tool%%:*}" > /dev/null || missing+=("${tool#*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
  [ "$(id -u)" = 0 ] || fail "missing Debian packages: ${missing[*]}"
  apt-get install -y -qq "${missing[@]}" > /dev/null
fi

# A fresh folder for the program (the script model beside it, where the wizard looks first
# without settings), a copy of the page, and a fresh Wine prefix: no settings of an earlier run.
work="$out/smoke"
rm -rf "$work"
mkdir -p "$work/program" "$work/pages"
cp "$out/velmoraine.exe" core/rewrite/vlmodel.txt "$work/program/"
cp docs/example/contact.htm "$work/pages/"
export WINEPREFIX="$out/wine-smoke" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C
rm -rf "$WINEPREFIX"

pids=()
cleanup() {
  wineserver -k > /dev/null 2>&1 || true
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2> /dev/null || true
  done
}
trap cleanup EXIT

# The display, with a window manager: Wine's windows take the keyboard focus from it.
# Xvfb picks a free display number and writes it to the file.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$work/display" > "$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 60); do
  [ -s "$work/display" ] && break
  sleep 0.5
done
[ -s "$work/display" ] || fail "Xvfb did not start (see $work/xvfb.log)"
DISPLAY=":$(head -1 "$work/display")"
export DISPLAY
openbox > "$work/openbox.log" 2>&1 &
pids+=($!)

wineboot -i > "$work/wineboot.log" 2>&1 || fail "wineboot failed (see $work/wineboot.log)"
wineserver -w

(cd "$work/program" && exec wine velmoraine.exe > "$work/wizard.log" 2>&1) &
pids+=($!)
disown $! # ended by wineserver -k: no note of the killed job

# The first window whose title is exactly `title`, waited for up to 60 seconds.
window_titled() {
  local title="$1" found
  for _ in $(seq 1 120); do
    found="$(xdotool search --name "^${title}\$" 2> /dev/null | head -1 || true)"
    if [ -n "$found" ]; then
      echo "$found"
      return 0
    fi
    sleep 0.5
  done
  return 1
}
wizard="$(window_titled "Web Form Processor and Validator by Velmoraine")" || fail "the wizard's window did not open"
focus_wizard() {
  xdotool windowactivate --sync "$wizard" > /dev/null 2>&1 || true
  sleep 0.5
}
keys() {
  xdotool key --clearmodifiers --delay 150 "$@"
  sleep 1
}
type_text() {
  xdotool type --clearmodifiers --delay 30 "$1"
  sleep 0.5
}
sleep 2

# Page 1: Select >> (Alt+S) opens the system's open dialog, whose file name box has the focus.
focus_wizard
keys alt+s
sleep 2
type_text "$(winepath -w "$work/pages/contact.htm")"
keys Return
sleep 1
# Back on the wizard, the focus is on Select >> again: the field list, the page's name and then
# the account ID box follow it; Return there is Continue.
focus_wizard
keys Tab Tab Tab
type_text "$id"
keys Return
# Page 2: the focus is on Continue; no rules.
keys space
sleep 2
# Page 3: the focus is in the output box; Copy All, then Save As...
keys Tab Tab space
sleep 2
saved="$work/pages/contact-updated.htm"
type_text "$(winepath -w "$saved")"
keys Return
message="$(window_titled "Web Form Validator and Processor by Velmoraine")" || fail "no message after the save"
[ -f "$saved" ] || fail "the wizard saved nothing at $saved"
xdotool windowactivate --sync "$message" > /dev/null 2>&1 || true
keys Return
sleep 1

focus_wizard
mkdir -p "$(dirname "$shot")"
import -window "$wizard" "$shot"

expected="$work/contact-linux.htm"
"$cli" rewrite "$work/pages/contact.htm" --id "$id" --form-number 1 --model core/rewrite/vlmodel.txt \
  -o "$expected"
seconds=$((SECONDS - started_at))
if cmp -s "$saved" "$expected"; then
  echo "smoke.sh: PASS: the Windows wizard saved the same $(stat -c %s "$saved") bytes as the Linux CLI" \
    "(${seconds}s; page 3 in ${shot#"$root/"})"
else
  cmp "$saved" "$expected" || true
  fail "the Windows wizard's page differs from the Linux CLI's ($saved, $expected; ${seconds}s)"
fi
