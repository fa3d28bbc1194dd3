#!/usr/bin/python3
"""Searching a capture history of 100,000 generated captures: the History window's
search (in process, bench/history_search_bench.cpp) to the first screen of results,
and snaprill --find as a whole process printing every match, newest first. Each
capture has a file (empty: only its name is checked), a time in the last two years,
one of twenty applications, a title and sixty words of text drawn from a vocabulary
of 20,000 as language draws them (a few words common, most rare).

usage: bench/history_search.py [COUNT]   (SNAPRILL_BUILD: the build folder, default
build; the in-process part needs -DSNAPRILL_BENCH=ON)
Targets: <= 50 ms to the first screen; snaprill --find <= 100 ms."""
import os
import random
import sqlite3
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import whole  # noqa: E402

BUILD = os.environ.get("SNAPRILL_BUILD", os.path.join(HERE, "..", "build"))
APP = os.path.join(BUILD, "src", "snaprill")
BATCH = os.path.join(BUILD, "src", "snaprill-batch")
SEARCH_BENCH = os.path.join(BUILD, "bench", "history_search_bench")
APPLICATIONS = ["firefox", "xterm", "Gimp", "libreoffice", "thunderbird", "code", "evince",
                "nautilus", "konsole", "dolphin", "okular", "inkscape", "vlc", "kate",
                "gedit", "chromium", "slack", "zoom", "steam", "obs"]


def vocabulary(rng, size):
    syllables = ["ka", "lo", "mi", "ne", "ru", "sa", "to", "vi", "ze", "po", "qu", "den", "tar"]
    words = {"error", "invoice", "payment", "zanzibar"}
    while len(words) < size:
        words.add("".join(rng.choice(syllables) for _ in range(rng.randint(2, 4))))
    return sorted(words)


def generate(home, count):
    """The schema made by the program itself, then the rows."""
    empty = os.path.join(home, "empty")
    os.mkdir(empty)
    subprocess.run([BATCH, "--index", empty], env=dict(os.environ, SNAPRILL_HOME=home),
                   check=True, capture_output=True)
    rng = random.Random(5)
    words = vocabulary(rng, 20000)
    weights = [1.0 / (rank + 1) for rank in range(len(words))]
    out = os.path.join(home, "out")
    os.mkdir(out)
    now = int(time.time())
    db = sqlite3.connect(os.path.join(home, "history.sqlite"))
    with db:
        for i in range(count):
            path = os.path.join(out, "snp%d.png" % (i + 1))
            open(path, "wb").close()
            text = " ".join(rng.choices(words, weights, k=60))
            if i % 1000 == 0:
                text += " zanzibar"
            app = rng.choice(APPLICATIONS)
            taken = now - rng.randrange(2 * 365 * 86400)
            cursor = db.execute(
                "INSERT INTO captures(path, taken, size, type, origin, application, title,"
                " text_state) VALUES(?, ?, 0, 'png', 'clipboard', ?, ?, 1)",
                (path, taken, app, "%s window %d" % (app, i)))
            db.execute("INSERT INTO capture_words(rowid, text, title, application, name)"
                       " VALUES(?, ?, ?, ?, ?)",
                       (cursor.lastrowid, text, "%s window %d" % (app, i), app,
                        "snp%d.png" % (i + 1)))
    db.close()


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 100000
    with tempfile.TemporaryDirectory() as home:
        started = time.monotonic()
        generate(home, count)
        print("%d captures generated in %.0f s" % (count, time.monotonic() - started))
        print(whole.load_line())
        if os.path.exists(SEARCH_BENCH):
            print(subprocess.run([SEARCH_BENCH, os.path.join(home, "history.sqlite")],
                                 capture_output=True, text=True).stdout, end="")
        else:
            print("(in process: build with -DSNAPRILL_BENCH=ON for history_search_bench)")
        env = dict(os.environ, SNAPRILL_HOME=home)
        for args in (["zanzibar"], ["error", "invoice"], ["--app", "firefox", "yesterday"]):
            times = []
            lines = 0
            for _ in range(15):
                start = time.monotonic()
                result = subprocess.run([APP, "--find", *args], env=env, capture_output=True)
                times.append((time.monotonic() - start) * 1000)
                lines = result.stdout.count(b"\n")
            print("snaprill --find %-28s %6d paths  median %6.1f ms" % (
                " ".join(args), lines, statistics.median(times)))
        print(whole.load_line())


if __name__ == "__main__":
    main()
