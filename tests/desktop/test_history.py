#!/usr/bin/python3
"""The capture history in the running program, under Xvfb with openbox: a picture
copied while a window has the focus is recorded with that window and found by its
words with snaprill --find, read by a reader process that ends once idle, without
Tesseract in the program; a picture marked secret is neither saved nor recorded;
a "never read" application's capture is recorded without its words; the History
window's copy is not captured again; a file deleted outside drops out of the
results; an index deleted or damaged is rebuilt from the output folder."""
import os
import sqlite3
import subprocess
import sys
import time

from PIL import Image, ImageDraw, ImageFont

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_session import DesktopSession, check, outcome, outputs, wait_for  # noqa: E402

APP = os.environ["SNAPRILL_APP"]
OWNER = os.environ["SNAPRILL_CLIPBOARD_OWNER"]
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
# The reader runs at idle priority: on a machine busy with other work it waits.
READ_TIME = 240


def words_picture(path, words):
    picture = Image.new("RGB", (900, 160), (255, 255, 255))
    ImageDraw.Draw(picture).text((30, 50), words, font=ImageFont.truetype(FONT, 32),
                                 fill=(0, 0, 0))
    picture.save(path)
    return path


def find(session, *args):
    result = subprocess.run([APP, "--find", *args], env=session.env, capture_output=True,
                            text=True, timeout=30)
    return result.returncode, result.stdout.splitlines()


def rows(session):
    path = os.path.join(session.home, "history.sqlite")
    if not os.path.exists(path):
        return {}
    try:
        with sqlite3.connect(path) as db:
            return {os.path.basename(r[0]): r[1:] for r in db.execute(
                "SELECT path, origin, application, title, text_state FROM captures")}
    except sqlite3.DatabaseError:
        # The damaged index the test wrote, not yet set aside by the program.
        return {}


def focus_window(session, title):
    """An xmessage window named so, given the focus by openbox."""
    session._helper(["xmessage", "-title", title, "-name", "invoices", "here"])
    wid = wait_for(lambda: session.run(["xdotool", "search", "--name", "^%s$" % title],
                                       check=False).stdout.split(), 10, 0.05)
    session.run(["xdotool", "windowactivate", "--sync", wid[0]], check=False)


def children(pid):
    names = []
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/children" % (pid, task)) as f:
            names += f.read().split()
    return names


def capture(session, picture, name):
    session.offer(picture, "image/png")
    return check(wait_for(lambda: name in outputs(session), 15), "%s not saved" % name)


def found_when_read(session, word, path):
    return wait_for(lambda: find(session, word) == (0, [path]), READ_TIME, 0.5)


