#!/usr/bin/env python3
"""GIF output against ImageMagick on screenshot-like pictures.

For 1920x1080 and 3840x2160: our whole process (read the picture, octree palette,
Floyd-Steinberg, LZW, file) beside `convert IN -dither FloydSteinberg -colors 256
OUT.gif`, measured alternately in the same run. Prints median wall times, their
ratio (ours / ImageMagick: below 1 we are faster), the median CPU time (user + system) and its ratio (steadier than wall time
on a shared machine), and peak memory against the size of the 32-bit capture.
Reports only.

usage: bench/gif.py [BUILD_DIR] [RUNS]
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time


def run(cmd):
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    elapsed = time.perf_counter() - start
    if status != 0:
        raise SystemExit(f"{cmd[0]} failed")
    return elapsed, usage.ru_maxrss * 1024, usage.ru_utime + usage.ru_stime


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.environ.get("SNAPRILL_BUILD", "build")
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    bench = os.path.join(build, "bench", "gif_bench")
    print(f"{'picture':>10} {'ours s':>7} {'magick s':>8} {'ratio':>5} {'ours cpu':>8} "
          f"{'magick cpu':>10} {'ratio':>5} {'ours MB':>7} {'x capture':>9} {'magick MB':>9} "
          f"{'ours KB':>7} {'magick KB':>9}")
    with tempfile.TemporaryDirectory() as tmp:
        for w, h in ((1920, 1080), (3840, 2160)):
            src = os.path.join(tmp, f"shot{w}.ppm")
            subprocess.run([bench, "make", str(w), str(h), src], check=True)
            ours_gif = os.path.join(tmp, "ours.gif")
            magick_gif = os.path.join(tmp, "magick.gif")
            ours, magick = [], []
            for _ in range(runs):
                ours.append(run([bench, "encode", src, ours_gif]))
                magick.append(run(["convert", src, "-dither", "FloydSteinberg", "-colors", "256",
                                   magick_gif]))
            t_ours = statistics.median(r[0] for r in ours)
            t_magick = statistics.median(r[0] for r in magick)
            c_ours = statistics.median(r[2] for r in ours)
            c_magick = statistics.median(r[2] for r in magick)
            m_ours = max(r[1] for r in ours)
            m_magick = max(r[1] for r in magick)
            capture = w * h * 4
            print(f"{w}x{h:<5} {t_ours:7.3f} {t_magick:8.3f} {t_ours / t_magick:5.2f} "
                  f"{c_ours:8.3f} {c_magick:10.3f} {c_ours / c_magick:5.2f} "
                  f"{m_ours / 1e6:7.1f} {m_ours / capture:9.2f} {m_magick / 1e6:9.1f} "
                  f"{os.path.getsize(ours_gif) // 1024:7d} {os.path.getsize(magick_gif) // 1024:9d}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
