"""What the end-to-end tests of ZARVILO_EXE share: the pictures it must show (an oracle of their own), the Wine
session with one driver process, feed servers, program runs, screenshots. Where 32-bit programs run emulated,
waits stretch by SLOWDOWN and only @smoke cases run unless ZARVILO_FULL_I686_E2E is 1."""

import collections
import itertools
import os
import queue
import re
import shutil
import struct
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

# The program's Russian texts, written out here so that a typo in the program still fails.
TEXTS = {
    "no data": "Нет данных", "reading": "Температура в Ларвинске [%s] по Цельсию.",
    "no connection": "Нет соединения с сервером.", "invalid data": "Получены некорректные данные с сервера.",
    "settings": "Зарвило :: установки", "about": "Зарвило :: о программе",
    "chooser": "Выбор файла журнала", "all files": "Все файлы (*.*)",
}

# The captions and labels of the two dialogs, and the boxes that say what a save left unwritten.
LABELS = {
    "settings": {"OK", "Cancel", "адрес", ": порт", "Прокси", "использовать прокси сервер", "Источник", "обновлять каждые",
                 "минут", "Журнал", "вести журнал изменений температуры", "файл", "..."},
    "about": {"OK", "© 2003–2005 Зарвило", "Метеостанция г. Ларвинска", "Зарвило\nVersion 3.13\n\nBuild:  18.01.2005",
              "Спасибо:\nО. Кружилину,\nН. Веденеевой\nи всем, кто писал\nоб ошибках."},
}
UNSAVED = ("В кодовой странице системы нет некоторых символов, поэтому в файле Quorbel.cfg оставлены прежние значения: "
           "%s.\n\nНовые значения действуют до выхода из программы.")
REFUSED = "Не удалось сохранить установки в файл %s.\n\nНовые значения действуют до выхода из программы."

FEED_HOST = "meteo.larvinsk.ru"
GRAPH_PAGE = "http://%s/cgi/rrd.pl/to.html" % FEED_HOST
MAIL_LINK, WEB_LINK = "mailto:info@larvinsk.ru", "http://larvinsk.ru/"

WM_CLOSE, WM_KEYDOWN, WM_KEYUP, WM_COMMAND, WM_TIMER, WM_SYSCOMMAND = 0x10, 0x100, 0x101, 0x111, 0x113, 0x112
WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC = 0x218, 0x12
WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_TRAYNOTIFY = 0x201, 0x203, 0x204, 0x8001
IDM_REFRESH, IDM_EXIT, IDM_ABOUT, IDM_SETTINGS, IDM_START_WITH_WINDOWS = 32772, 32773, 32774, 32775, 32776
UNKNOWN = -273.0
KEY_COLOUR = 0x7C1F
WINE64, WINE32 = "/usr/lib/wine/wine64", "/usr/lib/wine/wine"
SHELL_LINKS_EMULATED = "the emulator breaks the shell's threads in the 32-bit program"
MEMORY_READ_EMULATED = "the emulated program's memory cannot be read from outside"
OTHER_BITNESS_EMULATED = "the 64-bit driver's system cursors are not the 32-bit program's"


Window = collections.namedtuple("Window", "handle process visible rect client text")


def as_shown(key, value=None):
    """A text of the table as a window shows it, read as Unicode: in UTF-8, as the driver tells it."""
    return (TEXTS[key] if value is None else TEXTS[key] % value).encode("utf-8")


def is_pe32_plus(exe):
    data = Path(exe).read_bytes()[:1024]
    header = int.from_bytes(data[0x3C:0x40], "little")
    return int.from_bytes(data[header + 24 : header + 26], "little") == 0x20B


EMULATOR = Path("/proc/sys/fs/binfmt_misc/qemu-i386")
EMULATED = (EMULATOR.exists() and EMULATOR.read_text().startswith("enabled")
            and os.path.exists(os.environ.get("ZARVILO_EXE", "")) and not is_pe32_plus(os.environ["ZARVILO_EXE"]))
# An emulated 32-bit program shows its window 3.4 s after it starts (a 64-bit one 0.5 s).
SLOWDOWN = 3 if EMULATED else 1


def smoke(test):
    """Marks a case as one of the few that an emulated 32-bit run keeps."""
    return setattr(test, "smoke", True) or test


def not_emulated(reason):
    return unittest.skipIf(EMULATED, reason)


class Loader(unittest.TestLoader):
    """A class's cases in the order written (they share programs); emulated, the smoke cases only."""

    def getTestCaseNames(self, case_class):
        names = [name for name in vars(case_class) if name.startswith("test")]
        if EMULATED and os.environ.get("ZARVILO_FULL_I686_E2E") != "1":
            names = [name for name in names if getattr(getattr(case_class, name), "smoke", False)]
        return names


