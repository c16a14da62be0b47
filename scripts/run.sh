#!/usr/bin/env bash
# Builds the wizard and starts it. Without a display it says how to use the command-line
# tool instead.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j 2

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  cat <<TXT
No display here, so the wizard window cannot open. Use the command-line tool instead:

  build/release/velmoraine-cli scan docs/example/contact.htm
  build/release/velmoraine-cli rewrite docs/example/contact.htm --id 24680 --rule email --rule phone -o updated.htm

(build/release/velmoraine-cli --help lists every command.)
TXT
  exec build/release/velmoraine-cli scan docs/example/contact.htm
fi
exec build/release/velmoraine "$@"
