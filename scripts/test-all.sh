#!/usr/bin/env bash
# Sets up the machine, then builds and tests every preset: native, sanitize (ASan + UBSan + fuzzing),
# win64 (tests under Wine, 64-bit prefix) and win32. Each Windows run gets a fresh Wine prefix.
# Counts each preset's results from CTest's JUnit report and ends with one line over all of them.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/i386.sh

bash scripts/setup.sh || exit 1

jobs=${TOLVANE_JOBS:-2}
presets=(${TOLVANE_PRESETS:-native sanitize win64 win32})
total_passed=0
total_failed=0
total_skipped=0
status=0

# Prints "passed failed skipped" for a CTest JUnit report.
count_junit() {
  python3 - "$1" <<'PY'
import sys, xml.etree.ElementTree as ET
counts = {"passed": 0, "failed": 0, "skipped": 0}
for case in ET.parse(sys.argv[1]).iter("testcase"):
    status = case.get("status", "run")
    if status == "run":
        counts["passed"] += 1
    elif status in ("notrun", "disabled"):
        counts["skipped"] += 1
    else:
        counts["failed"] += 1
print(counts["passed"], counts["failed"], counts["skipped"])
PY
}

stop_wine_session() {
  [ -x "build/$1/wine-run.sh" ] && "build/$1/wine-run.sh" --stop
  return 0
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
  if [ "$preset" = win32 ] && reason=$(i386_unavailable_reason); then
    echo "=== win32: the test programs are built and checked; their runs are skipped: $reason ==="
  fi
  stop_wine_session "$preset"
  rm -rf "$dir/wineprefix" "$dir/wine-session"
  echo "=== $preset: test ==="
  junit="$PWD/$dir/ctest-junit.xml"
  rm -f "$junit"
  ctest --preset "$preset" --output-junit "$junit"
  rc=$?
  stop_wine_session "$preset"
  if [ -s "$junit" ] && read -r passed failed skipped < <(count_junit "$junit"); then
    # A run that failed without a failed test (a crash of CTest itself, a broken discovery) still fails.
    if [ "$rc" -ne 0 ] && [ "$failed" -eq 0 ]; then
      failed=1
    fi
  else
    passed=0 failed=1 skipped=0
  fi
  echo "=== $preset: $passed passed, $failed failed, $skipped skipped ==="
  total_passed=$((total_passed + passed))
  total_failed=$((total_failed + failed))
  total_skipped=$((total_skipped + skipped))
  [ "$rc" -eq 0 ] && [ "$failed" -eq 0 ] || status=1
done

echo "total: $total_passed passed, $total_failed failed, $total_skipped skipped"
exit $status
