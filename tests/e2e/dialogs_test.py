#!/usr/bin/env python3
"""The settings dialog and the about box of the real program under Wine,
driven from outside as a user would: opened by the tray menu's commands,
their controls read, typed into and clicked by id, the spin control's arrows
and the keyboard, the system's file chooser, the screen read back, the links
followed to a stand-in browser. A real feed server answers the refreshes.

With ZARVILO_SCREENSHOTS set to a folder, the pictures of both dialogs are
saved there as settings-dialog.png and about-dialog.png."""

import os
import subprocess
import time
import unittest
from pathlib import Path

import harness
from harness import (
    IDM_ABOUT, IDM_REFRESH, IDM_SETTINGS, RESOURCES, SHELL_LINKS_EMULATED, FeedPeer, ProgramRun, Screen,
    not_emulated, smoke, wait_for, windows_path,
)

# Captions and texts as the Windows-1251 bytes the program holds.
SETTINGS = b"\xc7\xe0\xf0\xe2\xe8\xeb\xee :: \xf3\xf1\xf2\xe0\xed\xee\xe2\xea\xe8"
ABOUT = b"\xc7\xe0\xf0\xe2\xe8\xeb\xee :: \xee \xef\xf0\xee\xe3\xf0\xe0\xec\xec\xe5"
CHOOSER = b"\xc2\xfb\xe1\xee\xf0 \xf4\xe0\xe9\xeb\xe0 \xe6\xf3\xf0\xed\xe0\xeb\xe0"
ALL_FILES = b"\xc2\xf1\xe5 \xf4\xe0\xe9\xeb\xfb (*.*)"

IDOK, IDCANCEL, IDYES = 1, 2, 6
IDC_PROXY_HOST, IDC_PROXY_PORT, IDC_USE_PROXY, IDC_SOURCE_URL = 1000, 1001, 1002, 1003
IDC_REFRESH_SPIN, IDC_REFRESH_MINUTES, IDC_WRITE_LOG, IDC_LOG_FILE = 1004, 1005, 1006, 1007
IDC_BROWSE_LOG, IDC_MAIL_LINK, IDC_WEB_LINK = 1008, 1009, 1010
CHOOSER_TYPES, CHOOSER_NAME = 0x470, 0x47C
VK_RETURN, VK_ESCAPE, VK_UP, VK_DOWN = 0x0D, 0x1B, 0x26, 0x28
WM_SYSCOMMAND, SC_CLOSE = 0x0112, 0xF060

FEED_HOST = b"meteo.larvinsk.ru"
DEFAULT_SOURCE = b"http://meteo.larvinsk.ru/files/weather.js"
MAIL_ADDRESS = "info@larvinsk.ru"
WEB_ADDRESS = "http://larvinsk.ru/"
BLUE = b"\x00\x00\xff"
# The one tray icon's middle on the 800 x 600 desktop, and its tooltip with a reading.
TRAY_ICON = (790, 590)
READING_TIP = (
    b"\xd2\xe5\xec\xef\xe5\xf0\xe0\xf2\xf3\xf0\xe0 \xe2 \xcb\xe0\xf0\xe2\xe8\xed\xf1\xea\xe5 [%s] "
    b"\xef\xee \xd6\xe5\xeb\xfc\xf1\xe8\xfe."
)

session = None


def setUpModule():
    global session
    session = harness.WineSession()


def tearDownModule():
    session.close()


def full_config(source_url, refresh_time=10, use_proxy=0, host=b"proxy.test", port=b"3128",
                write_log=0, log_file=b""):
    """A configuration file with all seven keys, as bytes."""
    return (
        b"[Settings]\r\nSourceURL=%s\r\nRefreshTime=%d\r\n[Proxy]\r\nUseProxy=%d\r\nHostName=%s\r\n"
        b"RemotePort=%s\r\n[LogOptions]\r\nWriteLog=%d\r\nLogFile=%s\r\n"
        % (source_url.encode(), refresh_time, use_proxy, host, port, write_log, log_file)
    )


