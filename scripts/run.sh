#!/usr/bin/env bash
# Sets up the machine, builds the win64 preset and starts Tolvane.exe under Wine, in the build tree's
# own Wine prefix (made on first use by build/win64/wine-run.sh, as for the tests).
#
# On a desktop ($DISPLAY set) the window opens there and the script returns when it is closed. Headless,
# the program runs on the test display (Xvfb), a screenshot of its window is saved, its path printed, and
# the program is closed.
#
# Usage: scripts/run.sh [--chinese] [--headless] [--screenshot FILE]
set -euo pipefail
cd "$(dirname "$0")/.."

headless=0
screenshot="build/win64/tolvane-window.png"
while [ $# -gt 0 ]; do
  case "$1" in
    --chinese) export TOLVANE_LOCALE=zh_CN ;;
    --headless) headless=1 ;;
    --screenshot) screenshot="$2"; shift ;;
    *) echo "usage: scripts/run.sh [--chinese] [--headless] [--screenshot FILE]" >&2; exit 2 ;;
  esac
  shift
done
[ -n "${DISPLAY:-}" ] || headless=1

bash scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Tolvane -j "${TOLVANE_JOBS:-2}"

runner=build/win64/wine-run.sh
program=build/win64/installer/Tolvane.exe
session=build/win64/wine-session
log=build/win64/tolvane-run.log

# The wine-run.sh session (its Xvfb and its Wine server) ends with this script.
stop_wine_session() { "$runner" --stop; }

if [ $headless -eq 0 ]; then
  # wine-run.sh opens windows on this display instead of its own Xvfb when told so.
  export TOLVANE_DISPLAY="$DISPLAY"
  trap stop_wine_session EXIT
  "$runner" "$program"
  exit 0
fi

echo "run: starting Tolvane.exe headless (the first run makes the Wine prefix, about a minute)" >&2
# The first Wine process of a session starts the desktop process, which keeps the display it was given
# for the whole session. So: make the prefix and the Xvfb display, end that session, and start the next
# one with the display already set.
if ! "$runner" cmd /c exit >"$log" 2>&1 </dev/null; then
  echo "run: the Wine session could not be prepared; its output:" >&2
  cat "$log" >&2
  exit 1
fi
"$runner" --stop-server
DISPLAY=":$(tr -d '\n' <"$session/display")" "$runner" "$program" >>"$log" 2>&1 </dev/null &
pid=$!
stop_program() {
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  stop_wine_session
}
trap stop_program EXIT

# The display exists once wine-run.sh has prepared its session; the window once the dialog is up.
mkdir -p "$(dirname "$screenshot")"
shot=$(mktemp)
for _ in $(seq 600); do
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "run: Tolvane.exe ended before its window appeared; its output:" >&2
    cat "$log" >&2
    exit 1
  fi
  display_file=$session/display
  if [ -s "$display_file" ] &&
    xwd -silent -name Tolvane -display ":$(tr -d '\n' <"$display_file")" >"$shot" 2>/dev/null; then
    break
  fi
  sleep 0.2
done
[ -s "$shot" ] || { echo "run: no Tolvane window within two minutes" >&2; exit 1; }
# Give the logo band time to be painted, then take the picture again.
sleep 1
xwd -silent -name Tolvane -display ":$(tr -d '\n' <"$session/display")" >"$shot"
convert "xwd:$shot" "$screenshot"
rm -f "$shot"
stop_program
echo "$screenshot"
