#!/usr/bin/env bash
# The built-in catalogue in headless Chromium: the directory stand-in with its fixture,
# the program's catalogue under Wine (vncatalogue.exe of the Windows build that runs here, $VOLNAR_WIN_DIR), and
# browser_test.mjs driving Debian's /usr/bin/chromium through playwright-core
# (installed here by npm; no browser is downloaded). Screenshots go to
# build/test-logs/catalogue/. Expects WINEPREFIX and DISPLAY as the test command sets
# them. Exit code 0 = pass; prints "N passed, M failed".
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
shots=$root/build/test-logs/catalogue
work=$(mktemp -d /tmp/volnar-browser.XXXXXX)
standin=
catalogue=
cleanup() {
  [ -n "$catalogue" ] && { echo quit >&3; exec 3>&-; wait "$catalogue" 2>/dev/null; }
  [ -n "$standin" ] && { kill "$standin" 2>/dev/null; wait "$standin" 2>/dev/null; }
  rm -rf "$work"
}
trap cleanup EXIT

if [ ! -x /usr/bin/chromium ]; then echo "no /usr/bin/chromium (Debian package chromium)"; echo "0 passed, 1 failed"; exit 1; fi
if [ ! -d "$here/node_modules/playwright-core" ]; then
  (cd "$here" && npm install --no-audit --no-fund >/dev/null 2>&1) || { echo "npm install failed"; echo "0 passed, 1 failed"; exit 1; }
fi

python3 "$root/tools/directory_standin.py" --port 0 --port-file "$work/dir.port" --station http://127.0.0.1:9 --quiet &
standin=$!
for _ in $(seq 50); do [ -s "$work/dir.port" ] && break; sleep 0.1; done
[ -s "$work/dir.port" ] || { echo "the directory stand-in did not start"; echo "0 passed, 1 failed"; exit 1; }

mkfifo "$work/in"
folder="volnar-browser-$$"
wine "${VOLNAR_WIN_DIR:-$root/build/win32}/vncatalogue_win.exe" --directory "http://127.0.0.1:$(cat "$work/dir.port")" \
  --data "C:\\$folder" --port 0 <"$work/in" >"$work/out" 2>/dev/null &
catalogue=$!
exec 3>"$work/in"
for _ in $(seq 300); do grep -q '^listening' "$work/out" 2>/dev/null && break; sleep 0.1; done
host=$(sed -n 's/^listening //p' "$work/out" | tr -d '\r')
[ -n "$host" ] || { echo "vncatalogue did not start"; echo "0 passed, 1 failed"; exit 1; }

node "$here/browser_test.mjs" "http://$host" "$shots" "$work/in" "$work/out"
rc=$?
rm -rf "${WINEPREFIX:-/nonexistent}/drive_c/$folder"
exit $rc
