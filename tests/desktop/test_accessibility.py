#!/usr/bin/python3
"""What a screen reader hears, over AT-SPI: every page of the main window, the type
picker, the directory chooser and the area window are walked; every operable
control must have a name, no two in one window may share one, no plain label may
take the focus, links must have a press action, and the Advanced Options link must
say whether the pages are expanded. Then two keyboard-only walks: the quality bar
(Tab to it, arrows and Page Up/Down) and the area window (arrows, Shift+arrows,
Return, Escape).

The script runs itself under its own session bus, with the accessibility bus that
Qt looks for there. SNAPRILL_A11Y_REPORT=1 prints every control and its name."""
import os
import signal
import subprocess
import sys
import time

from PIL import Image

if "SNAPRILL_A11Y_SESSION" not in os.environ:
    os.environ["SNAPRILL_A11Y_SESSION"] = "1"
    os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable, *sys.argv])

import pyatspi  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from desktop_session import DesktopSession, check, outcome, wait_for  # noqa: E402

OPERABLE = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_SCROLL_BAR,
    pyatspi.ROLE_SLIDER, pyatspi.ROLE_LINK, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_LIST, pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE,
    pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_PAGE_TAB,
}
# Their parts (a list's items, a tree's cells, a spin box's field) are theirs.
CONTAINERS = {pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_TREE,
              pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_TABLE, pyatspi.ROLE_LIST}
PAGE_COUNT = 7


def states(node):
    return node.getState()


def operable(node):
    """A control a user can act on: one of the operable roles, or anything that takes
    the focus. Read-only texts that never take the focus are not controls."""
    state = states(node)
    role = node.getRole()
    # The tab bar hands the focus to its tabs, which are the controls.
    if role == pyatspi.ROLE_PAGE_TAB_LIST:
        return False
    if role == pyatspi.ROLE_TEXT and not state.contains(pyatspi.STATE_FOCUSABLE):
        return False
    if role == pyatspi.ROLE_SCROLL_BAR and not state.contains(pyatspi.STATE_ENABLED):
        return False
    return role in OPERABLE or state.contains(pyatspi.STATE_FOCUSABLE)


def walk(node, found, showing_only=True):
    """Every showing control below node; the items of lists and combo boxes are
    their parents' business."""
    for child in node:
        if child is None:
            continue
        state = states(child)
        if showing_only and not state.contains(pyatspi.STATE_SHOWING):
            continue
        if operable(child) or child.getRole() == pyatspi.ROLE_LABEL:
            found.append(child)
        if child.getRole() not in CONTAINERS:
            walk(child, found, showing_only)
    return found


def key_of(node):
    extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (node.getRole(), extents.x, extents.y, extents.width, extents.height)


class Tally:
    """Controls of one window, gathered over several views of it."""

    def __init__(self, window_name):
        self.window_name = window_name
        self.controls = {}
        self.labels = {}

    def add(self, nodes):
        for node in nodes:
            # A label that takes the focus is both: a control, and a fault.
            if operable(node):
                self.controls.setdefault(key_of(node), node)
            if node.getRole() == pyatspi.ROLE_LABEL:
                self.labels.setdefault(key_of(node), node)

    def counts(self):
        names = [n.name.strip() for n in self.controls.values()]
        named = [n for n in names if n]
        shared = {n for n in named if named.count(n) > 1}
        return {"controls": len(names), "named": len(named), "unnamed": len(names) - len(named),
                "shared": sum(1 for n in named if n in shared)}

    def judge(self):
        c = self.counts()
        print("%s: %d controls, %d named, %d unnamed, %d sharing a name" %
              (self.window_name, c["controls"], c["named"], c["unnamed"], c["shared"]))
        names = [n.name.strip() for n in self.controls.values()]
        for node in self.controls.values():
            name = node.name.strip()
            if os.environ.get("SNAPRILL_A11Y_REPORT"):
                print("  %-14s %r %r" % (node.getRoleName(), name, key_of(node)[1:]))
            check(name, "%s: a %s without a name" % (self.window_name, node.getRoleName()))
            check(not name or names.count(name) == 1,
                  "%s: %d controls named %r" % (self.window_name, names.count(name), name))
            if node.getRole() in (pyatspi.ROLE_LINK, pyatspi.ROLE_PUSH_BUTTON):
                actions = node.queryAction()
                check(actions.nActions > 0, "%s: %r cannot be pressed" % (self.window_name, name))
        for node in self.labels.values():
            check(not states(node).contains(pyatspi.STATE_FOCUSABLE),
                  "%s: the plain label %r takes the focus" % (self.window_name, node.name))
        return c


