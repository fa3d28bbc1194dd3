#!/bin/sh
# Saving 120 settings keys into settings files of 1, 10 and 50 MB (a user's notes
# kept in them): time per save with one change and with none. Medians of RUNS runs.
# Usage: bench/ini_save.sh [BUILD_DIR] [RUNS]
set -e
build=${1:-${SNAPRILL_BUILD:-build}}
runs=${2:-5}
ninja -C "$build" ini_save_bench >/dev/null
exec "$build/bench/ini_save_bench" "$runs"
