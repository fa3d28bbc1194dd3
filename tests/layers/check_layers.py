#!/usr/bin/python3
"""Which way the folders of src/ may include each other.

Every folder belongs to a layer; a file may include headers of its own folder and of
lower layers only. The check fails, naming file and line, when a folder includes one
of a higher layer or of the same layer (two such folders could come to include each
other), when the folders within a layer (the codecs under formats/) include each
other in a circle, or when Qt, Xlib or Wayland headers are included outside the
folders that speak to the desktop.

The layers and their order are those of SRC/layers.txt, which the build reads too.

usage: check_layers.py [SRC]   (default: the src/ folder beside tests/)"""
import os
import re
import sys


def read_layers(path):
    """The layers of src/layers.txt, lowest first, each a list of folder names."""
    layers = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            folders = line.split("#", 1)[0].split()
            if folders:
                layers.append(folders)
    return layers


DESKTOP_HEADERS = re.compile(r'#\s*include\s*<(Q[A-Za-z]*|X11/|wayland-|xcb/)')
# backends/wayland speaks to the compositor through libwayland.
DESKTOP_FOLDERS = ("backends/qt", "backends/x11", "backends/wayland", "backends/portal",
                   "text_module", "ui", "app")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def layer_of(layers, folder):
    """(rank, folder name as the layers give it) of a folder below src/."""
    best = None
    for rank, names in enumerate(layers):
        for name in names:
            if folder == name or folder.startswith(name + "/"):
                if best is None or len(name) > len(best[1]):
                    best = (rank, name)
    return best


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "src")
    src = os.path.normpath(src)
    layers_file = os.path.join(src, "layers.txt")
    layers = read_layers(layers_file)
    faults = []
    edges = {}  # folder -> folders it includes (folders of one layer only)
    for root, _, files in os.walk(src):
        folder = os.path.relpath(root, src)
        if folder == ".":
            continue
        mine = layer_of(layers, folder)
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, name)
            shown = os.path.relpath(path, os.path.dirname(src))
            if mine is None:
                faults.append("%s: the folder %s has no layer in %s" % (shown, folder, layers_file))
                break
            with open(path, encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    if DESKTOP_HEADERS.match(line) and not mine[1].startswith(DESKTOP_FOLDERS):
                        faults.append("%s:%d: desktop header outside the desktop folders: %s"
                                      % (shown, number, line.strip()))
                    m = INCLUDE.match(line)
                    if not m or "/" not in m.group(1):
                        continue
                    target = os.path.dirname(m.group(1))
                    theirs = layer_of(layers, target)
                    if theirs is None or target == folder:
                        continue
                    if theirs[1] == mine[1]:
                        edges.setdefault(folder, set()).add(target)
                        continue
                    if theirs[0] >= mine[0]:
                        faults.append("%s:%d: %s includes %s, a layer %s it"
                                      % (shown, number, mine[1], theirs[1],
                                         "beside" if theirs[0] == mine[0] else "above"))
    faults += circles(edges)
    for fault in faults:
        print(fault)
    if faults:
        print("%d include(s) against the layers" % len(faults))
        return 1
    return 0


def circles(edges):
    """Faults for folders of one layer that include each other in a circle."""
    found, state = [], {}

    def visit(folder, trail):
        state[folder] = "open"
        for target in sorted(edges.get(folder, ())):
            if state.get(target) == "open":
                loop = trail[trail.index(target):] + [target]
                found.append("folders include each other: " + " -> ".join(loop))
            elif target not in state:
                visit(target, trail + [target])
        state[folder] = "done"

    for folder in sorted(edges):
        if folder not in state:
            visit(folder, [folder])
    return found


if __name__ == "__main__":
    sys.exit(main())
