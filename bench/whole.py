"""What the whole-process benchmarks share: the load, runs taken in alternation,
medians with quartiles, and one ratio direction (ours / theirs: below 1 is faster).
"""
import os
import random
import statistics
import subprocess
import time

from PIL import Image, ImageDraw

QUIET_LOAD = 1.0


def screenshot(width, height):
    """Windows with title bars and lines of text over a flat desktop, a panel, and a
    photograph-like patch of noise."""
    rng = random.Random(1)
    image = Image.new("RGB", (width, height), (58, 110, 165))
    draw = ImageDraw.Draw(image)
    for i in range(16):
        x, y = rng.randrange(width - 400), rng.randrange(height - 300)
        w, h = rng.randrange(300, width // 2), rng.randrange(200, height // 2)
        draw.rectangle([x, y, x + w, y + h], fill=(236, 233, 216), outline=(0, 84, 227))
        draw.rectangle([x, y, x + w, y + 24], fill=(0, 84, 227))
        for line in range(h // 16 - 3):
            draw.text((x + 8, y + 32 + 14 * line), "File  Edit  View  %d  capture %d" % (i, line),
                      fill=(0, 0, 0))
    draw.rectangle([0, height - 30, width, height], fill=(192, 192, 192))
    image.paste(Image.effect_noise((width // 6, height // 6), 50).convert("RGB"),
                (width // 2, height // 3))
    return image


def load_average():
    with open("/proc/loadavg") as f:
        return tuple(float(v) for v in f.read().split()[:3])


def load_line():
    """The load beside a table, with a warning when the machine was not quiet."""
    one, five, fifteen = load_average()
    line = "load average %.2f %.2f %.2f" % (one, five, fifteen)
    if one >= QUIET_LOAD:
        line += "  WARNING: not a quiet machine (load >= %.1f); ratios may mislead" % QUIET_LOAD
    return line


def quartiles(values):
    """Median, first and third quartile."""
    q = statistics.quantiles(sorted(values), n=4, method="inclusive")
    return q[1], q[0], q[2]


class Sample:
    """Wall times and CPU times of one side's runs, and the peak memory of one more."""

    def __init__(self):
        self.wall, self.cpu, self.peak = [], [], 0.0

    def median(self):
        return statistics.median(self.wall)


def remove_output(path):
    """The output goes first: the capture cycle always writes a new name, and replacing
    a file costs both tools extra time in the file system."""
    if path and os.path.exists(path):
        os.remove(path)


def peak_mib(command, remove=None):
    """Peak resident memory of one run, in MiB, as GNU time reports it: a child of this
    Python process would be charged Python's own pages, shared until it executes."""
    remove_output(remove)
    result = subprocess.run(["/usr/bin/time", "-f", "%M", *command], stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True, check=True)
    return int(result.stderr.strip().splitlines()[-1]) / 1024


def timed(command, remove=None):
    remove_output(remove)
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    wall = (time.perf_counter() - start) * 1000
    err = process.stderr.read().decode(errors="replace")
    process.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0:
        raise SystemExit("%s failed: %s" % (" ".join(command), err))
    return wall, (usage.ru_utime + usage.ru_stime) * 1000


def alternate(sides, runs, warmup=2):
    """sides: {name: (command, output)}. Each run takes every side once, in turns, so
    that whatever else the machine does falls on both alike."""
    samples = {name: Sample() for name in sides}
    for n in range(warmup + runs):
        for name, (command, output) in sides.items():
            wall, cpu = timed(command, output)
            if n >= warmup:
                samples[name].wall.append(wall)
                samples[name].cpu.append(cpu)
    for name, (command, output) in sides.items():
        samples[name].peak = peak_mib(command, output)
    return samples


def describe(sample):
    median, q1, q3 = quartiles(sample.wall)
    return "%7.1f [%6.1f-%6.1f]" % (median, q1, q3)


HEADER = "%-28s %23s %23s %6s %6s %8s %8s" % (
    "case", "ours ms [quartiles]", "theirs ms [quartiles]", "ratio", "cpu", "ours MiB",
    "theirs")


def row(case, ours, theirs):
    """One table row; ratios ours / theirs of the median wall and CPU times."""
    return "%-28s %23s %23s %6.2f %6.2f %8.1f %8.1f" % (
        case, describe(ours), describe(theirs), ours.median() / theirs.median(),
        statistics.median(ours.cpu) / max(statistics.median(theirs.cpu), 0.01),
        ours.peak, theirs.peak)
