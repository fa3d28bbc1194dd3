#!/bin/bash
# Runs one libFuzzer target for a budget of CPU seconds, not wall time: on a shared
# machine a fuzzer at nice 19 may get little of the processor, and one stopped
# (SIGSTOP) while a benchmark runs must not count that time. New inputs go to
# WORK_DIR/found; add the ones that reach new code to fuzz/corpus with -merge=1
# (see README).
# usage: fuzz/run_for.sh FUZZ_BINARY SECONDS WORK_DIR [SEED_DIR...]
set -u
bin=${1:?}; budget=${2:?}; work=${3:?}; shift 3
mkdir -p "$work/found" "$work/artifacts"
hz=$(getconf CLK_TCK)
# The timeout is wall time: long enough to outlast a stop.
nice -n 19 "$bin" -timeout=900 -rss_limit_mb=3000 -max_len=16384 -print_final_stats=1 \
  -artifact_prefix="$work/artifacts/" "$work/found" "$@" > "$work/log.txt" 2>&1 &
pid=$!
used=0
while kill -0 "$pid" 2>/dev/null; do
  sleep 5
  ticks=$(awk '{print $14 + $15}' "/proc/$pid/stat" 2>/dev/null) || break
  used=$((ticks / hz))
  [ "$used" -ge "$budget" ] && kill -INT "$pid"
done
wait "$pid"
echo "$(basename "$bin"): ${used} s of CPU, $(ls "$work/found" | wc -l) inputs found," \
  "$(ls "$work/artifacts" | wc -l) artifacts"
