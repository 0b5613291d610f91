#!/usr/bin/env bash
# Builds the three presets and runs their test suites; prints the time of
# each phase (build/phases.txt) and ends with one summary line.
#
# The Windows build and suite come first: the suite is the long one, and
# its tests wait on windows and on a service in bounds of a second or less,
# so they keep the CPU first. The native and fuzz builds and suites run
# beside them at the lowest priority, on what CPU they leave.
set -u
cd "$(dirname "$0")/.."
mkdir -p build
phases=build/phases.txt
# The native and fuzz part runs as this script again (--native-and-fuzz),
# under nice, and notes its phases in the same file and clock.
if [ "${1:-}" != --native-and-fuzz ]; then
  : >"$phases"
  export QALO_TESTS_STARTED=$(date +%s.%N)
fi
started=$QALO_TESTS_STARTED

# Runs a command as one named phase and notes when it started (seconds into
# the run), its wall and CPU time (user and system, of the processes it
# waited for) and the load at its start.
phase() {
  local name=$1; shift
  local load at rc
  load=$(cut -d' ' -f1 /proc/loadavg)
  at=$(awk -v s="$started" -v now="$(date +%s.%N)" 'BEGIN { print now - s }')
  /usr/bin/time -f '%e %U %S' -o "build/.phase-$name" "$@"
  rc=$?
  tail -1 "build/.phase-$name" | awk -v name="$name" -v at="$at" -v load="$load" -v rc="$rc" '{
    printf "phase %-15s at %5.1f s %6.1f s wall %7.1f s cpu   load %s%s\n",
           name, at, $1, $2 + $3, load, rc ? "   (failed)" : "" }' >>"$phases"
  rm -f "build/.phase-$name"
  return "$rc"
}

# Configures one preset, into its build log; shown when it fails.
configure() {
  phase "configure-$1" bash scripts/configure.sh "$1" >"build/$1-build.log" 2>&1 ||
  { tail -40 "build/$1-build.log"; return 1; }
}

# Builds one preset; its output only when it fails.
compile() {
  phase "build-$1" cmake --build --preset "$1" >>"build/$1-build.log" 2>&1 ||
  { tail -40 "build/$1-build.log"; return 1; }
}

# Runs one ctest preset into its log; false when a test failed. ctest lists
# the programs' cases first (the discovery), then runs them. Suites run as a
# whole leave their cases' results in bin/gtest-results.
suite() {
  local name=$1; shift
  rm -rf "build/$name/bin/gtest-results"
  phase "discover-$name" "$@" ctest --preset "$name" -N >"build/$name-tests.log" 2>&1 &&
  phase "suite-$name" "$@" ctest --preset "$name" >"build/$name-tests.log" 2>&1
}

# The native and fuzz builds, one after the other, then their suites side
# by side. (Builds side by side only took CPU from each other; the suites
# fill each other's gaps.)
native_and_fuzz() {
  local status=0 built=() name
  for name in native fuzz; do
    if configure "$name" && compile "$name"; then
      built+=("$name")
    else
      echo "build of $name failed" >"build/$name-tests.log"
      status=1
    fi
  done
  for name in "${built[@]}"; do suite "$name" & done
  for name in "${built[@]}"; do wait -n || status=1; done
  return "$status"
}
if [ "${1:-}" = --native-and-fuzz ]; then native_and_fuzz; exit; fi

# They run at the lowest priority from the start: they take the CPU that
# the Windows build and suite leave.
nice -n 19 bash scripts/run-tests.sh --native-and-fuzz &
others=$!

# The build's Wine prefix is made (about 10 s, mostly waiting on wineboot)
# while the Windows build compiles.
status=0
if configure win32; then
  QALO_WINEPREFIX=$PWD/build/win32/wineprefix phase wine-prefix nice -n 19 cmake/wine-run.sh --stop &
  prefix=$!
  compile win32 || status=1
  wait "$prefix" || status=1
else
  status=1
fi
if [ "$status" -eq 0 ]; then
  suite win32 xvfb-run -a -s "-screen 0 1024x768x24" || status=1
else
  echo "build of win32 failed" >build/win32-tests.log
fi
wait "$others" || status=1

# Shows each suite's failures and adds its counts of test cases.
passed=0 failed=0
for name in native win32 fuzz; do
  log=build/$name-tests.log
  grep -E '\*\*\*|tests passed|build of' "$log"
  # What a failed test printed, so that a log of a few lines still tells why.
  awk '/\*\*\*/ { show = 40; next }
       /^ *Start [0-9]+:|^ *[0-9]+\/[0-9]+ Test/ { show = 0 }
       show > 0 { print "  | " $0; show-- }' "$log"
  read -r good bad < <(python3 scripts/test-counts.py "$log" "build/$name/bin/gtest-results")
  passed=$((passed + good))
  failed=$((failed + bad))
done

# The phases in the order they started.
sort -k4 -n "$phases" >"$phases.sorted" && mv "$phases.sorted" "$phases"
cat "$phases"
awk -v s="$started" -v now="$(date +%s.%N)" 'BEGIN { printf "all phases: %.1f s wall\n", now - s }'
# A suite that broke before counting anything still fails the run.
[ "$status" -ne 0 ] && [ "$failed" -eq 0 ] && failed=1
echo "summary: $passed passed, $failed failed"
[ "$status" -eq 0 ]
