#!/usr/bin/env bash
# Runs the native, the Windows and the fuzz test suites and ends with one
# summary line.
set -u
cd "$(dirname "$0")/.."

# Runs one ctest preset, keeps its log, shows failures, and adds its counts.
passed=0 failed=0 status=0
suite() {
  local name=$1; shift
  local log=build/$name-tests.log
  "$@" ctest --preset "$name" >"$log" 2>&1 || status=1
  grep -E '\*\*\*|tests passed' "$log"
  local total bad
  total=$(grep -oE 'out of [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+')
  bad=$(grep -oE '[0-9]+ tests failed' "$log" | tail -1 | grep -oE '^[0-9]+')
  passed=$((passed + ${total:-0} - ${bad:-0}))
  failed=$((failed + ${bad:-0}))
}

suite native
suite win32 xvfb-run -a -s "-screen 0 1024x768x24"
suite fuzz

# A suite that broke before counting anything still fails the run.
[ "$status" -ne 0 ] && [ "$failed" -eq 0 ] && failed=1
echo "summary: $passed passed, $failed failed"
[ "$status" -eq 0 ]