def wait_for(condition, timeout, interval=0.1):
    """The condition's first true answer within timeout seconds (stretched), else its last."""
    deadline = time.monotonic() + timeout * SLOWDOWN
    while True:
        answer = condition()
        if answer or time.monotonic() > deadline:
            return answer
        time.sleep(interval)


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def can_run_win32():
    """False where this machine's kernel cannot run 32-bit programs."""
    try:
        return subprocess.run([WINE32, "--version"], capture_output=True).returncode == 0
    except OSError:
        return False


def display_fits(size=(800, 600)):
    """True when DISPLAY is a 24-bit screen of the desktop's size."""
    if not os.environ.get("DISPLAY"):
        return False
    info = subprocess.run(["xwininfo", "-root"], capture_output=True, text=True, stdin=subprocess.DEVNULL)
    values = dict(re.findall(r"^\s*(Width|Height|Depth): (\d+)", info.stdout, re.M))
    return (int(values.get("Width", 0)), int(values.get("Height", 0))) == size and values.get("Depth") == "24"


def mouse(*arguments):
    subprocess.run(["xdotool", "mousemove", *map(str, arguments)], check=True)


def bitmap(name):
    """A 16-bit 5-5-5 bitmap of res/ as rows of words, top row first."""
    data = (RESOURCES / name).read_bytes()
    (offset,), (width, height) = struct.unpack_from("<I", data, 10), struct.unpack_from("<ii", data, 18)
    stride = (width * 2 + 3) // 4 * 4
    rows = [list(struct.unpack_from("<%dH" % width, data, offset + y * stride)) for y in range(abs(height))]
    return rows[::-1] if height > 0 else rows


def on_screen(rows):
    """Rows of 5-5-5 words as a 24-bit screen shows them: rows of RGB bytes."""
    return [b"".join(bytes((word >> s & 31) << 3 | (word >> s & 31) >> 2 for s in (10, 5, 0)) for word in row)
            for row in rows]


def picture(t):
    """The tray icon for temperature t: its sign's background, the digits and the marker where not the key colour."""
    sign = "unknown" if t == UNKNOWN else "zero" if t == 0 else "positive" if t > 0 else "negative"
    pixels = bitmap("bg_%s.bmp" % sign)
    if t != UNKNOWN:
        m = abs(t)
        tens = int(m * 0.1)
        units = int(m - 10 * tens)
        glyphs = [(1, 4 * tens, 4)] if tens else []
        glyphs += [(6, 4 * units, 4), (10, 40 if m - (10 * tens + units) > 0 else 45, 5)]
        strip = bitmap("digits.bmp")
        for (left, source, width), y in itertools.product(glyphs, range(8)):
            for x in range(width):
                if strip[y][source + x] != KEY_COLOUR:
                    pixels[7 + y][left + x] = strip[y][source + x]
    return on_screen(pixels)


class Screen:
    """One screenshot of the X display, as rows of RGB bytes."""

    def __init__(self):
        # xwd fails now and then when a window goes while it reads the screen
        xwd = wait_for(lambda: subprocess.run(["xwd", "-root", "-silent"], capture_output=True).stdout, 0.5)
        ppm = subprocess.run(["convert", "xwd:-", "ppm:-"], input=xwd, capture_output=True, check=True).stdout
        header = re.match(rb"P6\s+(?:#[^\n]*\n\s*)*(\d+)\s+(\d+)\s+255\s", ppm)
        self.width = int(header[1])
        self.pixels = ppm[header.end() :]

    def row(self, x, y, width):
        start = (y * self.width + x) * 3
        return self.pixels[start : start + width * 3]

    def find(self, rows, region=(200, 40)):
        """Top-left corners of every exact copy of a picture in the tray's corner of the screen."""
        size = len(rows)
        height = len(self.pixels) // 3 // self.width
        return [(x, y) for y in range(height - region[1], height - size + 1)
                for x in range(self.width - region[0], self.width - size + 1)
                if all(self.row(x, y + i, size) == rows[i] for i in range(size))]


def grooves(screen, left, top, right, bottom, face):
    """(row, first, end) of each etched line: 100 or more pixels darker than face over as many lighter ones."""
    found = []
    for y in range(top, bottom - 1):
        x = left
        pairs = zip(*([row[i : i + 3] for i in range(0, len(row), 3)] for row in
                      (screen.row(left, y + i, right - left) for i in (0, 1))))
        for (dark, light), run in itertools.groupby(pairs):
            end = x + len(list(run))
            if end - x >= 100 and sum(dark) < sum(face) < sum(light):
                found.append((y, x, end))
            x = end
    return found


