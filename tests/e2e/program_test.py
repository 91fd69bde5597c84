#!/usr/bin/env python3
"""The program end to end under Wine, driven from outside, seen on the screen and through a stand-in
browser; the cases share two copies and run in the order written, the last two end the copies."""

import os
import socket
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

import harness
from harness import (
    IDM_EXIT, IDM_REFRESH, IDM_START_WITH_WINDOWS, UNKNOWN, WM_CLOSE, WM_TIMER, WM_TRAYNOTIFY, FeedPeer,
    ProgramRun, Screen, as_shown, mouse, not_emulated, picture, smoke, wait_for,
)

NIM_DELETE_CALL = "dwMessage = 2"  # in the trace: Wine removes a gone window's icon itself
STARTUP_APPROVED = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\StartupFolder"


def read_shortcut(path):
    """A shell link file's (MS-SHLLINK) target, from its LinkInfo (Wine writes the ANSI one), and working folder,
    from its string data."""
    data = path.read_bytes()
    number = lambda at, size=4: int.from_bytes(data[at : at + size], "little")  # noqa: E731
    ansi = lambda offset: data[offset : data.index(b"\0", offset)].decode("cp1251")  # noqa: E731
    flags, at, target = number(20), 76, None
    if flags & 0x1:  # HasLinkTargetIDList
        at += 2 + number(at, 2)
    if flags & 0x2:  # HasLinkInfo: the local base path and the common path suffix
        target = ansi(at + number(at + 16)) + ansi(at + number(at + 24))
        at += number(at)
    strings = {}
    for bit in (0x4, 0x8, 0x10, 0x20, 0x40):  # name, relative path, working folder, arguments, icon: UTF-16
        if flags & bit:
            end = at + 2 + 2 * number(at, 2)
            strings[bit], at = data[at + 2 : end].decode("utf-16-le"), end
    return target, strings.get(0x10, "").removesuffix("\0")  # Wine counts the terminator too


def logged(run):
    """The values of a copy's log lines."""
    return [line.split(b"  ")[-1] for line in (run.directory / "Quorbel.log").read_bytes().splitlines()]


def directory_of_length(base, length):  # as Windows names it: "Z:" and the Unix path
    name = "".join("/" if i % 101 == 100 else "d" for i in range(length - len(harness.windows_path(base)) - 1))
    directory = base / (name[:-2] + "/d" if name.endswith("/") else name)
    directory.mkdir(parents=True)
    assert len(harness.windows_path(directory)) == length
    return directory


