"""A throw-away X session for desktop tests and benchmarks: Xvfb on a display it
picks itself, snaprill started in a temporary home, xclip to offer clipboard data;
where a test needs them, a window manager (openbox) and a tray host (trayer)."""
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time


FAILURES = []


def check(condition, message):
    """Records a failed check and goes on, so that one run reports every failure."""
    if not condition:
        FAILURES.append(message)
        print("FAIL:", message)
    return condition


def outcome(passed_text):
    """The exit status of a check script, after printing its verdict."""
    print("FAILED: %d check(s)" % len(FAILURES) if FAILURES else passed_text)
    return 1 if FAILURES else 0


def outputs(session):
    """The numbered pictures written so far, sorted by name."""
    return sorted(n for n in os.listdir(session.home) if n.startswith("snp"))


def settings(session):
    """The main settings file's values as "Section/Key": value."""
    values, section = {}, ""
    path = os.path.join(session.home, "snaprill.ini")
    if not os.path.exists(path):
        return values
    with open(path, errors="replace") as ini:
        for line in ini:
            line = line.strip()
            if line.startswith("["):
                section = line.strip("[]")
            elif "=" in line:
                key, _, value = line.partition("=")
                values[section + "/" + key] = value
    return values


def python_dbus_missing():
    """Why the stand-in portal (fake_portal.py) cannot run here, or None."""
    try:
        import dbus  # noqa: F401
        import gi  # noqa: F401
    except ImportError:
        return "SKIP: python3-dbus and python3-gi are needed (./dev test installs them)"
    return None


