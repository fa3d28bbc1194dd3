#!/usr/bin/python3
"""How well and how fast the capture history reads the words in screenshots: a set
of generated screenshot-like pictures with known words (a dialog, terminal text
light on dark, a web page with headings, links and small print; DejaVu Sans, Sans
Mono and Serif, the fonts Snaprill's windows use here; 100 % and 200 % scale), each
read as a whole process: by snaprill-text-reader started for that one picture, as the
tray program starts it for a capture, and by snaprill-batch --index (of this build,
and of an earlier build when SNAPRILL_BUILD_BEFORE names one: its processes taken in
alternation with ours). Prints, per picture and in all, the share of its words
found, the median processor time (user + system) of the runs and the peak memory of
the process.

usage: bench/text_reading.py [RUNS]   (SNAPRILL_BUILD: the build folder, default
build; RUNS per picture and program, default 15)
Targets: >= 95 % of the words found; one 1080p picture read in <= 1.5 s of CPU."""
import os
import random
import re
import statistics
import sqlite3
import subprocess
import sys
import tempfile

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import whole  # noqa: E402

BUILD = os.environ.get("SNAPRILL_BUILD", os.path.join(HERE, "..", "build"))
BEFORE = os.environ.get("SNAPRILL_BUILD_BEFORE")
TESSDATA = os.environ.get("TESSDATA_PREFIX", "/usr/share/tesseract-ocr/5/tessdata/")
FONTS = "/usr/share/fonts/truetype/dejavu/"
VOCABULARY = ("error message invoice payment overdue account settings network printer "
              "cancel apply window terminal process memory storage request response failed "
              "connection timeout server download upload folder archive backup restore "
              "password license update version install remove permission denied quota "
              "disk monday tuesday report budget meeting schedule customer order delivery").split()


def font(name, size):
    return ImageFont.truetype(FONTS + name, size)


def dialog(scale, rng):
    """A dialog box over a desktop: a title bar, lines of prose, two buttons."""
    image = Image.new("RGB", (1920, 1080), (58, 110, 165))
    draw = ImageDraw.Draw(image)
    x, y, w, h = 300, 150, 1200, 760
    draw.rectangle([x, y, x + w, y + h], fill=(239, 239, 239), outline=(80, 80, 80))
    draw.rectangle([x, y, x + w, y + 28 * scale], fill=(48, 86, 140))
    words = []
    title = rng.sample(VOCABULARY, 3)
    draw.text((x + 10, y + 6 * scale), " ".join(title).capitalize(),
              font=font("DejaVuSans-Bold.ttf", 13 * scale), fill=(255, 255, 255))
    words += title
    body = font("DejaVuSans.ttf", 13 * scale)
    line_y = y + 50 * scale
    while line_y < y + h - 80 * scale:
        line = rng.sample(VOCABULARY, 6)
        draw.text((x + 20, line_y), " ".join(line), font=body, fill=(20, 20, 20))
        words += line
        line_y += 22 * scale
    for i, label in enumerate(rng.sample(VOCABULARY, 2)):
        bx = x + w - (i + 1) * 130 * scale
        draw.rectangle([bx, y + h - 50 * scale, bx + 110 * scale, y + h - 20 * scale],
                       fill=(225, 225, 225), outline=(120, 120, 120))
        draw.text((bx + 14 * scale, y + h - 44 * scale), label, font=body, fill=(0, 0, 0))
        words.append(label)
    return image, words


def terminal(scale, rng):
    """A terminal: monospace text, light grey on near-black, with prompts."""
    image = Image.new("RGB", (1920, 1080), (30, 30, 30))
    draw = ImageDraw.Draw(image)
    mono = font("DejaVuSansMono.ttf", 12 * scale)
    words = []
    y = 8
    while y < 1080 - 20 * scale:
        line = rng.sample(VOCABULARY, 5)
        draw.text((8, y), "user@host:~$ " + " ".join(line), font=mono, fill=(220, 220, 220))
        words += line
        y += 18 * scale
    return image, words


def web_page(scale, rng):
    """A web page: a large serif heading, links in blue, paragraphs, small print."""
    image = Image.new("RGB", (1920, 1080), (255, 255, 255))
    draw = ImageDraw.Draw(image)
    words = []
    heading = rng.sample(VOCABULARY, 3)
    draw.text((200, 40), " ".join(heading).title(), font=font("DejaVuSerif-Bold.ttf", 28 * scale),
              fill=(0, 0, 0))
    words += heading
    y = 40 + 60 * scale
    links = font("DejaVuSans.ttf", 14 * scale)
    for i in range(4):
        link = rng.sample(VOCABULARY, 2)
        draw.text((200 + i * 220 * scale, y), " ".join(link), font=links, fill=(26, 13, 171))
        words += link
    y += 40 * scale
    serif = font("DejaVuSerif.ttf", 15 * scale)
    while y < 1080 - 60 * scale:
        line = rng.sample(VOCABULARY, 7)
        draw.text((200, y), " ".join(line), font=serif, fill=(40, 40, 40))
        words += line
        y += 26 * scale
    small = rng.sample(VOCABULARY, 4)
    draw.text((200, 1080 - 30 * scale), " ".join(small), font=font("DejaVuSans.ttf", 11 * scale),
              fill=(110, 110, 110))
    return image, words + small


