#!/bin/sh
# JPEG encoding: WriteJpeg in one strip and in one strip per core, beside plain
# libjpeg without restart markers, on 640x480 to 3840x2160 screenshot-like captures.
# Medians of RUNS runs (default 15), the ratios and the size the markers add.
# Usage: bench/jpeg.sh [BUILD_DIR] [RUNS]
set -e
build=${1:-${SNAPRILL_BUILD:-build}}
runs=${2:-15}
ninja -C "$build" jpeg_bench >/dev/null
exec "$build/bench/jpeg_bench" "$runs"
