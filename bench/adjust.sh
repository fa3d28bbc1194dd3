#!/bin/sh
# Each capture adjustment on a 3840x2160 screenshot-like capture beside ImageMagick's
# nearest equivalent, on the same pixels, in the same run.
#   bench/adjust.sh [build-dir] [runs]
# ImageMagick's figure is the median time of its command minus the median time of
# the same command without the operation (reading the input and writing nothing),
# so both sides count only the operation. Ratio = ours / ImageMagick (< 1: we are faster).
set -eu
build=${1:-build}
runs=${2:-5}
bench="$build/bench/adjust_bench"
[ -x "$bench" ] || { echo "build $bench first" >&2; exit 1; }
command -v convert >/dev/null || { echo "ImageMagick's convert is not installed" >&2; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
ours=$("$bench" --runs "$runs" --write-input "$tmp/in.ppm" --write-overlay "$tmp/overlay.ppm")
convert "$tmp/in.ppm" "$tmp/in.mpc"
convert "$tmp/overlay.ppm" "$tmp/overlay.mpc"

# Median wall time in milliseconds of a command run $runs times.
median_ms() {
  for _ in $(seq "$runs"); do
    s=$(date +%s%N); "$@" >/dev/null 2>&1; e=$(date +%s%N)
    echo $(( (e - s) / 1000 ))
  done | sort -n | awk '{ a[NR] = $1 } END { printf "%.3f", a[int((NR + 1) / 2)] / 1000 }'
}

base=$(median_ms convert "$tmp/in.mpc" null:)
im() { # name, ImageMagick operation arguments...
  name=$1; shift
  t=$(median_ms convert "$tmp/in.mpc" "$@" null:)
  echo "$name $(echo "$t $base" | awk '{ d = $1 - $2; if (d < 0.001) d = 0.001; printf "%.3f", d }') $t"
}
theirs=$( {
  im crop -crop 1920x1080+100+100 +repage
  im resize -sample '1920x1080!'
  im overlay -draw "image copy 100,100 0,0 '$tmp/overlay.mpc'"
  im text -font DejaVu-Sans -pointsize 11 -fill green -gravity SouthEast \
     -annotate +7+4 'Snaprill 2026-03-07 09:05'
  im invert -negate
  im grayscale -colorspace Gray
} )
printf '%-10s %10s %12s %12s %8s\n' adjustment ours_ms magick_op_ms magick_all_ms ratio
echo "$ours" | while read -r name ms; do
  line=$(echo "$theirs" | awk -v n="$name" '$1 == n')
  if [ -z "$line" ]; then
    printf '%-10s %10s %12s %12s %8s\n' "$name" "$ms" - - -
  else
    set -- $line
    printf '%-10s %10s %12s %12s %8.2f\n' "$name" "$ms" "$2" "$3" "$(echo "$2 $ms" | awk '{ print $2 / ($1 > 0 ? $1 : 0.001) }')"
  fi
done
echo "(ImageMagick baseline: read the input, no operation: ${base} ms)"
