#!/bin/sh
# PNG encoding: our encoder beside libpng (filter None) and zlib alone, at levels
# 9, 6 and 1 on 1920x1080 and 3840x2160 screenshot-like captures. Medians of
# RUNS runs (default 5) and the ratios ours/libpng and ours/zlib.
# Usage: bench/png.sh [BUILD_DIR] [RUNS]
set -e
build=${1:-build}
runs=${2:-5}
ninja -C "$build" png_bench >/dev/null
exec "$build/bench/png_bench" "$runs"