# --- finding things ---
def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.name == "Snaprill":
            return app
    return None


def windows(app):
    return [w for w in app if w is not None and states(w).contains(pyatspi.STATE_SHOWING)]


def find(root, predicate):
    for child in root:
        if child is None:
            continue
        if predicate(child):
            return child
        found = find(child, predicate)
        if found:
            return found
    return None


def named(root, name, roles=None):
    return find(root, lambda n: n.name == name and (roles is None or n.getRole() in roles))


def new_window(app, known):
    fresh = [w for w in windows(app) if w.name not in known]
    return fresh[0] if fresh else None


def press(node):
    """The node's first action (a click, a press) over AT-SPI."""
    node.queryAction().doAction(0)


def click(session, node):
    extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    session.run(["xdotool", "mousemove", str(extents.x + extents.width // 2),
                 str(extents.y + extents.height // 2), "click", "1"])


def keys(session, *names):
    session.run(["xdotool", "key", "--delay", "80", *names])


def value_of(node):
    return node.queryValue().currentValue


# --- the walks ---
def expanded(node):
    return states(node).contains(pyatspi.STATE_EXPANDED)


def walk_main_window(session, app, main):
    tally = Tally("main window")
    advanced = named(main, "Advanced Options")
    if check(advanced, "no control named \"Advanced Options\""):
        check(states(advanced).contains(pyatspi.STATE_EXPANDABLE),
              "Advanced Options does not say it can expand")
        shown = expanded(advanced)
        press(advanced)
        check(wait_for(lambda: expanded(advanced) != shown, 3, 0.1),
              "pressing Advanced Options left it %s" % ("expanded" if shown else "collapsed"))
    wid = session.window_id()
    session.run(["xdotool", "windowfocus", "--sync", wid])
    for page in range(PAGE_COUNT):
        keys(session, "alt+t", *["Down"] * page, "Return")
        time.sleep(0.4)
        tally.add(walk(main, []))
    if advanced:
        check(expanded(advanced), "Advanced Options does not say it is expanded")
    return tally.judge()


def walk_type_picker(session, app, main):
    tally = Tally("type picker")
    panel = find(main, lambda n: n.getRole() == pyatspi.ROLE_COMBO_BOX and n.name == "Image Type")
    if not check(panel, "no combo box named \"Image Type\" for the type panel"):
        return tally.judge()
    click(session, panel)
    time.sleep(0.8)
    picker = wait_for(lambda: find(app, lambda n: n.getRole() == pyatspi.ROLE_LIST and
                                   states(n).contains(pyatspi.STATE_SHOWING)), 3, 0.1)
    if check(picker, "the open type picker shows no list"):
        items = [n for n in picker if n is not None]
        check(len(items) >= 9, "the type picker lists %d types" % len(items))
        check(any(states(n).contains(pyatspi.STATE_SELECTED) for n in items),
              "the type picker does not say which type is chosen")
        tally.add(items)
    keys(session, "Escape")
    time.sleep(0.8)
    return tally.judge()


def walk_directory_chooser(session, app, main):
    tally = Tally("directory chooser")
    known = {w.name for w in windows(app)}
    chosen = named(main, "User specified", [pyatspi.ROLE_RADIO_BUTTON])
    if not check(chosen, "no radio button named \"User specified\""):
        return tally.judge()
    keys(session, "alt+t", "Return")
    time.sleep(0.3)
    click(session, chosen)
    chooser = wait_for(lambda: new_window(app, known), 5, 0.1)
    if not check(chooser, "the directory chooser did not open"):
        return tally.judge()
    time.sleep(0.5)
    tally.add(walk(chooser, []))
    counts = tally.judge()
    keys(session, "Escape")
    wait_for(lambda: not new_window(app, known), 5, 0.1)
    return counts


def walk_history_window(session, app, main):
    """The History window (Ctrl+F): every control named, the results a list whose
    items say date, file and words; a result chosen by keys alone."""
    tally = Tally("History window")
    known = {w.name for w in windows(app)}
    session.run(["xdotool", "windowfocus", "--sync", session.window_id()])
    keys(session, "ctrl+f")
    history = wait_for(lambda: new_window(app, known), 5, 0.1)
    if not check(history, "Ctrl+F opened no History window"):
        return tally.judge()
    time.sleep(0.5)
    keys(session, "Return")  # the first result chosen, from the search box
    time.sleep(0.5)
    tally.add(walk(history, []))
    results = find(history, lambda n: n.getRole() == pyatspi.ROLE_LIST)
    if check(results, "the History window shows no list of results"):
        items = [n for n in results if n is not None]
        check(items and "snp1.png" in items[0].name,
              "a result does not say what it is: %r" % [n.name for n in items])
        check(items and states(items[0]).contains(pyatspi.STATE_SELECTED),
              "Return in the search box chose no result")
    counts = tally.judge()
    keys(session, "Escape")
    wait_for(lambda: not new_window(app, known), 5, 0.1)
    return counts


def open_area_window(session, app, main):
    known = {w.name for w in windows(app)}
    keys(session, "alt+t", *["Down"] * 4, "Return")
    time.sleep(0.4)
    link = find(main, lambda n: n.getRole() in (pyatspi.ROLE_LINK, pyatspi.ROLE_PUSH_BUTTON,
                                                 pyatspi.ROLE_LABEL) and
                n.name.startswith("Choose Area") and states(n).contains(pyatspi.STATE_SHOWING))
    if not check(link, "no Choose Area link"):
        return None
    click(session, link)
    area = wait_for(lambda: new_window(app, known), 5, 0.1)
    time.sleep(0.8)
    return area


def walk_area_window(session, app, main):
    tally = Tally("area window")
    area = open_area_window(session, app, main)
    if not check(area, "the area window did not open"):
        return tally.judge()
    # The window is the control: its keys move and size it.
    tally.controls[key_of(area)] = area
    tally.add(walk(area, []))
    counts = tally.judge()
    keys(session, "Escape")
    time.sleep(0.5)
    return counts


def spin(main, name):
    node = named(main, name, [pyatspi.ROLE_SPIN_BUTTON])
    return int(value_of(node)) if node else None


def keyboard_quality_bar(session, main):
    bar = find(main, lambda n: n.getRole() == pyatspi.ROLE_SCROLL_BAR and
               states(n).contains(pyatspi.STATE_SHOWING) and n.name.lower().endswith("quality"))
    if not check(bar, "no quality bar named \"... quality\""):
        return
    keys(session, "alt+t", "Return")
    time.sleep(0.3)
    for _ in range(80):
        if states(bar).contains(pyatspi.STATE_FOCUSED):
            break
        keys(session, "Tab")
    if not check(states(bar).contains(pyatspi.STATE_FOCUSED), "Tab never reaches the quality bar"):
        return
    start = value_of(bar)
    keys(session, "Left")
    time.sleep(0.2)
    check(value_of(bar) == start - 1, "Left moved the quality from %s to %s" %
          (start, value_of(bar)))
    keys(session, "Page_Down")
    time.sleep(0.2)
    check(value_of(bar) < start - 1, "Page Down left the quality at %s" % value_of(bar))
    keys(session, "Page_Up", "Right")
    time.sleep(0.2)
    check(value_of(bar) == start, "Page Up and Right gave %s, not %s" % (value_of(bar), start))


CROP_FIELDS = ("Crop Left", "Crop Top", "Crop Width", "Crop Height")


def keyboard_area_window(session, app, main):
    before = [spin(main, n) for n in CROP_FIELDS]
    if not check(None not in before, "the crop fields are not all named: %r" % before):
        return
    # Escape leaves the fields as they were, whatever was moved.
    area = open_area_window(session, app, main)
    if not check(area, "the area window did not open"):
        return
    keys(session, "Right", "Right", "Escape")
    time.sleep(0.6)
    after = [spin(main, n) for n in CROP_FIELDS]
    check(after == before, "Escape changed the crop from %r to %r" % (before, after))
    # Arrows move by one pixel, Shift+arrows by ten; with Ctrl they size; Return keeps.
    area = open_area_window(session, app, main)
    if not check(area, "the area window did not open again"):
        return
    keys(session, "Right", "Right", "shift+Down", "ctrl+Right", "ctrl+shift+Down", "Return")
    time.sleep(0.6)
    after = [spin(main, n) for n in CROP_FIELDS]
    wanted = [before[0] + 2, before[1] + 10, before[2] + 1, before[3] + 10]
    check(after == wanted, "arrows and Return gave the crop %r, not %r" % (after, wanted))


def main():
    with DesktopSession(os.environ["SNAPRILL_APP"]) as session:
        with open(os.path.join(session.home, "snaprill.ini"), "w") as ini:
            ini.write("[DimAndEffects]\nCropLeft=100\nCropTop=120\nCropWidth=300\n"
                      "CropHeight=200\n")
        # One earlier capture in the history, for the History window to show.
        Image.new("RGB", (64, 48), (200, 200, 200)).save(os.path.join(session.home, "snp1.png"))
        subprocess.run([os.environ["SNAPRILL_BATCH"], "--index", session.home], env=session.env,
                       capture_output=True, timeout=120)
        # The accessibility bus lives in the session's runtime folder, not in a
        # folder under HOME that other runs would share.
        bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                               env=dict(os.environ, XDG_RUNTIME_DIR=session.env["XDG_RUNTIME_DIR"]),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               start_new_session=True)
        try:
            return walk_everything(session)
        finally:
            os.killpg(bus.pid, signal.SIGTERM)
            bus.wait(5)


def walk_everything(session):
    session.env["DBUS_SESSION_BUS_ADDRESS"] = os.environ["DBUS_SESSION_BUS_ADDRESS"]
    session.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    session.start_window_manager()
    session.start_program()
    app = wait_for(application, 10, 0.2)
    if not check(app, "snaprill does not show on the accessibility bus"):
        return outcome("")
    time.sleep(1)
    main_window = wait_for(lambda: next((w for w in windows(app)
                                         if w.name.startswith("Snaprill")), None), 5, 0.1)
    if not check(main_window, "no main window on the accessibility bus"):
        return outcome("")
    totals = {"controls": 0, "named": 0, "unnamed": 0, "shared": 0}
    # Each window is judged while it is open.
    for walk_one in (walk_main_window, walk_type_picker, walk_directory_chooser,
                     walk_area_window, walk_history_window):
        for key, count in walk_one(session, app, main_window).items():
            totals[key] += count
    print("all windows: %(controls)d controls, %(named)d named, %(unnamed)d unnamed, "
          "%(shared)d sharing a name" % totals)
    keyboard_quality_bar(session, main_window)
    keyboard_area_window(session, app, main_window)
    check(session.stop_program() == 0, "snaprill did not end cleanly")
    return outcome("accessible: every control named once, links pressable, keys work")


if __name__ == "__main__":
    sys.exit(main())
