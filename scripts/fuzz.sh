#!/usr/bin/env bash
# Fuzzes each target of the fuzz build for FUZZ_SECONDS (60) seconds, one
# after the other, starting from its seeds; what it finds is kept in
# build/fuzz/corpus, a failing input in build/fuzz. Prints each target's
# last status line; fails when a target fails.
set -u
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
bin=build/fuzz/bin
status=0
for target in "$bin"/*Fuzz; do
  name=$(basename "$target")
  mkdir -p "build/fuzz/corpus/$name"
  log=build/fuzz/$name.log
  if "$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
       -artifact_prefix=build/fuzz/ "build/fuzz/corpus/$name" "tests/fuzz/corpus/$name" >"$log" 2>&1; then
    runs=$(grep -oE '^stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$')
    echo "$name: ok, ${runs:-?} runs, $((${runs:-0} / seconds)) execs/s, $(grep -E '^#[0-9]+' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9]+[a-zA-Z]*')"
  else
    echo "$name: FAILED (see $log)"
    grep -E 'ERROR|property broken|SUMMARY' "$log" | head -5
    status=1
  fi
done
exit $status
