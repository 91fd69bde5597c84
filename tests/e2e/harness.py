"""Reusable fixtures for driving the Windows program under Wine from outside:
the Wine session with its desktop, a feed server, a program run in a scratch
directory, the driver program, and screenshots of the notification area.

The build under test comes from the environment: ZARVILO_EXE (the program)
and ZARVILO_DRIVER (tests/tools/driver, built with it). A 32-bit program is
driven by the 64-bit driver ZARVILO_DRIVER64 where there is one: every command
works across bitness, and it starts many times faster where 32-bit programs
are emulated. Everything started here is stopped here; run_tests() gives the
tests an Xvfb of their own when there is no 800x600 24-bit display to use.

Where 32-bit programs run through the i386 user-mode emulator, each 32-bit
process starts seconds later and runs slower: waits for the program stretch
by SLOWDOWN, and only the tests marked @smoke run unless ZARVILO_FULL_I686_E2E
is set to 1. Two things fail there for the emulator's sake, and the tests
that need them are skipped: a link opened through the shell (the emulator
runs an older thread's signal handlers as the newest thread; see
tests/CMakeLists.txt), and reading the program's memory from outside (Wine
reads the host's addresses, the emulator keeps the program's elsewhere).
"""

import os
import re
import shutil
import socketserver
import subprocess
import sys
import tempfile
import threading
import time
import unittest
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
TOOLS = REPO / "tools"
RESOURCES = REPO / "res"
sys.path.insert(0, str(TOOLS))
import feed_server  # noqa: E402

WINE64 = "/usr/lib/wine/wine64"
WINE32 = "/usr/lib/wine/wine"
I386_EMULATOR = Path("/proc/sys/fs/binfmt_misc/qemu-i386")
# Why tests are skipped where the 32-bit program runs emulated.
SHELL_LINKS_EMULATED = "the emulator breaks the shell's threads in the 32-bit program"
MEMORY_READ_EMULATED = "the emulated program's memory cannot be read from outside"
SKIPPED = 77
DESKTOP_SIZE = (800, 600)
ICON_SIZE = 16

WM_CLOSE = 0x0010
WM_COMMAND = 0x0111
WM_POWERBROADCAST = 0x0218
PBT_APMRESUMEAUTOMATIC = 0x12
WM_LBUTTONDOWN = 0x0201
WM_LBUTTONDBLCLK = 0x0203
WM_RBUTTONDOWN = 0x0204
WM_TRAYNOTIFY = 32769
IDM_GRAPH, IDM_REFRESH, IDM_EXIT, IDM_ABOUT, IDM_SETTINGS = 32771, 32772, 32773, 32774, 32775

NO_DATA_TIP = "Нет данных".encode("cp1251")


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def wait_for(condition, timeout, interval=0.1):
    """The condition's first true answer within timeout seconds (stretched
    for an emulated program), else its last."""
    deadline = time.monotonic() + timeout * SLOWDOWN
    while True:
        answer = condition()
        if answer or time.monotonic() > deadline:
            return answer
        time.sleep(interval)


def is_pe32_plus(exe):
    data = Path(exe).read_bytes()[:1024]
    header = int.from_bytes(data[0x3C:0x40], "little")
    return int.from_bytes(data[header + 24 : header + 26], "little") == 0x20B


def win32_emulated():
    """True where the kernel hands 32-bit programs to the i386 emulator."""
    try:
        return I386_EMULATOR.read_text().splitlines()[0] == "enabled"
    except (OSError, IndexError):
        return False


def program_emulated():
    exe = os.environ.get("ZARVILO_EXE", "")
    return bool(exe) and os.path.exists(exe) and not is_pe32_plus(exe) and win32_emulated()


EMULATED = program_emulated()
# Measured: an emulated 32-bit program shows its window 3.4 s after it starts
# (a 64-bit one 0.5 s), and the waits for it stretch to match.
SLOWDOWN = 3 if EMULATED else 1


def smoke(test):
    """Marks a test as one of the few that an emulated 32-bit run keeps."""
    test.smoke = True
    return test


def not_emulated(reason):
    """Skips a test that the emulator, not the program, fails."""
    return unittest.skipIf(EMULATED, reason)


class SmokeLoader(unittest.TestLoader):
    """Loads only the tests marked @smoke."""

    def getTestCaseNames(self, case_class):
        names = super().getTestCaseNames(case_class)
        return [name for name in names if getattr(getattr(case_class, name), "smoke", False)]


def loader_for(exe):
    return WINE64 if is_pe32_plus(exe) else WINE32


def can_run_win32():
    """False where this machine's kernel cannot run 32-bit programs."""
    try:
        return subprocess.run([WINE32, "--version"], capture_output=True).returncode == 0
    except OSError:
        return False


def wine_environment():
    """The environment tools/wine-env.sh gives, with its prefix made ready."""
    with tempfile.NamedTemporaryFile() as dump:
        subprocess.run(
            ["sh", "-c", '. "$0" && zarvilo_prepare_prefix && env -0 >"$1"', str(TOOLS / "wine-env.sh"), dump.name],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True,
        )
        entries = Path(dump.name).read_bytes().split(b"\0")
    return dict(entry.decode().split("=", 1) for entry in entries if b"=" in entry)


