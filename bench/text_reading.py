#!/usr/bin/python3
"""How well and how fast the capture history reads the words in screenshots: a set
of generated screenshot-like pictures with known words (a dialog, terminal text
light on dark, a web page with headings, links and small print; DejaVu Sans, Sans
Mono and Serif, the fonts Snaprill's windows use here; 100 % and 200 % scale), each
read by the shipped snaprill-batch --index as a whole process. Prints, per picture
and in all, the share of its words found, the processor time (user + system) and
the peak memory of the process.

usage: bench/text_reading.py   (SNAPRILL_BUILD: the build folder, default build)
Targets: >= 95 % of the words found; one 1080p picture read in <= 1.5 s of CPU."""
import os
import random
import re
import resource
import sqlite3
import subprocess
import sys
import tempfile

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import whole  # noqa: E402

BUILD = os.environ.get("SNAPRILL_BUILD", os.path.join(HERE, "..", "build"))
BATCH = os.path.join(BUILD, "src", "snaprill-batch")
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


def read_one(path, home):
    """Runs the batch on the picture's folder; its text, CPU seconds and peak KiB."""
    env = dict(os.environ, SNAPRILL_HOME=home)
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run([BATCH, "--index", os.path.dirname(path)], env=env, check=True,
                   capture_output=True)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    with sqlite3.connect(os.path.join(home, "history.sqlite")) as db:
        text = db.execute("SELECT w.text FROM captures c JOIN capture_words w ON w.rowid = c.id"
                          " WHERE c.path = ?", (path,)).fetchone()[0]
    return text, cpu, after.ru_maxrss


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
    print(whole.load_line())
    rng = random.Random(42)
    total_found = total_words = 0
    cpus = []
    peak = 0
    print("%-10s %5s %8s %8s %9s" % ("picture", "scale", "found", "cpu s", "peak MiB"))
    with tempfile.TemporaryDirectory() as tmp:
        for make in (dialog, terminal, web_page):
            for scale in (1, 2):
                folder = os.path.join(tmp, "%s-%d" % (make.__name__, scale))
                home = folder + "-home"
                os.makedirs(folder)
                os.makedirs(home)
                image, words = make(scale, rng)
                path = os.path.join(folder, "snp1.png")
                image.save(path)
                text, cpu, rss = read_one(path, home)
                found, count = found_share(words, text)
                total_found += found
                total_words += count
                cpus.append(cpu)
                peak = max(peak, rss)
                print("%-10s %4d%% %7.1f%% %8.2f %9.0f" % (make.__name__, scale * 100,
                                                         100.0 * found / count, cpu, rss / 1024))
    print("all: %.1f %% of %d words found; CPU per 1080p picture median %.2f s, max %.2f s; "
          "reader's peak memory %.0f MiB (whole process)" % (
              100.0 * total_found / total_words, total_words, sorted(cpus)[len(cpus) // 2],
              max(cpus), peak / 1024))
    print(whole.load_line())


if __name__ == "__main__":
    main()