def main():
    with DesktopSession(APP) as session:
        session.start_window_manager()
        home = session.home
        pictures = os.path.join(home, "in")
        os.mkdir(pictures)
        session.start_program()
        focus_window(session, "Invoice window")
        snp1 = os.path.join(home, "snp1.jpg")
        if capture(session, words_picture(os.path.join(pictures, "a.png"),
                                          "overdue invoice payment"), "snp1.jpg"):
            check(wait_for(lambda: "snp1.jpg" in rows(session), 10), "snp1.jpg not recorded")
            check(rows(session).get("snp1.jpg", ())[:3] ==
                  ("clipboard", "Xmessage", "Invoice window"),
                  "origin or window of snp1.jpg: %s" % (rows(session).get("snp1.jpg"),))
            check(found_when_read(session, "overdue", snp1), "snp1.jpg not found by its words")
            # Read by the reader program, which ends once nothing waits: the tray
            # program never maps Tesseract, nor keeps a reader running.
            pid = session.program.pid
            with open("/proc/%d/maps" % pid) as f:
                check("libtesseract" not in f.read(), "the tray program loaded Tesseract")
            check(wait_for(lambda: not children(pid), 10), "the reader still runs when idle")
            check(find(session, "--app", "xmess", "invoice")[1] == [snp1], "--app not applied")
            check(find(session, "nowhere-word") == (1, []), "a word in no picture found")

        # A password manager's picture: never saved, never recorded.
        owner = subprocess.Popen([OWNER, "secret", words_picture(
            os.path.join(pictures, "s.png"), "secretword")], env=session.env,
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        session.helpers.append(owner)
        time.sleep(1.5)
        check(outputs(session) == ["snp1.jpg"], "a secret was saved: %s" % outputs(session))
        check(list(rows(session)) == ["snp1.jpg"], "a secret was recorded")

        # The History window's copy is not captured again.
        session.run(["xdotool", "windowactivate", "--sync", session.window_id()], check=False)
        session.run(["xdotool", "key", "ctrl+f"])
        history = wait_for(lambda: session.run(
            ["xdotool", "search", "--name", "^Capture History$"], check=False).stdout.split(), 10)
        if check(history, "ctrl+f showed no History window"):
            session.run(["xdotool", "windowactivate", "--sync", history[0]], check=False)
            session.run(["xdotool", "type", "--delay", "30", "overdue"])

            def copied():
                # Ctrl+F back to the search box, whose Return selects the first result;
                # Ctrl+C copies it.
                session.run(["xdotool", "key", "--delay", "100", "ctrl+f", "Return", "ctrl+c"])
                time.sleep(0.3)
                return "application/x-snaprill-not-a-capture" in session.targets()

            check(wait_for(copied, 20, 0.2), "the History window copied nothing")
            time.sleep(2)
            check(outputs(session) == ["snp1.jpg"], "the History window's copy was captured")
            session.run(["xdotool", "key", "Escape"])

        # A "never read" application's capture: recorded, its words not read.
        check(session.stop_program() == 0, "snaprill did not end cleanly")
        with open(os.path.join(home, "snaprill.ini")) as f:
            text = f.read()
        check("History=1" in text, "history settings not saved")
        with open(os.path.join(home, "snaprill.ini"), "w") as f:
            f.write(text.replace("HistoryNeverRead=", "HistoryNeverRead=Gimp; xmessage"))
        session.start_program()
        focus_window(session, "Vault")
        if capture(session, words_picture(os.path.join(pictures, "c.png"), "confidential"),
                   "snp2.jpg"):
            check(wait_for(lambda: rows(session).get("snp2.jpg", ())[1:] ==
                           ("Xmessage", "Vault", 2), 10),
                  "never-read capture: %s" % (rows(session).get("snp2.jpg"),))
            check(find(session, "confidential")[0] == 1, "a never-read capture's words found")

        # A file deleted outside leaves the results at once.
        os.unlink(snp1)
        check(find(session, "overdue") == (1, []), "a deleted file still found")

        # Deleted, then damaged: rebuilt from the output folder, words read again.
        session.offer(words_picture(os.path.join(pictures, "d.png"), "quarterly budget"),
                      "image/png")
        check(wait_for(lambda: "snp3.jpg" in outputs(session), 15), "snp3.jpg not saved")
        snp3 = os.path.join(home, "snp3.jpg")
        for damage in (False, True):
            check(session.stop_program() == 0, "snaprill did not end cleanly")
            index = os.path.join(home, "history.sqlite")
            if damage:
                with open(index, "wb") as f:
                    f.write(b"\x5a" * 8192)
            else:
                os.unlink(index)
            session.start_program()
            # Every picture back; their words are read again later, at idle priority
            # (on a machine busy with other work that may take long).
            check(wait_for(lambda: set(rows(session)) == {"snp2.jpg", "snp3.jpg"}, 30),
                  "not rebuilt after the index was %s: %s" % (
                      "damaged" if damage else "deleted", sorted(rows(session))))
            check(find(session, "snp3") == (0, [snp3]), "the rebuilt index not searched")
    # The first start with a history offers to index the captures of earlier runs;
    # Yes indexes them in the background.
    with DesktopSession(APP) as session:
        session.start_window_manager()
        words_picture(os.path.join(session.home, "snp7.png"), "earlier capture")
        session.start_program()

        def boxes():
            # Shown windows named Snaprill other than the main one. Qt names hidden
            # helper windows after the program too: a search for any second window
            # found one of those before the box was up (in a slow build), and Return
            # went to it.
            shown = session.run(["xdotool", "search", "--onlyvisible", "--name", "^Snaprill$"],
                                check=False).stdout.split()
            main_window = int(session.window_id() or "0", 16)
            return [w for w in shown if int(w) != main_window]

        if check(wait_for(boxes, 10), "no offer to index the earlier captures"):
            def answered_yes():
                # A box mapped but not yet taking keys misses the first Return: pressed
                # again while the box is still there.
                for box in boxes():
                    # No --sync: the box may go between the search and the activation.
                    session.run(["xdotool", "windowactivate", box], check=False)
                    time.sleep(0.3)
                    session.run(["xdotool", "key", "--window", box, "Return"], check=False)
                return "snp7.png" in rows(session)

            check(wait_for(answered_yes, 60, 1.0), "Yes did not index the earlier captures")
    return outcome("capture history: recorded, found, private, rebuilt, offered")


if __name__ == "__main__":
    sys.exit(main())