def display_fits():
    """True when DISPLAY is a 24-bit screen of the desktop's size."""
    if not os.environ.get("DISPLAY"):
        return False
    info = subprocess.run(["xwininfo", "-root"], capture_output=True, text=True, stdin=subprocess.DEVNULL)
    values = dict(re.findall(r"^\s*(Width|Height|Depth): (\d+)", info.stdout, re.M))
    return (int(values.get("Width", 0)), int(values.get("Height", 0))) == DESKTOP_SIZE and values.get("Depth") == "24"


class Screen:
    """One screenshot of the X display, as rows of RGB bytes."""

    def __init__(self):
        xwd = self.capture()
        ppm = subprocess.run(["convert", "xwd:-", "ppm:-"], input=xwd.stdout, capture_output=True, check=True).stdout
        header = re.match(rb"P6\s+(?:#[^\n]*\n\s*)*(\d+)\s+(\d+)\s+255\s", ppm)
        self.width, self.height = int(header[1]), int(header[2])
        self.pixels = ppm[header.end() :]

    @staticmethod
    def capture(attempts=5):
        """xwd's dump of the root window; xwd fails now and then when a
        window goes away while it reads the screen, so it is asked again."""
        for _ in range(attempts - 1):
            xwd = subprocess.run(["xwd", "-root", "-silent"], capture_output=True, stdin=subprocess.DEVNULL)
            if xwd.returncode == 0:
                return xwd
            time.sleep(0.1)
        return subprocess.run(["xwd", "-root", "-silent"], capture_output=True, check=True, stdin=subprocess.DEVNULL)

    def row(self, x, y, width):
        start = (y * self.width + x) * 3
        return self.pixels[start : start + width * 3]

    def find(self, picture, region=(200, 40)):
        """Top-left corners of every exact copy of picture (rows of RGB bytes)
        in the bottom-right region of the screen, where the tray lies."""
        size = len(picture)
        found = []
        for y in range(self.height - region[1], self.height - size + 1):
            for x in range(self.width - region[0], self.width - size + 1):
                if all(self.row(x, y + i, size) == picture[i] for i in range(size)):
                    found.append((x, y))
        return found

    def save(self, path, crop=None):
        args = ["convert", "ppm:-"]
        if crop:
            args += ["-crop", "%dx%d+%d+%d" % crop, "+repage", "-scale", "800%"]
        header = b"P6 %d %d 255\n" % (self.width, self.height)
        subprocess.run(args + [str(path)], input=header + self.pixels, check=True)


class CountingFeedHandler(feed_server.FeedHandler):
    def handle(self):
        with self.server.counter:
            self.server.requests += 1
            self.server.counter.notify_all()
        super().handle()


class FeedPeer(feed_server.FeedServer):
    """The feed server on 127.0.0.1 inside the test process, so a test can
    change what it serves between refreshes and count the requests."""

    def __init__(self, value="-12,5", mode="ok"):
        defaults = type("Defaults", (), {"value": value, "mode": mode, "demo": False})()
        socketserver.ThreadingTCPServer.__init__(self, ("127.0.0.1", 0), CountingFeedHandler)
        self.defaults = defaults
        self.requests = 0
        self.counter = threading.Condition()
        self.thread = threading.Thread(target=self.serve_forever, daemon=True)
        self.thread.start()

    @property
    def port(self):
        return self.server_address[1]

    def url(self, query=""):
        return "http://127.0.0.1:%d/files/weather.js%s" % (self.port, query)

    def serve(self, value, mode="ok"):
        self.defaults.value, self.defaults.mode = value, mode

    def wait_requests(self, count, timeout):
        with self.counter:
            return self.counter.wait_for(lambda: self.requests >= count, timeout)

    def close(self):
        self.shutdown()
        self.server_close()
        self.thread.join()


def config_text(source_url, refresh_time=10, write_log=0, log_file=""):
    return (
        "[Settings]\r\nSourceURL=%s\r\nRefreshTime=%d\r\n[Proxy]\r\nUseProxy=0\r\n"
        "[LogOptions]\r\nWriteLog=%d\r\nLogFile=%s\r\n" % (source_url, refresh_time, write_log, log_file)
    ).encode("cp1251")


# What Wine's loader prints when it cannot start a process at all (no
# connection to its server, an address range it could not reserve).
WINE_START_FAILURE = re.compile(rb"^(wine|preloader): ", re.MULTILINE)