def measured(command, stdin=b"", env=None):
    """Runs the command; its standard output, CPU seconds and peak KiB (its own,
    from wait4)."""
    process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, env=env)
    # Written and read here rather than by communicate(), which would reap the
    # process before wait4 could take its own figures.
    process.stdin.write(stdin)
    process.stdin.close()
    out = process.stdout.read()
    process.stdout.close()
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode not in (0, 1):
        raise RuntimeError("%s ended with %d" % (command[0], process.returncode))
    return out, usage.ru_utime + usage.ru_stime, usage.ru_maxrss


def read_by_reader(build, path):
    """The reader program, started for one picture: its text, CPU seconds, peak KiB."""
    out, cpu, rss = measured([os.path.join(build, "src", "snaprill-text-reader"), "eng",
                              TESSDATA], path.encode() + b"\0")
    fields = out.split(b"\0")
    return fields[3].decode(), cpu, rss  # "ready", state, note, text


def read_by_batch(build, path):
    """snaprill-batch --index on the picture's folder, with an index of its own."""
    with tempfile.TemporaryDirectory() as home:
        env = dict(os.environ, SNAPRILL_HOME=home)
        _, cpu, rss = measured([os.path.join(build, "src", "snaprill-batch"), "--index",
                                os.path.dirname(path)], env=env)
        with sqlite3.connect(os.path.join(home, "history.sqlite")) as db:
            text = db.execute("SELECT w.text FROM captures c JOIN capture_words w"
                              " ON w.rowid = c.id WHERE c.path = ?", (path,)).fetchone()[0]
    return text, cpu, rss


def found_share(words, text):
    read = re.findall(r"[a-z]+", text.lower())
    counts = {}
    for w in read:
        counts[w] = counts.get(w, 0) + 1
    found = 0
    for w in words:
        if counts.get(w, 0) > 0:
            counts[w] -= 1
            found += 1
    return found, len(words)


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 15
    sides = [("reader", BUILD, read_by_reader), ("batch", BUILD, read_by_batch)]
    if BEFORE:
        sides.append(("batch before", BEFORE, read_by_batch))
    print(whole.load_line())
    rng = random.Random(42)
    found = {name: [0, 0] for name, _, _ in sides}
    cpus = {name: [] for name, _, _ in sides}
    peak = {name: 0 for name, _, _ in sides}
    print("%-10s %5s " % ("picture", "scale") +
          " ".join("%23s" % ("%s: found, cpu s" % name) for name, _, _ in sides))
    with tempfile.TemporaryDirectory() as tmp:
        for make in (dialog, terminal, web_page):
            for scale in (1, 2):
                folder = os.path.join(tmp, "%s-%d" % (make.__name__, scale))
                os.makedirs(folder)
                image, words = make(scale, rng)
                path = os.path.join(folder, "snp1.png")
                image.save(path)
                texts, times = {}, {name: [] for name, _, _ in sides}
                # In alternation, so that a change of load falls on every side alike.
                for _ in range(runs):
                    for name, build, read in sides:
                        text, cpu, rss = read(build, path)
                        texts[name] = text
                        times[name].append(cpu)
                        peak[name] = max(peak[name], rss)
                cells = []
                for name, _, _ in sides:
                    f, n = found_share(words, texts[name])
                    found[name][0] += f
                    found[name][1] += n
                    median = statistics.median(times[name])
                    cpus[name].append(median)
                    cells.append("%23s" % ("%5.1f%% %6.2f" % (100.0 * f / n, median)))
                print("%-10s %4d%% " % (make.__name__, scale * 100) + " ".join(cells))
    for name, _, _ in sides:
        print("%s: %.1f %% of %d words found; CPU per 1080p picture median %.2f s, max %.2f s;"
              " peak memory %.0f MiB (whole process)" % (
                  name, 100.0 * found[name][0] / found[name][1], found[name][1],
                  statistics.median(cpus[name]), max(cpus[name]), peak[name] / 1024))
    print("%d runs per picture and program" % runs)
    print(whole.load_line())


if __name__ == "__main__":
    main()
