#!/usr/bin/python3
"""The two readers of src/layers.txt against small trees of their own.

Catches a reader that lets every include or link through (a layers file read as
empty or in the wrong order, a link property the build's check never sees), which
the real tree, whose includes and links all point down, cannot show.

usage: test_layer_rules.py   (SNAPRILL_CMAKE: the cmake to run, else the one on PATH)"""
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.normpath(os.path.join(HERE, "..", ".."))
LAYERS = "# lowest first\noptions  # the option table\ncapture gallery\n"

# A file of a tiny tree, and what the include check says of it (None: nothing).
INCLUDES = [
    ("capture/a.cpp", '#include "options/b.h"\n', None),
    ("options/a.cpp", '#include "capture/b.h"\n', "options includes capture, a layer above it"),
    ("capture/a.cpp", '#include "gallery/b.h"\n', "capture includes gallery, a layer beside it"),
    ("other/a.cpp", "", "the folder other has no layer"),
    ("options/a.cpp", "#include <QWidget>\n", "desktop header outside the desktop folders"),
]

# A library that links another, and what stops the configuration (None: nothing).
LINKS = [
    ("capture", "options", None),
    ("options", "capture", "snaprill_options (src/options) links snaprill_capture"),
    ("capture", "gallery", "snaprill_capture (src/capture) links snaprill_gallery"),
]

PROJECT = """cmake_minimum_required(VERSION 3.25)
project(layer_links LANGUAGES CXX)
include(%s/cmake/Warnings.cmake)
foreach(folder options capture gallery)
  snaprill_layer(snaprill_${folder} ${CMAKE_CURRENT_SOURCE_DIR}/src/${folder})
endforeach()
target_link_libraries(snaprill_%s PUBLIC snaprill_%s)
snaprill_check_layer_links(${CMAKE_CURRENT_SOURCE_DIR}/src/layers.txt)
"""


def tree(root, files):
    os.makedirs(os.path.join(root, "src"))
    with open(os.path.join(root, "src", "layers.txt"), "w", encoding="utf-8") as f:
        f.write(LAYERS)
    for name, text in files:
        path = os.path.join(root, "src", name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)


def verdict(run, expected):
    """A fault's description, or None when run answered as expected."""
    said = run.stdout + run.stderr
    if expected is None:
        return None if run.returncode == 0 else "refused: " + said
    if run.returncode == 0:
        return "let through, where it should say: " + expected
    return None if expected in " ".join(said.split()) else "said instead: " + said


def main():
    faults = []
    for name, text, expected in INCLUDES:
        with tempfile.TemporaryDirectory() as root:
            tree(root, [(name, text)])
            run = subprocess.run([sys.executable, os.path.join(HERE, "check_layers.py"),
                                  os.path.join(root, "src")], capture_output=True, text=True)
            fault = verdict(run, expected)
            if fault:
                faults.append("include %s %r: %s" % (name, text, fault))
    for user, used, expected in LINKS:
        with tempfile.TemporaryDirectory() as root:
            tree(root, [(f + "/a.cpp", "") for f in ("options", "capture", "gallery")])
            with open(os.path.join(root, "CMakeLists.txt"), "w", encoding="utf-8") as f:
                f.write(PROJECT % (REPO, user, used))
            run = subprocess.run([os.environ.get("SNAPRILL_CMAKE", "cmake"), "-G", "Ninja",
                                  "-S", root, "-B", os.path.join(root, "build")],
                                 capture_output=True, text=True)
            fault = verdict(run, expected)
            if fault:
                faults.append("link %s -> %s: %s" % (user, used, fault))
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
