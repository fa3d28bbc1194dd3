#!/usr/bin/python3
"""The installed programs, unpacked under ROOT (usr/bin, usr/share), as a user without
SNAPRILL_HOME meets them: snaprill-batch saves a picture; snaprill under Xvfb keeps its
settings in $XDG_CONFIG_HOME/snaprill/, saves into the XDG pictures folder, finds the
installed language file and the manual it names (F1 opens it), has the words of its
capture read by the installed text reader, and its autostart entry starts the
installed program.

usage: test_installed.py ROOT"""
import glob
import os
import sqlite3
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "desktop"))
from desktop_session import DesktopSession, check, outcome, wait_for  # noqa: E402

from PIL import Image  # noqa: E402


def user_env(base, home):
    env = dict(base)
    env.pop("SNAPRILL_HOME", None)
    env["HOME"] = home
    env["XDG_CONFIG_HOME"] = os.path.join(home, ".config")
    return env


def text_states(home):
    index = os.path.join(home, ".local", "share", "snaprill", "history.sqlite")
    if not os.path.exists(index):
        return []
    with sqlite3.connect(index) as db:
        return [row[0] for row in db.execute("SELECT text_state FROM captures")]


def batch_checks(root, picture):
    with tempfile.TemporaryDirectory() as home:
        env = user_env(os.environ, home)
        out = os.path.join(home, "out")

        def batch(settings_text=None):
            """The installed batch program on picture, with a settings file of that text."""
            extra = []
            if settings_text is not None:
                extra = ["--settings", os.path.join(home, "settings.ini")]
                with open(extra[1], "w") as ini:
                    ini.write(settings_text)
            return subprocess.run([os.path.join(root, "usr/bin/snaprill-batch"), "--no-launch",
                                   *extra, "--output-dir", out, "--", picture],
                                  env=env, capture_output=True, text=True, timeout=60)

        run = batch()
        check(run.returncode == 0, "installed batch: exit %d, %s" % (run.returncode, run.stderr))
        check(run.stdout.strip() == os.path.join(out, "snp1.jpg"),
              "installed batch wrote %r" % run.stdout)
        check(not os.path.exists(os.path.join(root, "usr/bin/snaprill.ini")),
              "the batch program wrote settings beside the installed executable")
        # Capture text comes from the text module in the installed library folder.
        run = batch("[Images]\nAddText=1\nText=installed\n")
        check(run.returncode == 0 and "text" not in run.stderr,
              "installed batch with capture text: exit %d, %s" % (run.returncode, run.stderr))
        # AVIF through the codec module in the installed module folder.
        if glob.glob(os.path.join(root, "usr/lib/**/snaprill/modules/snaprill-codecs.so"),
                     recursive=True):
            run = batch("[Snaprill]\nImageType=10\n")
            check(run.returncode == 0 and run.stdout.strip().endswith(".avif"),
                  "installed batch writing AVIF: exit %d, %s" % (run.returncode, run.stderr))


def program_checks(root, picture):
    app = os.path.join(root, "usr/bin/snaprill")
    with DesktopSession(app) as session:
        home = os.path.join(session.home, "user")
        os.makedirs(home)
        session.env = user_env(session.env, home)
        config = os.path.join(home, ".config", "snaprill")
        os.makedirs(config)
        with open(os.path.join(config, "snaprill.ini"), "w") as ini:
            ini.write("[Snaprill]\nRunAutomatically=1\n")
        bin_dir = os.path.join(session.home, "bin")
        os.makedirs(bin_dir)
        record = os.path.join(session.home, "opened.txt")
        with open(os.path.join(bin_dir, "xdg-open"), "w") as opener:
            opener.write('#!/bin/sh\nprintf "%%s\\n" "$*" >> "%s"\n' % record)
        os.chmod(os.path.join(bin_dir, "xdg-open"), 0o755)
        session.env["PATH"] = bin_dir + os.pathsep + session.env["PATH"]
        session.start_window_manager()
        session.start_program()
        session.offer(picture, "image/png")
        saved = os.path.join(home, "Pictures", "snp1.jpg")
        check(wait_for(lambda: os.path.exists(saved), 10, 0.05),
              "no capture in the pictures folder: %r" % os.listdir(home))
        # The words are read by the reader program in the package's libexec folder
        # (at idle priority: on a busy machine that may take a while).
        check(wait_for(lambda: text_states(home) == [1], 120, 0.2),
              "the capture's words not read by the installed reader: %r" % text_states(home))
        # The shipped language file names the manual, installed beside it: F1 hands
        # it to the desktop's opener (here a recording stand-in).
        manual = "file://" + os.path.join(root, "usr/share/snaprill/snaprill-manual.html")
        wid = session.window_id()
        session.run(["xdotool", "windowactivate", "--sync", wid])
        session.run(["xdotool", "key", "F1"])
        opened = wait_for(lambda: os.path.exists(record) and open(record).read(), 5, 0.05)
        check(opened and opened.startswith(manual + "#topic-"),
              "F1 on the installed program opened %r, not %s" % (opened, manual))
        status = session.stop_program()
        check(status == 0, "exit status %r" % status)
        with open(os.path.join(config, "snaprill.ini"), errors="replace") as ini:
            settings = ini.read()
        check("[General]" in settings, "settings not saved in %s" % config)
        check(not os.path.exists(os.path.join(root, "usr/bin/snaprill.ini")),
              "settings written beside the installed executable")
        entry = os.path.join(home, ".config", "autostart", "snaprill.desktop")
        text = open(entry).read() if os.path.exists(entry) else ""
        check("Exec=" + app in text, "autostart entry: %r" % text)


def main():
    root = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as work:
        picture = os.path.join(work, "shot.png")
        Image.new("RGB", (64, 48), (30, 120, 200)).save(picture)
        batch_checks(root, picture)
        program_checks(root, picture)
    return outcome("the installed programs work from their installed places")


if __name__ == "__main__":
    sys.exit(main())