def wait_for(predicate, timeout, step=0.005):
    """Polls predicate until it returns something true; returns that, or None."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            return None
        time.sleep(step)


class DesktopSession:
    def __init__(self, app, screen="1280x1024x24"):
        self.app = app
        self.screen = screen
        self.home = tempfile.mkdtemp(prefix="snaprill-desktop-")
        self.xvfb = None
        self.program = None
        self.helpers = []
        self.env = None

    # --- X server ---
    def __enter__(self):
        try:
            self._start_xvfb()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()

    def _start_xvfb(self):
        # -displayfd: the server picks a free display and tells us its number, so
        # parallel runs never race for one.
        # -noreset: an X server resets when its last client leaves, and a client that
        # connects during the reset is turned away. With xdotool coming and going
        # while the program starts, that made "could not connect to display" in
        # about one start of fifteen.
        read_end, write_end = os.pipe()
        self.xvfb_log = os.path.join(self.home, "xvfb.log")
        with open(self.xvfb_log, "ab") as log:
            self.xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen,
                 "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdout=log, stderr=log)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    break
                number += chunk
        if not number.strip():
            raise RuntimeError("Xvfb did not start")
        runtime = os.path.join(self.home, "runtime")
        os.mkdir(runtime, 0o700)
        self.env = dict(os.environ, DISPLAY=":" + number.decode().strip(),
                        SNAPRILL_HOME=self.home, QT_QPA_PLATFORM="xcb",
                        XDG_RUNTIME_DIR=runtime)
        self.env.pop("WAYLAND_DISPLAY", None)
        # Without a session bus Qt's tray icon is the classic X11 one that trayer hosts,
        # not a status-notifier item that nothing here would show.
        self.env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        # Under LeakSanitizer, leaks inside system libraries would fail the exit check.
        suppressions = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lsan.supp")
        self.env["LSAN_OPTIONS"] = ":".join(
            filter(None, [os.environ.get("LSAN_OPTIONS"), "suppressions=" + suppressions]))

    # --- desktop ---
    def start_window_manager(self):
        """openbox, ready once it has announced itself on the root window."""
        self._helper(["openbox", "--sm-disable"])
        if not wait_for(lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False).stdout, 10, 0.05):
            raise RuntimeError("openbox did not start")

    def start_tray(self):
        """trayer, a system tray host at the top right of the screen."""
        self._helper(["trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                      "--height", "24", "--SetDockType", "true", "--transparent", "false"])
        if not wait_for(lambda: self.run(["xdotool", "search", "--name", "^panel$"],
                                         check=False).stdout.strip(), 10, 0.05):
            raise RuntimeError("trayer did not start")

    def _helper(self, command):
        process = subprocess.Popen(command, env=self.env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.helpers.append(process)
        return process

    # --- the program ---
    def start_program(self, *args, window=True):
        """Starts snaprill; with window, waits until its main window shows."""
        self.program = subprocess.Popen([self.app, *args], env=self.env,
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if window and not wait_for(lambda: self.window_id(), 10, 0.02):
            raise RuntimeError("snaprill showed no window: " + self.program_output() +
                               "\nXvfb: " + self.xvfb_log_text())
        return self.program

    def geometry(self, wid):
        """(x, y, width, height, viewable) of a window, or None when it is gone."""
        result = self.run(["xwininfo", "-id", wid], check=False)
        if result.returncode != 0:
            return None
        fields = {}
        for line in result.stdout.splitlines():
            key, _, value = line.strip().partition(":")
            fields[key] = value.strip()
        return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
                int(fields["Width"]), int(fields["Height"]),
                fields.get("Map State") == "IsViewable")

    def _named_windows(self):
        # The whole tree: xdotool's search does not reach a tray icon embedded in
        # its host.
        tree = self.run(["xwininfo", "-root", "-tree"], check=False).stdout
        return re.findall(r'^\s*(0x[0-9a-f]+) "Snaprill', tree, re.MULTILINE)

    def xvfb_log_text(self):
        try:
            with open(self.xvfb_log, errors="replace") as log:
                return log.read()[-2000:]
        except OSError:
            return ""

    def window_id(self):
        """The main window, shown or not: the largest of the windows named Snaprill
        (Qt names a few helper windows and the tray icon after the program too)."""
        sized = [(g[2] * g[3], wid) for wid in self._named_windows()
                 for g in [self.geometry(wid)] if g]
        sized = [entry for entry in sized if entry[0] > 100 * 100]
        return max(sized)[1] if sized else None

    def link_points(self, wid):
        """The middle of each link (text in the link colour) in the lower three
        quarters of a window, from left to right."""
        from PIL import Image
        raw = os.path.join(self.home, "links.png")
        self.run(["import", "-window", wid, raw])
        with Image.open(raw) as picture:
            rgb = picture.convert("RGB")
        os.unlink(raw)
        width, height = rgb.size
        pixels = rgb.load()
        points = [(x, y) for y in range(height // 4, height) for x in range(width)
                  if pixels[x, y][2] > 200 and pixels[x, y][0] < 80 and pixels[x, y][1] < 80]
        columns = sorted({x for x, _ in points})
        links, start = [], None
        for i, x in enumerate(columns):
            start = x if start is None else start
            if i + 1 == len(columns) or columns[i + 1] - x > 30:
                ys = [y for px, y in points if start <= px <= x]
                links.append(((start + x) // 2, (min(ys) + max(ys)) // 2))
                start = None
        return links

    def window_shown(self):
        wid = self.window_id()
        geometry = self.geometry(wid) if wid else None
        return bool(geometry and geometry[4])

    def tray_icon_id(self):
        """The program's icon in the tray host, once it is shown there."""
        for wid in self._named_windows():
            g = self.geometry(wid)
            if g and g[4] and 8 <= g[2] <= 64 and 8 <= g[3] <= 64:
                return wid
        return None

    def window_title(self):
        wid = self.window_id()
        return self.run(["xdotool", "getwindowname", wid]).stdout.strip() if wid else None

    def stop_program(self, timeout=5):
        """SIGTERM, then the exit status (None when it did not end in time)."""
        self.program.send_signal(signal.SIGTERM)
        try:
            return self.program.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def program_output(self):
        if self.program and self.program.poll() is not None and self.program.stdout:
            return self.program.stdout.read().decode(errors="replace")
        return ""

    # --- clipboard ---
    def offer(self, path=None, mime=None, text=None):
        """Offers a file or a text on CLIPBOARD; xclip serves it until it loses the
        selection. Returns the xclip process."""
        command = ["xclip", "-quiet", "-selection", "clipboard", "-i"]
        if mime:
            command += ["-t", mime]
        if path:
            command.append(path)
        process = subprocess.Popen(command, env=self.env, stdin=subprocess.PIPE,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if text is not None:
            process.stdin.write(text.encode())
        process.stdin.close()
        self.helpers.append(process)
        return process

    def targets(self):
        result = self.run(["xclip", "-selection", "clipboard", "-o", "-t", "TARGETS"],
                          check=False)
        return result.stdout.split() if result.returncode == 0 else []

    def clipboard_text(self):
        result = self.run(["xclip", "-selection", "clipboard", "-o"], check=False)
        return result.stdout if result.returncode == 0 else None

    def run(self, command, check=True):
        return subprocess.run(command, env=self.env, capture_output=True, text=True,
                              timeout=10, check=check)

    # --- cleanup, always ---
    def close(self):
        for process in [self.program, *self.helpers, self.xvfb]:
            if process and process.poll() is None:
                process.kill()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    pass
        shutil.rmtree(self.home, ignore_errors=True)