class FeedPeer(feed_server.FeedServer):
    """The feed server on 127.0.0.1 (or host) in the test process: a case changes what it serves and counts requests."""

    def __init__(self, value="-12,5", mode="ok", certificate=None, host="127.0.0.1", port=0):
        defaults = type("Defaults", (), {"value": value, "mode": mode, "demo": False})()
        super().__init__(port, defaults, certificate, host)
        self.requests, self.counter = 0, threading.Condition()
        self.thread = threading.Thread(target=self.serve_forever, daemon=True)
        self.thread.start()

    def finish_request(self, request, address):
        with self.counter:
            self.requests += 1
            self.counter.notify_all()
        super().finish_request(request, address)

    def url(self, query=""):
        host, port = self.server_address[:2]
        return "%s://%s:%d/files/weather.js%s" % ("https" if self.tls else "http",
                                                  "[%s]" % host if ":" in host else host, port, query)

    def serve(self, value, mode="ok"):
        self.defaults.value, self.defaults.mode = value, mode

    def wait_requests(self, count, timeout):
        with self.counter:
            return self.counter.wait_for(lambda: self.requests >= count, timeout * SLOWDOWN)

    def close(self):
        self.shutdown()
        self.server_close()
        self.thread.join()


class TestAuthority:
    """A certificate authority made for one run, trusted only inside the test's Wine prefix, while a case asks."""

    def __init__(self, directory, name="Zarvilo test authority"):
        self.directory = Path(directory)
        self.directory.mkdir(parents=True, exist_ok=True)
        self.key, self.cert, self.der = (self.directory / n for n in ("ca.key", "ca.pem", "ca.der"))
        self.openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", self.key, "-out", self.cert,
                     "-days", "2", "-subj", "/CN=" + name)
        self.openssl("x509", "-in", self.cert, "-outform", "DER", "-out", self.der)
        self.config = self.directory / "ca.cnf"
        (self.directory / "index.txt").write_text("")
        self.config.write_text(
            "[ca]\ndefault_ca = test\n[test]\ndatabase = %s/index.txt\nnew_certs_dir = %s\nrand_serial = yes\n"
            "unique_subject = no\ndefault_md = sha256\npolicy = any\ncopy_extensions = copy\n"
            "[any]\ncommonName = supplied\n" % (self.directory, self.directory))

    def openssl(self, *arguments):
        subprocess.run(["openssl", *map(str, arguments)], cwd=self.directory, stdin=subprocess.DEVNULL,
                       capture_output=True, check=True)

    def issue(self, name, hosts=("127.0.0.1",), dates=("-days", "2")):
        """A PEM file with a key and its certificate for the hosts; dates are openssl ca's options."""
        key, request, cert = (self.directory / (name + suffix) for suffix in (".key", ".csr", ".crt"))
        self.openssl("req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", request,
                     "-subj", "/CN=" + hosts[0], "-addext", "subjectAltName=" + ",".join("DNS:" + h for h in hosts))
        self.openssl("ca", "-batch", "-notext", "-config", self.config, "-cert", self.cert, "-keyfile", self.key,
                     "-in", request, "-out", cert, *dates)
        pem = self.directory / (name + ".pem")
        pem.write_bytes(key.read_bytes() + cert.read_bytes())
        return str(pem)

    def trust(self, run_windows_program):
        """Adds the authority to the prefix's Root store through the trust tool; what removes it again."""
        assert run_windows_program("add", windows_path(self.der)) == 0, "the test authority was not trusted"
        return lambda: run_windows_program("remove", windows_path(self.der))


def config_text(source_url, refresh_time=10, write_log=0, log_file=""):
    return ("[Settings]\r\nSourceURL=%s\r\nRefreshTime=%d\r\n[Proxy]\r\nUseProxy=0\r\n[LogOptions]\r\n"
            "WriteLog=%d\r\nLogFile=%s\r\n" % (source_url, refresh_time, write_log, log_file)).encode("cp1251")


