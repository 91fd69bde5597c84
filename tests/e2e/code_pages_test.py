#!/usr/bin/env python3
"""The program under code pages for non-Unicode programs other than its home
1251 (Wine takes it from LC_CTYPE): its texts read back as Unicode, its log
written from folders the code page cannot name, and its configuration file,
text in the code page, kept as it was where the code page cannot hold a value."""

import re
import tempfile
import unittest
from pathlib import Path

import harness
from dialogs_test import IDC_LOG_FILE, IDC_PROXY_HOST, IDC_REFRESH_MINUTES, IDCANCEL, IDOK, dialogs, entries
from harness import IDM_ABOUT, IDM_SETTINGS, WM_TRAYNOTIFY, FeedPeer, ProgramRun, Screen, as_shown, smoke, wait_for
from texts import LABELS, UNSAVED

HOME = "ru_RU.UTF-8"  # 1251
OTHERS = {"1252": "en_US.UTF-8", "932": "ja_JP.UTF-8"}  # a Western and a double-byte code page
VK_ESCAPE = 0x1B
LOG_LINE = rb"\A\d\d\.\d\d\.\d{4}  \d\d:\d\d  -12\.5\r\n\Z"


class CodePages(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = harness.WineSession()
        cls.addClassCleanup(cls.session.close)
        cls.feed = FeedPeer("-12,5")
        cls.addClassCleanup(cls.feed.close)

    def start(self, locale, config=None, folder=None, **settings):
        directory = None
        if folder:
            directory = Path(tempfile.mkdtemp(dir=self.session.scratch)) / folder
            directory.mkdir()
        run = ProgramRun(self.session, config or harness.config_text(self.feed.url(), **settings),
                         directory=directory, locale=locale)
        self.addCleanup(run.stop)
        self.assertTrue(run.window, "the program did not start")
        return run

    def open(self, run, caption, command=None):
        if command:
            run.command(command)
        self.assertTrue(wait_for(lambda: dialogs(run, as_shown(caption)), 10), caption)
        return dialogs(run, as_shown(caption))[0]

    def controls(self, dialog):
        return {bytes.fromhex(words[1]).decode() if len(words) > 1 else "" for words in dialog.ask("controls", None)}

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
        home = self.start(HOME, harness.config_text("http://127.0.0.1:1/none.js"))
        home_menu = self.menu_pixels(home)
        home.stop()
        for code_page, locale in OTHERS.items():
            with self.subTest(code_page):
                run = self.start(locale, harness.config_text("http://127.0.0.1:1/none.js"))
                icon = wait_for(lambda: Screen().find(harness.picture(harness.UNKNOWN)), 5)
                self.assertEqual(self.session.tooltip_at(icon[0]), as_shown("no data"))
                self.assertEqual(self.menu_pixels(run), home_menu, "the menu's texts differ from 1251's")
                for caption, command in (("settings", IDM_SETTINGS), ("about", IDM_ABOUT)):
                    dialog = self.open(run, caption, command)
                    self.assertLessEqual(LABELS[caption], self.controls(dialog))
                    dialog.close(IDCANCEL if caption == "settings" else IDOK)
                # A text the code page lacks: the file keeps the old one and a box says so.
                settings = self.open(run, "settings", IDM_SETTINGS)
                settings.type(IDC_PROXY_HOST, "ก.test".encode())
                settings.type(IDC_REFRESH_MINUTES, b"20")
                settings.close()
                box = self.open(run, "settings")
                self.assertIn(UNSAVED % "адрес прокси", self.controls(box))
                box.close(IDOK)
                written = entries((run.directory / "Quorbel.cfg").read_bytes())
                self.assertIn(b"RefreshTime=20", written)
                self.assertFalse([entry for entry in written if entry.startswith(b"HostName=")])
                run.stop()

    def test_log_is_written_from_a_folder_the_code_page_cannot_name(self):
        for locale, folder in ((OTHERS["1252"], "Дарья"), (HOME, "天気")):
            with self.subTest(folder):
                run = self.start(locale, folder=folder, write_log=1)
                log = run.directory / "Quorbel.log"
                self.assertTrue(wait_for(lambda: log.exists() and log.read_bytes(), 8), "no log line")
                self.assertRegex(log.read_bytes(), LOG_LINE)
                run.stop()

    def test_a_file_of_today_reads_and_saves_the_same_and_a_path_the_code_page_lacks_goes_by_its_short_name(self):
        # As today's program wrote it on a Russian system, the log left to its default.
        config = ("[Settings]\r\nSourceURL=%s\r\nRefreshTime=10\r\n[Proxy]\r\nUseProxy=0\r\nHostName=прокси.test\r\n"
                  "RemotePort=3128\r\n[LogOptions]\r\nWriteLog=1\r\nLogFile=\r\n; заметка\r\n"
                  % self.feed.url()).encode("cp1251")
        run = self.start(HOME, config, folder="天気")
        dialog = self.open(run, "settings", IDM_SETTINGS)
        self.assertEqual(dialog.text(IDC_PROXY_HOST), "прокси.test".encode())
        self.assertEqual(dialog.text(IDC_LOG_FILE), harness.windows_path(run.directory / "Quorbel.log").encode())
        dialog.close()
        written = (run.directory / "Quorbel.cfg").read_bytes()
        short = re.search(rb"\r\nLogFile=(.*)\r\n", written)[1]
        self.assertRegex(short, rb"\A[ -~]+\\Quorbel\.log\Z", "not a short name of plain letters")
        self.assertEqual(written, config.replace(b"LogFile=\r\n", b"LogFile=" + short + b"\r\n"))
        self.assertTrue(wait_for(lambda: (run.directory / "Quorbel.log").exists(), 8))
        run.stop()
        # Started again, the program logs through that name into the same file.
        again = self.start(HOME, written, folder="天気")
        self.assertTrue(wait_for(lambda: len((run.directory / "Quorbel.log").read_bytes().splitlines()) >= 2, 8))
        again.stop()


if __name__ == "__main__":
    harness.run_tests()