class WineSession:
    """Wine with its virtual desktop kept up by a holding driver process."""

    def __init__(self):
        self.exe = os.environ["ZARVILO_EXE"]
        self.driver_exe = os.environ["ZARVILO_DRIVER"]
        driver64 = os.environ.get("ZARVILO_DRIVER64", "")
        if not is_pe32_plus(self.exe) and os.path.exists(driver64):
            self.driver_exe = driver64
        self.scratch = Path(tempfile.mkdtemp(prefix="zarvilo-e2e-"))
        self.env = wine_environment()
        self.env["DISPLAY"] = os.environ["DISPLAY"]
        self.browser_log = self.scratch / "browser.log"
        self.env["ZARVILO_BROWSER_LOG"] = str(self.browser_log)
        self.holder = self.start(self.driver_exe, "hold", cwd=self.scratch, output=os.devnull)

    def start(self, exe, *args, cwd, output, extra_env=None):
        env = dict(self.env, **(extra_env or {}))
        with open(output, "wb") as sink:
            return subprocess.Popen(
                [loader_for(exe), exe, *args], cwd=cwd, env=env, stdin=subprocess.DEVNULL, stdout=sink, stderr=sink
            )

    def drive(self, *args, window=None, timeout=30):
        """Runs one driver command: (exit status, its standard output). A driver
        that Wine itself could not start runs once more: that says nothing
        about the program."""
        status, output = self.drive_once(args, window, timeout)
        if status != 0 and WINE_START_FAILURE.search(output):
            print("Wine could not start the driver, once more: %r" % output, file=sys.stderr)
            status, output = self.drive_once(args, window, timeout)
        return status, output

    def drive_once(self, args, window, timeout):
        selector = ["--window", window] if window else []
        with tempfile.NamedTemporaryFile(dir=self.scratch) as output:
            process = self.start(self.driver_exe, *selector, *args, cwd=self.scratch, output=output.name)
            status = process.wait(timeout * SLOWDOWN)
            return status, Path(output.name).read_bytes()

    def program_windows(self):
        return [line.split()[0] for line in self.drive("windows")[1].decode().splitlines()]

    def browser_visits(self):
        return self.browser_log.read_text().splitlines() if self.browser_log.exists() else []

    def close(self):
        self.holder.kill()
        self.holder.wait()
        shutil.rmtree(self.scratch, ignore_errors=True)


class ProgramRun:
    """One copy of the program started in a scratch directory holding its
    configuration file (none when config is None); its output (with any Wine
    trace) goes to a file."""

    def __init__(self, session, config, wine_debug=None, directory=None):
        self.session = session
        self.directory = Path(directory or tempfile.mkdtemp(dir=session.scratch))
        if config is not None:
            (self.directory / "Quorbel.cfg").write_bytes(config)
        self.output = self.directory / "program.out"
        earlier = session.program_windows()
        extra = {"WINEDEBUG": wine_debug} if wine_debug else None
        self.process = session.start(session.exe, cwd=self.directory, output=self.output, extra_env=extra)
        self.window = None
        status, found = session.drive("wait-window", str(15000 * SLOWDOWN), *earlier)
        if status == 0:
            self.window = found.split()[0].decode()

    def post(self, message, wparam=0, lparam=0):
        return self.session.drive("post", str(message), str(wparam), str(lparam), window=self.window)[0]

    def command(self, command_id):
        return self.post(WM_COMMAND, command_id)

    def tray(self, mouse_message):
        return self.post(WM_TRAYNOTIFY, 1, mouse_message)

    def drive(self, *args):
        return self.session.drive(*args, window=self.window)

    def wait_exit(self, timeout=15):
        try:
            return self.process.wait(timeout * SLOWDOWN)
        except subprocess.TimeoutExpired:
            return None

    def log_bytes(self):
        path = self.directory / "Quorbel.log"
        return path.read_bytes() if path.exists() else b""

    def trace(self):
        return self.output.read_text(errors="replace") if self.output.exists() else ""

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


class ExpectedPictures:
    """The picture rule's icon for a temperature, widened to 8-bit colours as
    a 24-bit screen shows them, from the driver's portable composer."""

    def __init__(self, session):
        self.session = session
        self.cache = {}

    def __call__(self, temperature):
        if temperature not in self.cache:
            status, text = self.session.drive("picture", repr(temperature), windows_path(RESOURCES))
            assert status == 0, "the driver could not compose %r" % temperature
            self.cache[temperature] = [bytes.fromhex(line.replace(" ", "")) for line in text.decode().splitlines()]
            assert len(self.cache[temperature]) == ICON_SIZE
        return self.cache[temperature]


def run_tests():
    """Runs the calling module's tests under an X display of the desktop's
    size (an Xvfb of their own when needed); exits 77 where Wine cannot run
    this build."""
    exe = os.environ.get("ZARVILO_EXE", "")
    if not exe or not os.path.exists(exe):
        print("ZARVILO_EXE does not name the program", file=sys.stderr)
        sys.exit(2)
    if not is_pe32_plus(exe) and not can_run_win32():
        print("SKIPPED: this machine's kernel cannot run 32-bit programs, so 32-bit Wine cannot start")
        sys.exit(SKIPPED)
    if not display_fits():
        os.execv(str(TOOLS / "with-xvfb.sh"), [str(TOOLS / "with-xvfb.sh"), sys.executable, *sys.argv])
    loader = unittest.defaultTestLoader
    if EMULATED and os.environ.get("ZARVILO_FULL_I686_E2E") != "1":
        print("NOTE: the 32-bit program runs emulated: the smoke tests only (ZARVILO_FULL_I686_E2E=1 runs all)")
        loader = SmokeLoader()
    unittest.main(module="__main__", verbosity=2, testLoader=loader)