def wine_environment():
    """The environment tools/wine-env.sh gives, with its prefix made ready."""
    with tempfile.NamedTemporaryFile() as dump:
        subprocess.run(["sh", "-c", '. "$0" && zarvilo_prepare_prefix && env -0 >"$1"', TOOLS / "wine-env.sh", dump.name],
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        entries = Path(dump.name).read_bytes().split(b"\0")
    return dict(entry.decode().split("=", 1) for entry in entries if b"=" in entry)


class WineSession:
    """Wine with its desktop, kept up by one driver process that serves every command of the run."""

    def __init__(self):
        self.exe = os.environ["ZARVILO_EXE"]
        driver = os.environ["ZARVILO_DRIVER"]
        if EMULATED and os.path.exists(os.environ.get("ZARVILO_DRIVER64", "")):
            driver = os.environ["ZARVILO_DRIVER64"]
        self.scratch = Path(tempfile.mkdtemp(prefix="zarvilo-e2e-"))
        self.env = dict(wine_environment(), DISPLAY=os.environ["DISPLAY"])
        self.browser_log = self.scratch / "browser.log"
        self.env["ZARVILO_BROWSER_LOG"] = str(self.browser_log)
        self.driver = subprocess.Popen([WINE64 if is_pe32_plus(driver) else WINE32, driver], cwd=self.scratch, env=self.env,
                                       stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        # Wine's services may hold the driver's output open: it is read line by line, never to its end.
        self.answers = queue.Queue()
        threading.Thread(target=lambda: [self.answers.put(line) for line in self.driver.stdout], daemon=True).start()

    def start(self, exe, *args, cwd, output, extra_env=None):
        with open(output, "wb") as sink:
            return subprocess.Popen([WINE64 if is_pe32_plus(exe) else WINE32, exe, *args], cwd=cwd, env=dict(self.env, **(extra_env or {})),
                                    stdin=subprocess.DEVNULL, stdout=sink, stderr=sink)

    def drive(self, *words, timeout=30):
        """One driver command: (its status, its output)."""
        self.driver.stdin.write(" ".join(map(str, words)).encode() + b"\n")
        self.driver.stdin.flush()
        lines = []
        while True:
            line = self.answers.get(timeout=timeout * SLOWDOWN).rstrip(b"\r\n")
            if line.startswith(b".end "):
                return int(line[5:]), b"\n".join(lines)
            lines.append(line)

    def ask(self, *words):
        """One driver command that must succeed: its output lines, split into words."""
        status, output = self.drive(*words)
        assert status == 0, "driver %s: status %d, %r" % (words, status, output)
        return [line.split() for line in output.decode().splitlines()]

    def windows(self, window_class):
        return [Window(w[0], w[1], w[2] == "1", tuple(map(int, w[3:7])), (int(w[7]), int(w[8])),
                       bytes.fromhex(w[9] if len(w) > 9 else "")) for w in self.ask("windows", window_class)]

    def browser_visits(self):
        return self.browser_log.read_text().splitlines() if self.browser_log.exists() else []

    def tooltip_at(self, position):
        """Moves the pointer onto the icon at position anew; the tooltip shown."""
        mouse(300, 300)
        time.sleep(0.3)
        mouse(position[0] + 8, position[1] + 8)
        tips = wait_for(lambda: [w.text for w in self.windows("tooltips_class32") if w.visible and w.text], 4)
        return tips[0] if tips else None

    def close(self):
        self.driver.kill()
        self.driver.wait()
        shutil.rmtree(self.scratch, ignore_errors=True)


class ProgramRun:
    """One copy of the program in a directory of its own with its configuration (None: none); window: None if none."""

    def __init__(self, session, config, wine_debug=None, directory=None, locale=None):
        self.session = session
        self.directory = Path(directory or tempfile.mkdtemp(dir=session.scratch))
        if config is not None:
            (self.directory / "Quorbel.cfg").write_bytes(config)
        self.output = self.directory / "program.out"
        earlier = session.windows("Zarvilo")
        extra = dict({"WINEDEBUG": wine_debug} if wine_debug else {}, **{"LC_CTYPE": locale} if locale else {})
        self.process = session.start(session.exe, cwd=self.directory, output=self.output, extra_env=extra)
        new = lambda: [w for w in session.windows("Zarvilo") if w not in earlier]  # noqa: E731
        found = wait_for(lambda: new() or self.process.poll() is not None, 15)
        self.window, self.process_id = (found[0].handle, found[0].process) if isinstance(found, list) else (None, None)

    def post(self, message, wparam=0, lparam=0, count=1):
        self.session.ask("post", self.window, message, wparam, lparam, count)

    def command(self, command_id):
        self.post(WM_COMMAND, command_id)

    def wait_exit(self, timeout=15):
        return self.process.wait(timeout * SLOWDOWN)

    def stop(self):
        self.process.kill()
        self.process.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


def run_tests(desktop=(800, 600)):
    """Runs the module's cases on a display of the desktop's size; 77 where Wine cannot run the build."""
    exe = os.environ.get("ZARVILO_EXE", "")
    if not os.path.exists(exe):
        sys.exit("ZARVILO_EXE does not name the program")
    if not is_pe32_plus(exe) and not can_run_win32():
        print("SKIPPED: this machine's kernel cannot run 32-bit programs, so 32-bit Wine cannot start")
        sys.exit(77)
    if not display_fits(desktop):
        os.environ["ZARVILO_SCREEN"] = "%dx%d" % desktop
        os.execv(str(TOOLS / "with-xvfb.sh"), [str(TOOLS / "with-xvfb.sh"), sys.executable, *sys.argv])
    unittest.main(module="__main__", verbosity=2, testLoader=Loader())
