#!/usr/bin/env python3
"""The settings dialog and the about box under Wine, driven in the order written on two copies: "fresh"
(a file without the seven settings) and "configured" (all of them, a feed server); the last cases on
copies of their own under other code pages than 1251 (LC_CTYPE) and in folders a code page cannot name."""

import ctypes
import os
import re
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

import harness
from harness import (
    FEED_HOST, IDM_ABOUT, IDM_REFRESH, IDM_SETTINGS, WM_COMMAND, WM_KEYDOWN, WM_KEYUP, WM_SYSCOMMAND, FeedPeer,
    WM_TRAYNOTIFY, LABELS, REFUSED, UNSAVED, ProgramRun, Screen, as_shown, mouse, not_emulated, picture, smoke,
    wait_for, windows_path,
)

IDOK, IDCANCEL, IDYES = 1, 2, 6
IDC_PROXY_HOST, IDC_PROXY_PORT, IDC_USE_PROXY, IDC_SOURCE_URL = 1000, 1001, 1002, 1003
IDC_REFRESH_SPIN, IDC_REFRESH_MINUTES, IDC_WRITE_LOG, IDC_LOG_FILE = 1004, 1005, 1006, 1007
IDC_BROWSE_LOG, IDC_MAIL_LINK, IDC_WEB_LINK = 1008, 1009, 1010
CHOOSER_TYPES, CHOOSER_NAME = 0x470, 0x47C  # the system's file chooser
VK_RETURN, VK_ESCAPE, VK_UP, VK_DOWN, SC_CLOSE, BM_CLICK = 0x0D, 0x1B, 0x26, 0x28, 0xF060, 0xF5
HOME, OTHERS = "ru_RU.UTF-8", {"1252": "en_US.UTF-8", "932": "ja_JP.UTF-8"}  # a Western and a double-byte one
FOREIGN = b"; kept as written\r\n[Window]\r\nLeft=\xe4\xe0 = 5\r\n"  # and kept byte for byte by every save


def entries(data):
    """The configuration file's non-empty lines, in order."""
    return [line for line in data.split(b"\r\n") if line]


def saved(run):
    return entries((run.directory / "Quorbel.cfg").read_bytes())


