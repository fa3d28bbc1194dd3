"""snaprill-batch --gallery: the page of the settings file's gallery settings, read
by Python's own HTML parser. Every link and src resolves to its file (also for a
name full of characters that mean something in HTML and URLs), alt gives the name
back, the lines end in CR LF, OUT follows the ".html" rule, and the exit status is
0, 1 (OUT cannot be written, nothing left) or 2 (usage)."""
import html.parser
import os
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

BATCH = os.environ["SNAPRILL_BATCH"]
FAILURES = []


def check(condition, message):
    if not condition:
        FAILURES.append(message)
        print("FAIL:", message)


class Page(html.parser.HTMLParser):
    """The rows of the table, each a list of cells (align, href, img attributes)."""

    def __init__(self):
        super().__init__()
        self.rows, self.title, self._in_title = [], "", False
        self.charset = None

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "tr":
            self.rows.append([])
        elif tag == "td":
            self.rows[-1].append({"align": a.get("align")})
        elif tag == "a" and self.rows:
            self.rows[-1][-1]["href"] = a["href"]
        elif tag == "img":
            self.rows[-1][-1]["img"] = attrs
        elif tag == "title":
            self._in_title = True
        elif tag == "meta":
            self.charset = a.get("content")

    def handle_endtag(self, tag):
        if tag == "title":
            self._in_title = False

    def handle_data(self, data):
        if self._in_title:
            self.title += data


def run(home, *args):
    env = dict(os.environ, SNAPRILL_HOME=home, XDG_CONFIG_HOME=home)
    return subprocess.run([BATCH, *args], env=env, capture_output=True, timeout=60)


def main():
    home = tempfile.mkdtemp(prefix="snaprill-gallery-")
    try:
        settings = os.path.join(home, "gallery.snp")
        with open(settings, "w") as f:
            f.write("[Automation]\nTableAlign=1\nTableCols=2\nImageWidth=120\n"
                    "ImageHeight=-1\nHyperlinks=1\n")
        folder = os.path.join(home, "shots.d")
        os.mkdir(folder)
        names = ["snp1.png", 'a"b<c>&d #1%.png', "päike?.jpg", "javascript:x.png", "e.gif"]
        for name in names:
            open(os.path.join(folder, name), "wb").close()
        out = os.path.join(folder, "page")
        result = run(home, "--gallery", out, "--settings", settings, "--",
                     *[os.path.join(folder, n) for n in names])
        check(result.returncode == 0, "exit %d: %s" % (result.returncode, result.stderr))
        check(result.stdout.decode() == out + ".html\n", "printed %r" % result.stdout)
        with open(out + ".html", "rb") as f:
            raw = f.read()
        check(raw.count(b"\n") == raw.count(b"\r\n") and raw.endswith(b"</html>\r\n"),
              "lines do not all end in CR LF")
        page = Page()
        page.feed(raw.decode("utf-8"))
        check(page.charset == "text/html; charset=utf-8", "charset %r" % page.charset)
        check(page.title == "Gallery", "title %r" % page.title)
        check([len(r) for r in page.rows] == [2, 2, 1], "rows %r" % [len(r) for r in page.rows])
        cells = [c for r in page.rows for c in r]
        for name, cell in zip(names, cells):
            attrs = cell["img"]
            check([k for k, _ in attrs] == ["src", "border", "width", "alt"],
                  "%s: attributes %r" % (name, attrs))
            a = dict(attrs)
            check(cell["align"] == "center", "%s: align %r" % (name, cell["align"]))
            check(a["alt"] == name, "%s: alt gives %r" % (name, a["alt"]))
            check(a["width"] == "120", "%s: width %r" % (name, a["width"]))
            for what, link in (("src", a["src"]), ("href", cell.get("href"))):
                parts = urllib.parse.urlsplit(link or "")
                resolved = os.path.join(folder, urllib.parse.unquote(parts.path))
                check(not parts.scheme and not parts.query and not parts.fragment and
                      os.path.isfile(resolved) and os.path.basename(resolved) == name,
                      "%s: %s %r does not lead to the file" % (name, what, link))

        # A dot only in a folder: ".html" appended; a dot in the name: kept.
        result = run(home, "--gallery", os.path.join(folder, "page.htm"), "x.png")
        check(result.returncode == 0 and os.path.isfile(os.path.join(folder, "page.htm")),
              "a name with a dot was not used as given")

        # Cannot be written: status 1 and nothing left behind.
        blocked = os.path.join(home, "afile")
        open(blocked, "w").close()
        before = sorted(os.listdir(home))
        result = run(home, "--gallery", os.path.join(blocked, "page.html"), "x.png")
        check(result.returncode == 1, "unwritable page: exit %d" % result.returncode)
        check(b"Cannot create file" in result.stderr, "stderr %r" % result.stderr)
        check(sorted(os.listdir(home)) == before, "an unwritable page left files")

        for args in (["--gallery", "x.html"], ["--gallery"],
                     ["--gallery", "x.html", "--output-dir", home, "a.png"]):
            check(run(home, *args).returncode == 2, "usage %r not refused" % args)
    finally:
        shutil.rmtree(home, ignore_errors=True)
    print("FAILED: %d check(s)" % len(FAILURES) if FAILURES else "gallery pages checked")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