def entries(data):
    """The configuration file's non-empty lines, in order."""
    return [line for line in data.split(b"\r\n") if line]


class Dialog:
    """One dialog box of the program, found by its caption and driven through
    the driver by control id."""

    def __init__(self, run, line):
        handle, frame, client, *caption = line.split()
        self.run = run
        self.handle = handle
        self.frame = tuple(int(v) for v in frame.split(","))
        self.client = tuple(int(v) for v in client.split(","))
        self.caption = bytes.fromhex(caption[0]) if caption else b""

    def drive(self, *args):
        status, output = self.run.session.drive(*args, window=self.handle)
        assert status == 0, "driver %s failed with %d: %r" % (args, status, output)
        return output.decode().strip()

    def text(self, control):
        return bytes.fromhex(self.drive("control-text", str(control)))

    def type(self, control, text):
        self.drive("type", str(control), text.hex())

    def click(self, control):
        self.drive("click", str(control))

    def key(self, control, key):
        self.drive("key", str(control), str(key))

    def spin(self, direction):
        """A real click on the spin control's upper or lower arrow."""
        left, top, right, bottom = self.state(IDC_REFRESH_SPIN)["rect"]
        y = top + (bottom - top) // 4 if direction == "up" else bottom - (bottom - top) // 4 - 1
        subprocess.run(["xdotool", "mousemove", str((left + right) // 2), str(y), "click", "1"], check=True)
        # The pointer leaves: Wine's spin control acts once more on a later
        # arrow key while the pointer rests on it.
        subprocess.run(["xdotool", "mousemove", "600", "300"], check=True)

    def post(self, message, wparam, lparam=0):
        self.drive("post", str(message), str(wparam), str(lparam))

    def state(self, control):
        fields = dict(item.split("=") for item in self.drive("control-state", str(control)).split())
        return {
            "checked": fields["checked"] == "1",
            "enabled": fields["enabled"] == "1",
            "rect": tuple(int(v) for v in fields["rect"].split(",")),
        }

    def is_open(self):
        return any(dialog.handle == self.handle for dialog in dialogs(self.run))


def dialogs(run, caption=None):
    status, output = run.drive("dialogs")
    found = [Dialog(run, line) for line in output.decode().splitlines() if line.strip()]
    return [dialog for dialog in found if caption is None or dialog.caption == caption]


def wait_dialog(run, caption, count=1, timeout=10):
    """The dialogs with this caption once there are count of them."""
    deadline = time.monotonic() + timeout
    while True:
        found = dialogs(run, caption)
        if len(found) >= count:
            return found
        assert time.monotonic() < deadline, "no dialog %r appeared" % caption
        time.sleep(0.1)


def wait_closed(dialog, timeout=5):
    assert wait_for(lambda: not dialog.is_open(), timeout), "the dialog stayed open"


def save_screenshot(name, frame):
    folder = os.environ.get("ZARVILO_SCREENSHOTS")
    if folder:
        left, top, right, bottom = frame
        args = ["convert", "xwd:-", "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top),
                "+repage", str(Path(folder) / name)]
        xwd = subprocess.run(["xwd", "-root", "-silent"], capture_output=True, check=True)
        subprocess.run(args, input=xwd.stdout, check=True)


class DialogTestCase(unittest.TestCase):
    def setUp(self):
        self.feed = FeedPeer()
        self.addCleanup(self.feed.close)

    def start(self, config):
        run = ProgramRun(session, config)
        self.addCleanup(run.stop)
        self.assertIsNotNone(run.window, "the program's window did not appear")
        return run

    def open_settings(self, run):
        run.command(IDM_SETTINGS)
        return wait_dialog(run, SETTINGS)[0]

    def confirm(self, dialog):
        dialog.click(IDOK)
        wait_closed(dialog)

    def config(self, run):
        path = run.directory / "Quorbel.cfg"
        return path.read_bytes() if path.exists() else None

    def tooltip(self):
        """The tray icon's tooltip, read after the pointer newly enters the icon."""
        subprocess.run(["xdotool", "mousemove", "300", "300"], check=True)
        time.sleep(0.3)
        subprocess.run(["xdotool", "mousemove", str(TRAY_ICON[0]), str(TRAY_ICON[1])], check=True)
        status, text = session.drive("tooltip", "4000")
        return text if status == 0 else None

    def assertTooltipShows(self, value, timeout=8):
        tip = READING_TIP % value
        self.assertTrue(wait_for(lambda: self.tooltip() == tip, timeout, interval=0.5), self.tooltip())


class SettingsOk(DialogTestCase):
    @smoke
    def test_ok_after_a_start_without_file_writes_the_seven_entries_in_order(self):
        run = self.start(None)
        dialog = self.open_settings(run)
        default_log = windows_path(run.directory / "Quorbel.log").encode()
        self.assertEqual(dialog.text(IDC_SOURCE_URL), DEFAULT_SOURCE)
        self.assertEqual(dialog.text(IDC_REFRESH_MINUTES), b"10")
        self.assertEqual(dialog.text(IDC_PROXY_HOST), FEED_HOST)
        self.assertEqual(dialog.text(IDC_PROXY_PORT), b"80")
        self.assertEqual(dialog.text(IDC_LOG_FILE), default_log)
        self.assertIsNone(self.config(run), "the file exists before OK")
        save_screenshot("settings-dialog.png", dialog.frame)
        self.confirm(dialog)
        self.assertEqual(
            entries(self.config(run)),
            [b"[Settings]", b"SourceURL=" + DEFAULT_SOURCE, b"RefreshTime=10", b"[Proxy]", b"UseProxy=0",
             b"HostName=" + FEED_HOST, b"RemotePort=80", b"[LogOptions]", b"WriteLog=0",
             b"LogFile=" + default_log],
        )

    def test_ok_keeps_other_sections_and_keys_byte_for_byte(self):
        foreign = b"; kept\r\n[Window]\r\nLeft=\xe4\xe0 = 5\r\n"
        extra = b"Comment=\xf2\xe5\xf1\xf2 = 1\r\n"
        config = full_config(self.feed.url())
        config = foreign + config.replace(b"[Proxy]\r\n", b"[Proxy]\r\n" + extra)
        run = self.start(config)
        self.confirm(self.open_settings(run))
        written = self.config(run)
        self.assertTrue(written.startswith(foreign), written)
        self.assertIn(b"[Proxy]\r\n" + extra, written)

    def test_ok_refreshes_from_the_new_source_without_resetting_the_icon(self):
        run = self.start(full_config(self.feed.url("?value=-12,5")))
        self.assertTooltipShows(b"-12.5")
        dialog = self.open_settings(run)
        requests = self.feed.requests
        late_source = self.feed.url("?mode=late&delay=4&value=5,0").encode()
        dialog.type(IDC_SOURCE_URL, late_source)
        self.confirm(dialog)
        self.assertTrue(self.feed.wait_requests(requests + 1, 5))
        # While the new source answers late, the old reading stays.
        self.assertEqual(self.tooltip(), READING_TIP % b"-12.5")
        self.assertTooltipShows(b"5.0")
        self.assertIn(b"SourceURL=" + late_source, entries(self.config(run)))


class SettingsCancel(DialogTestCase):
    def test_cancel_writes_nothing(self):
        config = full_config(self.feed.url())
        run = self.start(config)
        dialog = self.open_settings(run)
        dialog.type(IDC_SOURCE_URL, b"http://127.0.0.1:1/changed.js")
        dialog.type(IDC_REFRESH_MINUTES, b"55")
        dialog.click(IDCANCEL)
        wait_closed(dialog)
        self.assertEqual(self.config(run), config)
        dialog = self.open_settings(run)
        self.assertEqual(dialog.text(IDC_SOURCE_URL), self.feed.url().encode())
        self.assertEqual(dialog.text(IDC_REFRESH_MINUTES), b"10")

    def test_a_log_file_picked_then_cancelled_is_used_for_the_rest_of_the_run(self):
        config = full_config(self.feed.url("?value=2,5"), write_log=1)
        run = self.start(config)
        default_log = run.directory / "Quorbel.log"
        self.assertTrue(wait_for(lambda: default_log.exists() and default_log.read_bytes(), 5))
        lines_before = default_log.read_bytes()
        picked = run.directory / "picked.log"

        dialog = self.open_settings(run)
        dialog.click(IDC_BROWSE_LOG)
        chooser = wait_dialog(run, CHOOSER)[0]
        self.assertEqual(chooser.text(CHOOSER_TYPES), ALL_FILES)
        chooser.type(CHOOSER_NAME, windows_path(picked).encode())
        chooser.click(IDOK)
        # The file does not exist yet: the chooser asks before taking it.
        question = [box for box in wait_dialog(run, CHOOSER, count=2) if box.handle != chooser.handle][0]
        question.click(IDYES)
        wait_closed(chooser)
        self.assertEqual(dialog.text(IDC_LOG_FILE), windows_path(picked).encode())
        dialog.click(IDCANCEL)
        wait_closed(dialog)

        self.assertEqual(self.config(run), config)
        run.command(IDM_REFRESH)
        self.assertTrue(wait_for(lambda: picked.exists() and picked.read_bytes(), 8))
        self.assertRegex(picked.read_bytes(), rb"^\d\d\.\d\d\.\d{4}  \d\d:\d\d  2\.5\r\n$")
        self.assertEqual(default_log.read_bytes(), lines_before)


class MinutesField(DialogTestCase):
    def minutes_after(self, run, typed):
        """Types a number, confirms, and answers the RefreshTime saved."""
        dialog = self.open_settings(run)
        dialog.type(IDC_REFRESH_MINUTES, typed)
        self.confirm(dialog)
        line = [entry for entry in entries(self.config(run)) if entry.startswith(b"RefreshTime=")]
        return line[0].split(b"=")[1]

    def test_spin_arrows_and_keys_step_by_ten_within_their_bounds(self):
        run = self.start(full_config(self.feed.url()))
        dialog = self.open_settings(run)
        steps = [("up", b"20"), ("down", b"10"), ("down", b"10")]
        for direction, shown in steps:
            dialog.spin(direction)
            self.assertTrue(wait_for(lambda: dialog.text(IDC_REFRESH_MINUTES) == shown, 3),
                            (direction, dialog.text(IDC_REFRESH_MINUTES)))
        dialog.key(IDC_REFRESH_MINUTES, VK_UP)
        self.assertTrue(wait_for(lambda: dialog.text(IDC_REFRESH_MINUTES) == b"20", 3))
        dialog.type(IDC_REFRESH_MINUTES, b"100")
        dialog.key(IDC_REFRESH_MINUTES, VK_UP)
        self.assertTrue(wait_for(lambda: dialog.text(IDC_REFRESH_MINUTES) == b"30", 3),
                        "a step replaces the typed number: %r" % dialog.text(IDC_REFRESH_MINUTES))
        dialog.click(IDCANCEL)
        wait_closed(dialog)

        for start, direction, shown in [(b"1440", "up", b"1440"), (b"15", "down", b"5"), (b"5", "down", b"5")]:
            self.assertEqual(self.minutes_after(run, start), start)
            dialog = self.open_settings(run)
            dialog.spin(direction)
            time.sleep(0.3)
            self.assertEqual(dialog.text(IDC_REFRESH_MINUTES), shown, (start, direction))
            dialog.click(IDCANCEL)
            wait_closed(dialog)

    def test_typed_numbers_are_stored_and_an_empty_field_stores_ten(self):
        run = self.start(full_config(self.feed.url()))
        for typed, stored in [(b"100", b"100"), (b"", b"10"), (b"0", b"10"), (b"99999", b"99999"),
                              (b"3000000000", b"2147483647")]:
            self.assertEqual(self.minutes_after(run, typed), stored, typed)


class CheckBoxes(DialogTestCase):
    def test_check_boxes_enable_and_disable_their_fields_and_keep_the_texts(self):
        run = self.start(full_config(self.feed.url(), use_proxy=1, write_log=0, log_file=b"C:\\x.log"))
        dialog = self.open_settings(run)
        self.assertTrue(dialog.state(IDC_USE_PROXY)["checked"])
        self.assertTrue(dialog.state(IDC_PROXY_HOST)["enabled"])
        self.assertFalse(dialog.state(IDC_LOG_FILE)["enabled"])
        self.assertFalse(dialog.state(IDC_BROWSE_LOG)["enabled"])
        dialog.click(IDC_USE_PROXY)
        dialog.click(IDC_WRITE_LOG)
        self.assertTrue(wait_for(lambda: not dialog.state(IDC_PROXY_HOST)["enabled"], 3))
        self.assertFalse(dialog.state(IDC_PROXY_PORT)["enabled"])
        self.assertTrue(dialog.state(IDC_LOG_FILE)["enabled"])
        self.assertTrue(dialog.state(IDC_BROWSE_LOG)["enabled"])
        self.assertEqual(dialog.text(IDC_PROXY_HOST), b"proxy.test")
        self.assertEqual(dialog.text(IDC_PROXY_PORT), b"3128")
        self.confirm(dialog)
        saved = entries(self.config(run))
        for entry in [b"UseProxy=0", b"HostName=proxy.test", b"RemotePort=3128", b"WriteLog=1"]:
            self.assertIn(entry, saved)

    def test_a_negative_proxy_flag_shows_unticked_and_saves_zero(self):
        run = self.start(full_config(self.feed.url(), use_proxy=-1))
        dialog = self.open_settings(run)
        self.assertFalse(dialog.state(IDC_USE_PROXY)["checked"])
        self.assertFalse(dialog.state(IDC_PROXY_HOST)["enabled"])
        self.assertFalse(dialog.state(IDC_PROXY_PORT)["enabled"])
        self.confirm(dialog)
        self.assertIn(b"UseProxy=0", entries(self.config(run)))


class OneOfEach(DialogTestCase):
    def assertStaysSingle(self, run, caption):
        time.sleep(1)
        self.assertEqual(len(dialogs(run, caption)), 1)

    def test_second_settings_command_does_nothing_and_the_about_box_opens_on_top(self):
        run = self.start(full_config(self.feed.url()))
        settings = self.open_settings(run)
        run.command(IDM_SETTINGS)
        self.assertStaysSingle(run, SETTINGS)
        run.command(IDM_ABOUT)
        about = wait_dialog(run, ABOUT)[0]
        run.command(IDM_ABOUT)
        self.assertStaysSingle(run, ABOUT)
        about.click(IDOK)
        wait_closed(about)
        self.assertTrue(settings.is_open())
        settings.click(IDCANCEL)
        wait_closed(settings)

    def test_settings_opens_over_the_about_box(self):
        run = self.start(full_config(self.feed.url()))
        run.command(IDM_ABOUT)
        about = wait_dialog(run, ABOUT)[0]
        settings = self.open_settings(run)
        self.confirm(settings)
        self.assertTrue(about.is_open())
        about.key(0, VK_ESCAPE)
        wait_closed(about)

    def test_each_way_of_closing_lets_the_dialog_open_again(self):
        run = self.start(full_config(self.feed.url()))
        closings = [
            ("OK button", lambda d: d.click(IDOK)),
            ("Cancel button", lambda d: d.click(IDCANCEL)),
            ("Enter", lambda d: d.key(0, VK_RETURN)),
            ("Esc", lambda d: d.key(0, VK_ESCAPE)),
            ("close box", lambda d: d.post(WM_SYSCOMMAND, SC_CLOSE)),
        ]
        for caption, command in [(SETTINGS, IDM_SETTINGS), (ABOUT, IDM_ABOUT)]:
            for way, close in closings:
                if caption == ABOUT and way == "Cancel button":
                    continue  # the about box has none
                with self.subTest(dialog=caption, way=way):
                    run.command(command)
                    dialog = wait_dialog(run, caption)[0]
                    close(dialog)
                    wait_closed(dialog)


def logo_on_screen():
    """The logo bitmap (5-5-5, bottom-up) as a 24-bit screen shows it: rows
    of RGB bytes, top row first."""
    data = (RESOURCES / "logo.bmp").read_bytes()
    offset = int.from_bytes(data[10:14], "little")
    widen = lambda v: (v << 3) | (v >> 2)  # noqa: E731
    rows = []
    for y in range(48):
        row = bytearray()
        for x in range(48):
            word = int.from_bytes(data[offset + (y * 48 + x) * 2 : offset + (y * 48 + x) * 2 + 2], "little")
            row += bytes([widen((word >> 10) & 31), widen((word >> 5) & 31), widen(word & 31)])
        rows.append(bytes(row))
    return rows[::-1]


class AboutBox(DialogTestCase):
    def open_about(self):
        run = self.start(full_config(self.feed.url()))
        run.command(IDM_ABOUT)
        return run, wait_dialog(run, ABOUT)[0]

    def test_screen_shows_the_logo_the_six_groove_rows_and_the_blue_addresses(self):
        run, about = self.open_about()
        time.sleep(0.5)
        colours = session.drive("sys-colours")[1].decode().split()
        face, shadow, highlight, text = (bytes.fromhex(colour) for colour in colours)
        screen = Screen()
        save_screenshot("about-dialog.png", about.frame)
        x0, y0 = about.client
        self.assertEqual([screen.row(x0 + 62, y0 + 32 + i, 48) for i in range(48)], logo_on_screen())
        for row in (85, 175, 295):
            self.assertEqual(screen.row(x0 + 60, y0 + row, 165), shadow * 165, row)
            self.assertEqual(screen.row(x0 + 60, y0 + row + 1, 165), highlight * 165, row + 1)
            self.assertNotEqual(screen.row(x0 + 59, y0 + row, 1), shadow)
            self.assertNotEqual(screen.row(x0 + 225, y0 + row, 1), shadow)
        for label in (IDC_MAIL_LINK, IDC_WEB_LINK):
            left, top, right, bottom = about.state(label)["rect"]
            pixels = [screen.row(x, y, 1) for y in range(top, bottom) for x in range(left, right)]
            self.assertGreater(pixels.count(BLUE), 20, label)
            self.assertEqual(pixels.count(text), 0, "the label's own word shows in %d" % label)

    @not_emulated(SHELL_LINKS_EMULATED)
    def test_clicks_on_the_labels_reach_the_browser_and_the_box_stays_open(self):
        run, about = self.open_about()
        visits = len(session.browser_visits())
        for label in (IDC_MAIL_LINK, IDC_WEB_LINK):
            left, top, right, bottom = about.state(label)["rect"]
            subprocess.run(["xdotool", "mousemove", str(left + 5), str((top + bottom) // 2), "click", "1"],
                           check=True)
            time.sleep(0.3)
        self.assertTrue(wait_for(lambda: len(session.browser_visits()) >= visits + 2, 5))
        self.assertEqual(session.browser_visits()[visits:], ["mailto:" + MAIL_ADDRESS, WEB_ADDRESS])
        self.assertTrue(about.is_open())


if __name__ == "__main__":
    harness.run_tests()