class Tray(unittest.TestCase):
    """a logs, its feed answers as a case says; b refreshes every minute from the longest start-up folder, reads 4.5."""

    @classmethod
    def setUpClass(cls):
        cls.session = harness.WineSession()
        cls.addClassCleanup(cls.session.close)
        cls.feed_a, cls.feed_b = FeedPeer("-12,5", mode="late"), FeedPeer("4,5")
        for feed in (cls.feed_a, cls.feed_b):
            cls.addClassCleanup(feed.close)
        longest = directory_of_length(cls.session.scratch / "deep", 259 - len("\\Quorbel.cfg"))
        cls.b = cls.enterClassContext(
            ProgramRun(cls.session, harness.config_text(cls.feed_b.url(), refresh_time=1), "+systray", longest))
        cls.b_started = time.monotonic()
        wait_for(lambda: cls.icons(4.5), 8)  # a's icon is then the only one without a reading
        cls.a = cls.enterClassContext(
            ProgramRun(cls.session, harness.config_text(cls.feed_a.url("?delay=3"), write_log=1), "+systray"))

    def setUp(self):
        self.assertTrue(self.a.window and self.b.window, "a copy of the program did not start")

    @staticmethod
    def icons(temperature):
        return Screen().find(picture(temperature))

    def assertIconShows(self, temperature, timeout=8):
        found = wait_for(lambda: self.icons(temperature), timeout)
        self.assertTrue(found, "no tray icon shows the picture for %r" % temperature)
        return found[0]

    def feed(self, value, **options):
        feed = FeedPeer(value, **options)
        self.addCleanup(feed.close)
        return feed

    def refresh_a(self, value, mode="ok"):
        requests = self.feed_a.requests
        self.feed_a.serve(value, mode)
        self.a.command(IDM_REFRESH)
        return requests

    @smoke
    def test_start_shows_no_reading_then_the_reading_with_their_tooltips(self):
        # a's feed answers late, so the start-up picture stays long enough to see.
        position = self.assertIconShows(UNKNOWN, timeout=1)
        self.assertEqual(self.session.tooltip_at(position), as_shown("no data"))
        position = self.assertIconShows(-12.5)
        self.assertEqual(self.session.tooltip_at(position), as_shown("reading", "-12.5"))

    def test_timed_refresh_comes_after_refresh_time_minutes_of_ticks(self):
        # b counts a minute in ticks, its timer's one a second and posted ones:
        # posted up to six seconds before the minute is full.
        self.assertTrue(self.feed_b.wait_requests(1, 5))
        requests = self.feed_b.requests
        self.b.post(WM_TIMER, 1, 0, 54 - int(time.monotonic() - self.b_started))
        self.assertFalse(self.feed_b.wait_requests(requests + 1, 2))
        self.assertTrue(self.feed_b.wait_requests(requests + 1, 12))

    def test_refresh_command_shows_no_reading_at_once_then_the_new_reading(self):
        self.refresh_a("2,5")
        self.assertIconShows(2.5)
        self.refresh_a("3,5", "late")
        self.assertIconShows(UNKNOWN, timeout=1)
        self.assertIconShows(3.5)

    def test_resume_shows_no_reading_at_once_and_retries_until_the_network_is_back(self):
        # The retries count timer ticks: 30 posted ones stand for half a minute. How often and what is
        # logged is the retry table's; the first refresh's case sees the log line.
        self.refresh_a("2,5")
        self.assertIconShows(2.5)
        requests = self.feed_a.requests
        self.feed_a.serve("-1,5", "reset")
        self.a.post(harness.WM_POWERBROADCAST, harness.PBT_APMRESUMEAUTOMATIC)
        self.assertIconShows(UNKNOWN, timeout=1)
        self.assertTrue(self.feed_a.wait_requests(requests + 1, 5))
        time.sleep(0.5)  # the resume's refresh is refused before the feed comes back
        self.feed_a.serve("-1,5")
        self.a.post(WM_TIMER, 1, 0, 30)
        self.assertIconShows(-1.5)

    @not_emulated(harness.SHELL_LINKS_EMULATED)
    def test_graph_page_on_double_click_only(self):
        # The menu's graph command opens it too: the right button's case chooses it.
        self.refresh_a("1,5")
        position = self.assertIconShows(1.5)
        visits = lambda: self.session.browser_visits().count(harness.GRAPH_PAGE)  # noqa: E731
        self.a.post(WM_TRAYNOTIFY, 1, harness.WM_LBUTTONDOWN)
        self.assertFalse(wait_for(lambda: visits() > 0, 0.5), "a single click opened the page")
        self.a.post(WM_TRAYNOTIFY, 1, harness.WM_LBUTTONDBLCLK)
        self.assertTrue(wait_for(lambda: visits() == 1, 5))
        # A real double-click on the icon, through the callback message the program gave the shell.
        mouse(position[0] + 8, position[1] + 8, "click", "--repeat", 2, "--delay", 80, 1)
        self.assertTrue(wait_for(lambda: visits() == 2, 5))

    @not_emulated(harness.SHELL_LINKS_EMULATED)
    def test_right_button_opens_the_menu_at_the_pointer_with_the_graph_first(self):
        mouse(400, 300)
        self.a.post(WM_TRAYNOTIFY, 1, harness.WM_RBUTTONDOWN)
        menus = wait_for(lambda: [w for w in self.session.windows("#32768") if w.visible], 4)
        self.assertTrue(menus, "no menu opened")
        left, top, right, bottom = menus[0].rect
        self.assertEqual((right, bottom), (400, 300))
        self.assertLess(left, right)
        visits = self.session.browser_visits()
        for key in (0x28, 0x0D):  # down to the first entry, then Enter
            self.session.ask("post", menus[0].handle, harness.WM_KEYDOWN, key, 0)
        self.assertTrue(wait_for(lambda: self.session.browser_visits() == visits + [harness.GRAPH_PAGE], 5))

    def test_taskbar_created_adds_the_lost_icon_again_with_its_picture_and_tooltip(self):
        self.refresh_a("-7,5")
        self.assertIconShows(-7.5)
        self.session.ask("tray-forget", self.a.window)
        self.assertTrue(wait_for(lambda: not self.icons(-7.5), 3))
        self.a.post("TaskbarCreated")
        position = self.assertIconShows(-7.5, timeout=3)
        self.assertEqual(self.session.tooltip_at(position), as_shown("reading", "-7.5"))
        # Told again while the icon is there: still one icon.
        self.a.post("TaskbarCreated")
        time.sleep(1)
        self.assertEqual(len(self.icons(-7.5)), 1)

    def test_an_icon_the_shell_lost_comes_back_on_the_timer(self):
        self.session.ask("tray-forget", self.a.window)
        self.assertTrue(wait_for(lambda: not self.icons(-7.5), 3))
        # The refresh command's modification is refused: now the program knows the icon is lost.
        self.refresh_a("6,5")
        self.assertIconShows(6.5, timeout=5)

    def resources_after(self, run, feed, refreshes, compositions=0):
        """GDI objects and handles once the TaskbarCreated messages and the refreshes asked for are done."""
        requests = feed.requests
        feed.serve("2,5")
        run.post("TaskbarCreated", 0, 0, compositions)
        run.post(harness.WM_COMMAND, IDM_REFRESH, 0, refreshes)
        self.assertTrue(feed.wait_requests(requests + refreshes, 5 * refreshes))
        self.assertIconShows(2.5)
        time.sleep(1.5)
        return self.session.ask("resources", run.window)[0]

    @not_emulated(harness.MEMORY_READ_EMULATED)
    def test_many_compositions_and_refreshes_leave_gdi_objects_and_handles_as_they_were(self):
        counts = self.resources_after(self.a, self.feed_a, 2, 100)  # the first rounds make what lives on
        self.assertEqual(self.resources_after(self.a, self.feed_a, 8, 1000), counts)

    def trusted_https_feed(self, value):
        """A feed over TLS whose test authority the prefix trusts until the case ends."""
        authority = harness.TestAuthority(tempfile.mkdtemp(dir=self.session.scratch))
        feed = self.feed(value, certificate=authority.issue("tls"))
        tool = os.environ["ZARVILO_TRUST_ROOT"]
        self.addCleanup(authority.trust(lambda *arguments: self.session.start(
            tool, *arguments, cwd=self.session.scratch, output=os.devnull).wait(60)))
        return feed

    @smoke
    def test_https_source_shows_the_reading_its_tooltip_and_log_line(self):
        feed = self.trusted_https_feed("5,5")
        directory = Path(tempfile.mkdtemp(dir=self.session.scratch))
        log = directory / "Quorbel.log"
        config = harness.config_text(feed.url(), write_log=1, log_file=harness.windows_path(log))
        with ProgramRun(self.session, config, directory=directory):
            self.assertIconShows(5.5)  # its tooltip as over http://
        self.assertRegex(log.read_bytes(), rb"^\d\d\.\d\d\.\d{4}  \d\d:\d\d  5\.5\r\n$")

    @smoke
    def test_source_on_ipv6_only_shows_its_reading(self):
        with ProgramRun(self.session, harness.config_text(self.feed("-6,5", host="::1").url())):
            self.assertIconShows(-6.5)

    def test_first_refresh_retries_until_the_network_is_up_and_logs_one_line(self):
        feed = self.feed("-2,5", mode="reset")
        with ProgramRun(self.session, harness.config_text(feed.url(), write_log=1)) as run:
            self.assertTrue(feed.wait_requests(1, 5))
            time.sleep(0.5)  # the first try is refused before the feed comes up
            feed.serve("-2,5")
            run.post(WM_TIMER, 1, 0, 30)  # half a minute of ticks
            self.assertIconShows(-2.5)
            self.assertEqual(feed.requests, 2)
            self.assertEqual(wait_for(lambda: logged(run), 5), [b"-2.5"])

    def test_start_with_windows_item_keeps_a_shortcut_per_folder_that_sign_in_starts(self):
        # The Startup folder ("StartUp" in Wine) is made by the first shortcut.
        programs = next(Path(self.session.env["WINEPREFIX"], "drive_c", "users").glob(
            "*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"))
        shortcuts = lambda: set(programs.glob("[Ss]tart[Uu]p/*.lnk"))  # noqa: E731
        before = shortcuts()
        self.addCleanup(lambda: [path.unlink() for path in shortcuts() - before])
        runs, made = [], {}
        for place, value in (("one", "8,5"), ("two", "9,5")):  # two folders of one name
            directory = self.session.scratch / place / "Погода"
            directory.mkdir(parents=True)
            run = self.enterContext(ProgramRun(self.session, harness.config_text(self.feed(value).url()),
                                               directory=directory))
            runs.append(run)
            earlier = shortcuts()
            run.command(IDM_START_WITH_WINDOWS)
            new = wait_for(lambda: shortcuts() - earlier, 5)
            self.assertEqual(len(new), 1, "one shortcut for each folder")
            made[run] = new.pop()
            self.assertEqual(read_shortcut(made[run]),
                             (harness.windows_path(self.session.exe), harness.windows_path(run.directory)))

        def wine(*arguments):  # a Windows program of Wine's own, in the session's prefix
            return subprocess.run([harness.WINE64, *arguments], env=self.session.env, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60).returncode

        # Disabled in Task Manager, the item is unchecked: choosing it enables the shortcut again.
        name = made[runs[0]].name
        disabled = "03" + "00" * 11
        self.assertEqual(wine("reg", "add", STARTUP_APPROVED, "/v", name, "/t", "REG_BINARY", "/d", disabled, "/f"), 0)
        runs[0].command(IDM_START_WITH_WINDOWS)
        self.assertTrue(wait_for(lambda: wine("reg", "query", STARTUP_APPROVED, "/v", name) != 0, 5), "still disabled")
        self.assertFalse(wait_for(lambda: shortcuts() - before != set(made.values()), 1), "a shortcut went")
        # Checked, it removes its own shortcut only; checked again, it makes it anew.
        runs[1].command(IDM_START_WITH_WINDOWS)
        self.assertTrue(wait_for(lambda: shortcuts() - before == {made[runs[0]]}, 5))
        runs[1].command(IDM_START_WITH_WINDOWS)
        self.assertTrue(wait_for(lambda: shortcuts() - before == set(made.values()), 5))

        # Signing in again: Wine's start-up run of the Startup folder starts each copy in its folder.
        for run in runs:
            run.stop()
        self.assertTrue(wait_for(lambda: not self.icons(8.5) and not self.icons(9.5), 5))
        earlier = self.session.windows("Zarvilo")
        wine("wineboot")
        self.addCleanup(lambda: [self.session.ask("post", w.handle, WM_CLOSE, 0, 0)
                                 for w in self.session.windows("Zarvilo") if w not in earlier])
        self.assertIconShows(8.5, timeout=15)
        self.assertIconShows(9.5, timeout=15)

    @not_emulated(harness.MEMORY_READ_EMULATED)
    def test_https_refreshes_leave_handles_as_they_were_and_never_ask_twice(self):
        feed = self.trusted_https_feed("2,5")
        stranger = harness.TestAuthority(self.session.scratch / "other-ca", "Unknown")
        refusing = self.feed("2,5", certificate=stranger.issue("x"))
        with ProgramRun(self.session, harness.config_text(feed.url())) as run:
            counts = self.resources_after(run, feed, 2)
            self.assertEqual(self.resources_after(run, feed, 8), counts)
        # The program never asks why a certificate was refused: one connection per refresh.
        with ProgramRun(self.session, harness.config_text(refusing.url())) as run:
            self.assertTrue(refusing.wait_requests(1, 8))
            run.command(IDM_REFRESH)
            self.assertTrue(refusing.wait_requests(2, 8))
            time.sleep(2)
            self.assertEqual(refusing.requests, 2)

    def test_program_answers_and_exits_while_an_https_exchange_hangs(self):
        silent = socket.create_server(("127.0.0.1", 0))  # accepts, never answers the handshake
        self.addCleanup(silent.close)
        source = "https://127.0.0.1:%d/t.js" % silent.getsockname()[1]
        with ProgramRun(self.session, harness.config_text(source)) as run:
            self.assertIconShows(UNKNOWN)
            shown = len(self.icons(UNKNOWN))
            self.session.ask("tray-forget", run.window)
            self.assertTrue(wait_for(lambda: len(self.icons(UNKNOWN)) < shown, 3))
            run.post("TaskbarCreated")
            self.assertTrue(wait_for(lambda: len(self.icons(UNKNOWN)) == shown, 3), "the icon did not come back")
            run.command(IDM_EXIT)
            self.assertEqual(run.wait_exit(5), 0)

    def test_start_up_directory_one_character_too_long_for_the_configuration_refuses_to_start(self):
        # b runs from the longest directory that fits.
        feed = self.feed("4,5")
        directory = directory_of_length(self.session.scratch / "deeper", 260 - len("\\Quorbel.cfg"))
        with ProgramRun(self.session, harness.config_text(feed.url()), directory=directory) as run:
            self.assertIsNone(run.window)
            self.assertEqual(run.wait_exit(), 0)
        self.assertEqual(feed.requests, 0)

    @smoke
    def test_exit_command_and_outside_close_remove_the_icon_and_end_with_code_0(self):
        for run, end in ((self.a, lambda: self.a.command(IDM_EXIT)), (self.b, lambda: self.b.post(WM_CLOSE))):
            self.assertNotIn(NIM_DELETE_CALL, run.output.read_text(errors="replace"))
            end()
            self.assertEqual(run.wait_exit(), 0)
            self.assertIn(NIM_DELETE_CALL, run.output.read_text(errors="replace"))


if __name__ == "__main__":
    harness.run_tests()