def cursor_image():
    """The pointer's picture as the X server shows it: size, hot spot, pixels."""
    class Image(ctypes.Structure):
        _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short)] + [(name, ctypes.c_ushort) for name in (
            "width", "height", "xhot", "yhot")] + [("serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong))]
    x11, xfixes = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXfixes.so.3")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(Image)
    xfixes.XFixesGetCursorImage.argtypes = x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    image = xfixes.XFixesGetCursorImage(display).contents
    shape = (image.width, image.height, image.xhot, image.yhot, image.pixels[: image.width * image.height])
    x11.XCloseDisplay(display)
    return shape


def dialogs(run, caption, shown=True):
    return [Dialog(run, w) for w in run.session.windows("#32770")
            if w.process == run.process_id and w.text == caption and (w.visible or not shown)]


def controls(dialog):
    """Each control of a dialog: its id, its place on the screen, its text."""
    return [(int(words[0]), tuple(map(int, words[3:7])), bytes.fromhex("".join(words[7:])).decode())
            for words in dialog.ask("controls", None)]


def texts(dialog):
    return {text for _, _, text in controls(dialog)}


def scaled(rows, times):
    """Rows of RGB bytes with each pixel times as wide and as high."""
    wide = [b"".join(row[i : i + 3] * times for i in range(0, len(row), 3)) for row in rows]
    return [row for row in wide for _ in range(times)]


class Dialog:
    """One dialog box of a program, driven by control id."""

    def __init__(self, run, window):
        self.run, self.handle, self.client, self.caption = run, window.handle, window.client, window.text

    def ask(self, command, control, *args):
        return self.run.session.ask(command, "%s:%d" % (self.handle, control) if control else self.handle, *args)

    def click(self, control):
        self.ask("post", control, BM_CLICK, 0, 0)

    def text(self, control):
        return self.state(control)[3]

    def type(self, control, text):
        self.ask("type", control, text.hex() or "00")

    def state(self, control):
        """Ticked, enabled, place on the screen, text."""
        words = self.ask("state", control)[0]
        return words[0] == "1", words[1] == "1", list(map(int, words[2:6])), bytes.fromhex("".join(words[6:]))

    def close(self, button=IDOK, timeout=5):
        """Presses a button (if any); then the dialog must end and its procedure return (OK has saved)."""
        if button:
            self.click(button)
        gone = lambda: self.handle not in [d.handle for d in dialogs(self.run, self.caption, shown=False)]  # noqa: E731
        assert wait_for(gone, timeout), "the dialog stayed open"

    def spin(self, step):
        """A key (VK_UP, VK_DOWN) in the minutes or a click on an arrow of the spin control ("up", "down"), the
        pointer then leaving (resting there, keys step twice)."""
        if step in (VK_UP, VK_DOWN):
            return [self.ask("post", IDC_REFRESH_MINUTES, message, step, 1) for message in (WM_KEYDOWN, WM_KEYUP)]
        left, top, right, bottom = self.state(IDC_REFRESH_SPIN)[2]
        quarter = (bottom - top) // 4
        mouse((left + right) // 2, top + quarter if step == "up" else bottom - quarter - 1, "click", 1)
        mouse(600, 300)


class DialogChecks:
    """What the dialog suites share: opening a dialog, the about box's picture at a display scale."""

    def open(self, run, caption="settings", count=1, by_command=True):
        """The dialogs with this caption, count of them; settings and about opened by their command."""
        if by_command and caption in ("settings", "about"):
            run.command(IDM_SETTINGS if caption == "settings" else IDM_ABOUT)
        self.assertTrue(wait_for(lambda: len(dialogs(run, as_shown(caption))) >= count, 10), caption)
        return dialogs(run, as_shown(caption))

    def assertAboutBoxDrawnToScale(self, about, dpi=96):
        """Each etched line between the blocks it parts (today's rows at 100%); the logo a square of its own
        colours, 48 pixels at 100%, each pixel drawn whole at whole multiples; the two addresses blue."""
        names = {IDOK: "OK", IDC_MAIL_LINK: "mail", IDC_WEB_LINK: "web"}
        blocks = {names.get(control, text.split(" ")[0].split("\n")[0]): rect for control, rect, text in controls(about)}
        screen = Screen()
        x0, y0 = about.client
        face = screen.row(x0 + 3, y0 + 3, 1)
        rows = [row for row, _, _ in harness.grooves(screen, x0, y0, blocks["OK"][2], blocks["OK"][1], face)]
        self.assertEqual(len(rows), 3, rows)
        if dpi == 96:
            self.assertEqual([row - y0 for row in rows], [85, 175, 295])
        for row, (above, below) in zip(rows, [("Зарвило", "©"), ("web", "Спасибо:"), ("Спасибо:", "OK")]):
            self.assertTrue(blocks[above][3] <= row and row + 1 < blocks[below][1], (row, above, below, blocks))
        # The logo: left of the product text and above the first line.
        logo = harness.on_screen(harness.bitmap("logo.bmp"))
        colours = {row[i : i + 3] for row in logo for i in range(0, len(row), 3)}
        drawn = [(x, y) for y in range(y0, rows[0]) for x in range(x0, blocks["Зарвило"][0])
                 if screen.row(x, y, 1) != face]
        left, top = min(x for x, _ in drawn), min(y for _, y in drawn)
        side = max(x for x, _ in drawn) + 1 - left
        self.assertEqual((max(y for _, y in drawn) + 1 - top, side), (side, 48 * dpi // 96))
        pixels = [screen.row(left, y, side) for y in range(top, top + side)]
        self.assertLessEqual({row[i : i + 3] for row in pixels for i in range(0, len(row), 3)}, colours)
        if side % 48 == 0:
            self.assertEqual(pixels, scaled(logo, side // 48))
        for label in ("mail", "web"):  # the blue address, not the black word "mail" or "link"
            left, top, right, bottom = blocks[label]
            pixels = [screen.row(x, y, 1) for y in range(top, bottom) for x in range(left, right)]
            self.assertGreater(pixels.count(b"\x00\x00\xff"), 20, label)
            self.assertEqual(pixels.count(b"\x00\x00\x00"), 0, label)


class Dialogs(DialogChecks, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = harness.WineSession()
        cls.addClassCleanup(cls.session.close)
        cls.feed = FeedPeer("-12,5")
        cls.addClassCleanup(cls.feed.close)
        cls.fresh = cls.enterClassContext(ProgramRun(cls.session, FOREIGN))
        cls.configured = cls.enterClassContext(ProgramRun(cls.session, (
            b"[Settings]\r\nSourceURL=%s\r\nRefreshTime=10\r\n[Proxy]\r\nUseProxy=-1\r\nHostName=proxy.test\r\n"
            b"RemotePort=3128\r\n[LogOptions]\r\nWriteLog=1\r\nLogFile=\r\n" % cls.feed.url().encode())))

    def setUp(self):
        self.assertTrue(self.fresh.window and self.configured.window, "a copy of the program did not start")

    def tearDown(self):
        for window in self.session.windows("#32770"):  # a failed case leaves no dialog behind
            if window.visible and window.process in (self.fresh.process_id, self.configured.process_id):
                self.session.ask("post", window.handle, WM_COMMAND, IDCANCEL, 0)

    def assertLogged(self, log, value):
        """The change log's one line, for value."""
        self.assertTrue(wait_for(lambda: log.exists() and log.read_bytes().endswith(b"\r\n"), 8), "no log line")
        self.assertRegex(log.read_bytes(), rb"\A\d\d\.\d\d\.\d{4}  \d\d:\d\d  %s\r\n\Z" % value.encode())

    def confirm(self, run, typed=(), timeout=5):
        """Opens the settings, types into the fields, presses OK; the file's entries."""
        dialog = self.open(run)[0]
        for control, text in typed:
            dialog.type(control, text)
        dialog.close(timeout=timeout)
        return saved(run)

    @smoke
    def test_cancel_changes_nothing_and_ok_writes_the_seven_settings_in_order_keeping_the_rest_of_the_file(self):
        dialog = self.open(self.fresh)[0]
        dialog.type(IDC_SOURCE_URL, b"http://127.0.0.1:1/changed.js")
        dialog.type(IDC_REFRESH_MINUTES, b"55")
        dialog.click(IDC_USE_PROXY)
        dialog.close(IDCANCEL)
        self.assertEqual((self.fresh.directory / "Quorbel.cfg").read_bytes(), FOREIGN)
        dialog = self.open(self.fresh)[0]  # as before: the defaults, the proxy unticked
        default_log = windows_path(self.fresh.directory / "Quorbel.log").encode()
        source = b"http://%s/files/weather.js" % FEED_HOST.encode()
        shown = {IDC_SOURCE_URL: source, IDC_REFRESH_MINUTES: b"10", IDC_PROXY_HOST: FEED_HOST.encode(),
                 IDC_PROXY_PORT: b"80", IDC_LOG_FILE: default_log}
        self.assertEqual({control: dialog.text(control) for control in shown}, shown)
        dialog.close()
        written = (self.fresh.directory / "Quorbel.cfg").read_bytes()
        self.assertTrue(written.startswith(FOREIGN), written)
        self.assertEqual(entries(written), entries(FOREIGN) + [
            b"[Settings]", b"SourceURL=" + source, b"RefreshTime=10", b"[Proxy]", b"UseProxy=0",
            b"HostName=" + FEED_HOST.encode(), b"RemotePort=80", b"[LogOptions]", b"WriteLog=0",
            b"LogFile=" + default_log])

    @not_emulated(harness.MEMORY_READ_EMULATED)
    def test_the_settings_use_the_side_by_side_common_controls_6_that_the_manifest_names(self):
        # Wine's two copies both report 5.81 from DllGetVersion; the folder tells them apart.
        dialog = self.open(self.fresh)[0]
        [[path]] = self.session.ask("module", self.fresh.window, "comctl32.dll")
        self.assertRegex(bytes.fromhex(path).decode().lower(),
                         r"\\winsxs\\[^\\]*_microsoft\.windows\.common-controls_6595b64144ccf1df_6\.0\.[^\\]*\\comctl32\.dll$")
        dialog.close(IDCANCEL)

    def test_check_boxes_enable_and_disable_their_fields_and_keep_the_texts(self):
        dialog = self.open(self.fresh)[0]
        fields = lambda: [dialog.state(c)[1] for c in (IDC_PROXY_HOST, IDC_PROXY_PORT, IDC_LOG_FILE, IDC_BROWSE_LOG)]  # noqa: E731
        self.assertEqual(fields(), [False] * 4)
        for box, enabled in [(IDC_USE_PROXY, [True, True, False, False]), (IDC_WRITE_LOG, [True] * 4),
                             (IDC_USE_PROXY, [False, False, True, True])]:
            dialog.click(box)
            self.assertTrue(wait_for(lambda: fields() == enabled, 3), (box, fields()))
            if enabled[0]:
                dialog.type(IDC_PROXY_HOST, b"proxy.test")
                dialog.type(IDC_PROXY_PORT, b"3128")
        self.assertEqual((dialog.text(IDC_PROXY_HOST), dialog.text(IDC_PROXY_PORT)), (b"proxy.test", b"3128"))
        dialog.close()
        for entry in [b"UseProxy=0", b"HostName=proxy.test", b"RemotePort=3128", b"WriteLog=1"]:
            self.assertIn(entry, saved(self.fresh))

    def test_spin_arrows_and_keys_step_by_ten_within_their_bounds(self):
        # The bounds are the native table's; here each arrow and key, a loaded value, a typed one.
        for minutes, typed, step, shown in [(b"1435", b"", "up", b"1445"), (b"15", b"", "down", b"5"),
                                            (b"20", b"", VK_UP, b"30"), (b"20", b"", VK_DOWN, b"10"),
                                            (b"10", b"100", "up", b"20")]:
            with self.subTest(minutes=minutes, typed=typed, step=step):
                self.confirm(self.fresh, [(IDC_REFRESH_MINUTES, minutes)])
                dialog = self.open(self.fresh)[0]
                if typed:
                    dialog.type(IDC_REFRESH_MINUTES, typed)
                dialog.spin(step)
                self.assertTrue(wait_for(lambda: dialog.text(IDC_REFRESH_MINUTES) == shown, 2))
                time.sleep(0.2)  # and no second step follows
                self.assertEqual(dialog.text(IDC_REFRESH_MINUTES), shown)
                dialog.close(IDCANCEL)

    def test_one_dialog_of_each_kind_at_a_time_and_each_way_of_closing_lets_it_open_again(self):
        enter, esc, close_box = (WM_KEYDOWN, VK_RETURN), (WM_KEYDOWN, VK_ESCAPE), (WM_SYSCOMMAND, SC_CLOSE)
        # One over the other (the first's own loop runs the second), the second closed first; OK in other cases.
        for first, second, ways in [("settings", "about", (enter, esc)), ("about", "settings", (close_box, close_box)),
                                    ("settings", "about", (esc, enter))]:
            with self.subTest(first=first, ways=ways):
                under = self.open(self.fresh, first)[0]
                over = self.open(self.fresh, second)[0]
                for command in (IDM_SETTINGS, IDM_ABOUT):
                    self.fresh.command(command)
                time.sleep(1)
                self.assertEqual([len(dialogs(self.fresh, as_shown(c))) for c in ("settings", "about")], [1, 1])
                for dialog, (message, key) in zip((over, under), ways):
                    dialog.ask("post", 0, message, key, 0)
                    dialog.close(None)

    def test_about_box_shows_logo_grooves_and_blue_addresses_also_after_being_covered(self):
        about = self.open(self.fresh, "about")[0]
        time.sleep(0.5)
        self.assertAboutBoxDrawnToScale(about)
        x0, y0 = about.client
        self.session.ask("cover", x0, y0, x0 + 300, y0 + 320)
        self.assertTrue(wait_for(lambda: Screen().row(x0 + 100, y0 + 85, 1) == b"\0\0\0", 2), "not covered")
        self.session.ask("cover")
        time.sleep(0.5)
        self.assertAboutBoxDrawnToScale(about)
        about.close()

    @not_emulated(harness.OTHER_BITNESS_EMULATED + "; " + harness.SHELL_LINKS_EMULATED)
    def test_pointer_is_a_hand_over_the_two_labels_only_whose_clicks_reach_the_browser_and_the_box_stays(self):
        self.session.ask("cover", 600, 100, 700, 200)  # the driver's window shows the system's hand
        mouse(650, 150)
        time.sleep(0.3)
        hand = cursor_image()
        self.session.ask("cover")
        about = self.open(self.fresh, "about")[0]
        visits = self.session.browser_visits()
        for label in (IDC_MAIL_LINK, IDC_WEB_LINK):
            left, top, right, bottom = about.state(label)[2]
            mouse(about.client[0] + 5, about.client[1] + 5)
            self.assertTrue(wait_for(lambda: cursor_image() != hand, 2), "a hand over the dialog")
            mouse(left + 3, (top + bottom) // 2)
            self.assertTrue(wait_for(lambda: cursor_image() == hand, 2), "no hand over label %d" % label)
            mouse(left + 3, (top + bottom) // 2, "click", 1)
            time.sleep(0.3)
        links = visits + [harness.MAIL_LINK, harness.WEB_LINK]
        self.assertTrue(wait_for(lambda: self.session.browser_visits() == links, 5), self.session.browser_visits())
        self.assertEqual(len(dialogs(self.fresh, about.caption)), 1)
        about.close()

    def test_a_negative_proxy_flag_saves_0_and_ok_refreshes_at_once_without_waiting_or_resetting_the_icon(self):
        dialog = self.open(self.configured)[0]
        self.assertEqual([dialog.state(c)[i] for c, i in ((IDC_USE_PROXY, 0), (IDC_PROXY_HOST, 1), (IDC_PROXY_PORT, 1))],
                         [False] * 3, "UseProxy=-1 shows unticked")
        dialog.close()
        self.assertIn(b"UseProxy=0", saved(self.configured))
        self.assertTrue(wait_for(lambda: Screen().find(picture(-12.5)), 8))
        requests = self.feed.requests
        self.confirm(self.configured, [(IDC_SOURCE_URL, self.feed.url("?mode=late&delay=5&value=5,0").encode())])
        self.assertTrue(self.feed.wait_requests(requests + 1, 3))
        self.assertTrue(Screen().find(picture(-12.5)), "OK reset the icon")
        # That refresh still runs: OK does not wait for it, and its own refresh follows.
        source = self.feed.url("?value=7,5").encode()
        self.assertIn(b"SourceURL=" + source, self.confirm(self.configured, [(IDC_SOURCE_URL, source)], timeout=1.5))
        self.assertTrue(wait_for(lambda: Screen().find(picture(7.5)), 10))

    def test_a_log_file_picked_then_cancelled_is_used_for_the_rest_of_the_run(self):
        config = (self.configured.directory / "Quorbel.cfg").read_bytes()
        default_log, picked = self.configured.directory / "Quorbel.log", self.configured.directory / "picked.log"
        time.sleep(0.5)  # the last refresh's line is written just after its icon shows
        lines_before = default_log.read_bytes()
        dialog = self.open(self.configured)[0]
        dialog.click(IDC_BROWSE_LOG)
        chooser = self.open(self.configured, "chooser")[0]
        self.assertEqual(chooser.text(CHOOSER_TYPES), as_shown("all files"))
        chooser.type(CHOOSER_NAME, windows_path(picked).encode())
        chooser.click(IDOK)
        # The file does not exist yet: the chooser asks before taking it.
        [question] = [box for box in self.open(self.configured, "chooser", 2) if box.handle != chooser.handle]
        question.click(IDYES)
        chooser.close(None)
        self.assertEqual(dialog.text(IDC_LOG_FILE), windows_path(picked).encode())
        dialog.close(IDCANCEL)
        self.assertEqual((self.configured.directory / "Quorbel.cfg").read_bytes(), config)
        self.configured.command(IDM_REFRESH)
        self.assertLogged(picked, r"7\.5")
        self.assertEqual(default_log.read_bytes(), lines_before)

    def test_ok_keeps_the_source_up_to_its_limit_and_cuts_the_other_texts_to_theirs(self):
        # The minutes as the native table reads them, not as GetDlgItemInt (nor the spin's count).
        source = self.feed.url("?value=7,5&pad=").encode()
        source += b"s" * (2090 - len(source))
        written = self.confirm(self.configured, [(IDC_SOURCE_URL, source), (IDC_PROXY_HOST, b"h" * 300),
                                                 (IDC_PROXY_PORT, b"123456789"), (IDC_LOG_FILE, b"f" * 300),
                                                 (IDC_REFRESH_MINUTES, b"2147483648")])
        for entry in [b"SourceURL=" + source[:2083], b"HostName=" + b"h" * 255, b"RemotePort=1234567",
                      b"LogFile=" + b"f" * 259, b"RefreshTime=2147483647"]:
            self.assertIn(entry, written)

    def read_only(self, path):
        """Read-only until the case ends; immutable too for root, whom Wine lets write a read-only file."""
        os.chmod(path, 0o444)
        self.addCleanup(os.chmod, path, 0o644)
        if os.geteuid() == 0:
            if subprocess.run(["chattr", "+i", path], stderr=subprocess.DEVNULL).returncode != 0:
                self.skipTest("root writes read-only files, and this file system keeps no immutable flag")
            self.addCleanup(subprocess.run, ["chattr", "-i", path])

    def test_a_save_the_system_refuses_is_told_and_the_new_values_hold_until_the_end(self):
        config = self.fresh.directory / "Quorbel.cfg"
        before = config.read_bytes()
        self.read_only(config)
        self.confirm(self.fresh, [(IDC_REFRESH_MINUTES, b"30")])
        box = self.open(self.fresh, by_command=False)[0]
        self.assertIn(REFUSED % windows_path(config), texts(box))
        box.close(IDOK)
        self.assertEqual(config.read_bytes(), before)
        dialog = self.open(self.fresh)[0]
        self.assertEqual(dialog.text(IDC_REFRESH_MINUTES), b"30")
        dialog.close(IDCANCEL)

    # Copies of their own under a code page.

    def start(self, locale, config, folder=None):
        directory = folder and Path(tempfile.mkdtemp(dir=self.session.scratch), folder)
        if directory:
            directory.mkdir()
        run = self.enterContext(ProgramRun(self.session, config, directory=directory, locale=locale))
        self.assertTrue(run.window, "the program did not start")
        return run

    def menu_pixels(self, run):
        harness.mouse(400, 300)
        run.post(WM_TRAYNOTIFY, 1, harness.WM_RBUTTONDOWN)
        menus = wait_for(lambda: [w for w in self.session.windows("#32768") if w.visible], 4)
        self.assertTrue(menus, "no menu opened")
        left, top, right, bottom = menus[0].rect
        screen = Screen()
        pixels = [screen.row(left, y, right - left) for y in range(top, bottom)]
        self.session.ask("post", menus[0].handle, harness.WM_KEYDOWN, VK_ESCAPE, 0)
        self.assertTrue(wait_for(lambda: not [w for w in self.session.windows("#32768") if w.visible], 4))
        return pixels

    @smoke
    def test_texts_read_right_whatever_the_code_page(self):
        home = self.start(HOME, harness.config_text(self.feed.url("?value=2,5")))
        home_menu = self.menu_pixels(home)
        home.stop()
        for code_page, locale in OTHERS.items():
            with self.subTest(code_page):
                # From a folder 1252 cannot name, which it logs in all the same.
                run = self.start(locale, harness.config_text(self.feed.url("?value=2,5"), write_log=1), "Дарья")
                icon = wait_for(lambda: Screen().find(picture(2.5)), 5)
                self.assertEqual(self.session.tooltip_at(icon[0]), as_shown("reading", "2.5"))
                self.assertLogged(run.directory / "Quorbel.log", r"2\.5")
                self.assertEqual(self.menu_pixels(run), home_menu, "the menu's texts differ from 1251's")
                for caption in ("settings", "about"):
                    dialog = self.open(run, caption)[0]
                    self.assertLessEqual(LABELS[caption], texts(dialog))
                    dialog.close(IDCANCEL if caption == "settings" else IDOK)
                # A text the code page lacks: the file keeps the old one and a box says so.
                written = self.confirm(run, [(IDC_PROXY_HOST, "ก.test".encode()), (IDC_REFRESH_MINUTES, b"20")])
                box = self.open(run, by_command=False)[0]
                self.assertIn(UNSAVED % "адрес прокси", texts(box))
                box.close(IDOK)
                self.assertIn(b"RefreshTime=20", written)
                self.assertFalse([entry for entry in written if entry.startswith(b"HostName=")])
                run.stop()

    def test_a_file_of_today_reads_and_saves_the_same_and_a_path_the_code_page_lacks_goes_by_its_short_name(self):
        # As today's program wrote it on a Russian system, the log left to its default.
        config = ("[Settings]\r\nSourceURL=%s\r\nRefreshTime=10\r\n[Proxy]\r\nUseProxy=0\r\nHostName=прокси.test\r\n"
                  "RemotePort=3128\r\n[LogOptions]\r\nWriteLog=1\r\nLogFile=\r\n; заметка\r\n"
                  % self.feed.url()).encode("cp1251")
        run = self.start(HOME, config, folder="天気")
        log = run.directory / "Quorbel.log"  # by its full name, which 1251 cannot hold
        self.assertLogged(log, r"-12\.5")
        dialog = self.open(run)[0]
        self.assertEqual(dialog.text(IDC_PROXY_HOST), "прокси.test".encode())
        self.assertEqual(dialog.text(IDC_LOG_FILE), windows_path(log).encode())
        dialog.close()
        written = (run.directory / "Quorbel.cfg").read_bytes()
        short = re.search(rb"\r\nLogFile=(.*)\r\n", written)[1]
        self.assertRegex(short, rb"\A[ -~]+\\Quorbel\.log\Z", "not a short name of plain letters")
        self.assertEqual(written, config.replace(b"LogFile=\r\n", b"LogFile=" + short + b"\r\n"))
        run.stop()
        lines = len(log.read_bytes().splitlines())
        # Started again, the program logs through that name into the same file.
        again = self.start(HOME, written, folder="天気")
        self.assertTrue(wait_for(lambda: len(log.read_bytes().splitlines()) > lines, 8))
        again.stop()


if __name__ == "__main__":
    harness.run_tests()
