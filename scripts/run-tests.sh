#!/usr/bin/env bash
# Runs the native, the Windows and the fuzz test suites and ends with one
# summary line.
set -u
cd "$(dirname "$0")/.."

# Runs one ctest preset into its log; false when a test failed.
run() {
  local name=$1; shift
  "$@" ctest --preset "$name" >"build/$name-tests.log" 2>&1
}

# One suite after the other: Wine under the load of the others beside it
# was seen to lose a process now and then.
status=0
run native || status=1
run win32 xvfb-run -a -s "-screen 0 1024x768x24" || status=1
run fuzz || status=1

# Shows each suite's failures and adds its counts.
passed=0 failed=0
for name in native win32 fuzz; do
  log=build/$name-tests.log
  grep -E '\*\*\*|tests passed' "$log"
  # What a failed test printed, so that a log of a few lines still tells why.
  awk '/\*\*\*/ { show = 40; next }
       /^ *Start [0-9]+:|^ *[0-9]+\/[0-9]+ Test/ { show = 0 }
       show > 0 { print "  | " $0; show-- }' "$log"
  total=$(grep -oE 'out of [0-9]+' "$log" | tail -1 | grep -oE '[0-9]+')
  bad=$(grep -oE '[0-9]+ tests failed' "$log" | tail -1 | grep -oE '^[0-9]+')
  passed=$((passed + ${total:-0} - ${bad:-0}))
  failed=$((failed + ${bad:-0}))
done

# A suite that broke before counting anything still fails the run.
[ "$status" -ne 0 ] && [ "$failed" -eq 0 ] && failed=1
echo "summary: $passed passed, $failed failed"
[ "$status" -eq 0 ]
