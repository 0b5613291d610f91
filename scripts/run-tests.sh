#!/usr/bin/env bash
# Builds the three presets and runs their test suites; prints the time of
# each phase (build/phases.txt) and ends with one summary line.
set -u
cd "$(dirname "$0")/.."
mkdir -p build
phases=build/phases.txt
: >"$phases"

# Runs a command as one named phase and notes its wall and CPU time (user
# and system, of the processes it waited for) and the load at its start.
phase() {
  local name=$1; shift
  local load rc
  load=$(cut -d' ' -f1 /proc/loadavg)
  /usr/bin/time -f '%e %U %S' -o build/.phase-time "$@"
  rc=$?
  tail -1 build/.phase-time | awk -v name="$name" -v load="$load" -v rc="$rc" '{
    printf "phase %-15s %6.1f s wall %7.1f s cpu   load %s%s\n",
           name, $1, $2 + $3, load, rc ? "   (failed)" : "" }' >>"$phases"
  return "$rc"
}

# Configures and builds one preset; its output only when it fails.
build() {
  local name=$1
  phase "configure-$name" bash scripts/configure.sh "$name" >"build/$name-build.log" 2>&1 &&
  phase "build-$name" cmake --build --preset "$name" >>"build/$name-build.log" 2>&1 ||
  { tail -40 "build/$name-build.log"; return 1; }
}

# Runs one ctest preset into its log; false when a test failed. ctest lists
# the programs' cases first (the discovery), then runs them.
suite() {
  local name=$1; shift
  phase "discover-$name" "$@" ctest --preset "$name" -N >"build/$name-tests.log" 2>&1 &&
  phase "suite-$name" "$@" ctest --preset "$name" >"build/$name-tests.log" 2>&1
}

status=0
for name in native win32 fuzz; do build "$name" || status=1; done
[ "$status" -eq 0 ] || { cat "$phases"; echo "summary: 0 passed, 1 failed"; exit 1; }

# One suite after the other: Wine under the load of the others beside it
# was seen to lose a process now and then.
suite native || status=1
suite win32 xvfb-run -a -s "-screen 0 1024x768x24" || status=1
suite fuzz || status=1

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

cat "$phases"
# A suite that broke before counting anything still fails the run.
[ "$status" -ne 0 ] && [ "$failed" -eq 0 ] && failed=1
echo "summary: $passed passed, $failed failed"
[ "$status" -eq 0 ]
