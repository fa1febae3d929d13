#!/usr/bin/env bash
# Sets up the machine, then builds and tests every preset: native, sanitize (ASan + UBSan + fuzzing),
# win64 (tests under Wine, 64-bit prefix) and win32. Each Windows run gets a fresh Wine prefix.
# Prints CTest's summary per preset and one closing line over all of them.
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh || exit 1

jobs=${TOLVANE_JOBS:-2}
presets=(${TOLVANE_PRESETS:-native sanitize win64 win32})
total_passed=0
total_failed=0
total_skipped=0
status=0

stop_wine_session() {
  local dir=$1
  [ -d "$dir/wine-session" ] || return 0
  for f in wineserver.pid xvfb.pid; do
    if [ -f "$dir/wine-session/$f" ]; then
      kill "$(cat "$dir/wine-session/$f")" 2>/dev/null || true
    fi
  done
  WINEPREFIX="$dir/wineprefix" /usr/lib/wine/wineserver64 -k 2>/dev/null || true
}

for preset in "${presets[@]}"; do
  dir="build/$preset"
  echo "=== $preset: configure and build ==="
  if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" -j "$jobs"; then
    echo "=== $preset: BUILD FAILED ==="
    status=1
    total_failed=$((total_failed + 1))
    continue
  fi
  stop_wine_session "$dir"
  rm -rf "$dir/wineprefix" "$dir/wine-session"
  echo "=== $preset: test ==="
  log="$dir/ctest-output.txt"
  ctest --preset "$preset" 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  stop_wine_session "$dir"
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -n "$summary" ]; then
    failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$summary")
    all=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$summary")
    skipped=$(grep -cE '^\s*[0-9]+ - .*\(Skipped\)' "$log" || true)
    total_passed=$((total_passed + all - failed - skipped))
    total_failed=$((total_failed + failed))
    total_skipped=$((total_skipped + skipped))
  elif [ "$rc" -ne 0 ]; then
    total_failed=$((total_failed + 1))
  fi
  [ "$rc" -eq 0 ] || status=1
done

echo "total: $total_passed passed, $total_failed failed, $total_skipped skipped"
exit $status
