#!/usr/bin/env python3
"""The program end to end under Wine: two copies with their own directories and
feed servers, driven from outside, seen on the screen and through a stand-in
browser; the cases run in the order written, the last two end the copies."""

import os
import tempfile
import time
import unittest
from pathlib import Path

import harness
from harness import (
    IDM_EXIT, IDM_GRAPH, IDM_REFRESH, UNKNOWN, WM_CLOSE, WM_TIMER, WM_TRAYNOTIFY, FeedPeer, ProgramRun, Screen,
    as_shown, mouse, not_emulated, picture, smoke, wait_for,
)

NIM_DELETE_CALL = "dwMessage = 2"  # in the trace: Wine removes a gone window's icon itself


def directory_of_length(base, length):  # as Windows names it: "Z:" and the Unix path
    name = "".join("/" if i % 101 == 100 else "d" for i in range(length - len(harness.windows_path(base)) - 1))
    directory = base / (name[:-2] + "/d" if name.endswith("/") else name)
    directory.mkdir(parents=True)
    assert len(harness.windows_path(directory)) == length
    return directory


class Tray(unittest.TestCase):
    """a logs into its directory, its feed answers as a case says; b refreshes every minute, does
    not log, runs in the longest start-up directory there may be, reads 4.5."""

    @classmethod
    def setUpClass(cls):
        cls.session = harness.WineSession()
        cls.addClassCleanup(cls.session.close)
        cls.feed_a, cls.feed_b = FeedPeer("-12,5", mode="late"), FeedPeer("4,5")
        for feed in (cls.feed_a, cls.feed_b):
            cls.addClassCleanup(feed.close)
        longest = directory_of_length(cls.session.scratch / "deep", 259 - len("\\Quorbel.cfg"))
        cls.b = ProgramRun(cls.session, harness.config_text(cls.feed_b.url(), refresh_time=1), "+systray", longest)
        cls.b_started = time.monotonic()
        cls.addClassCleanup(cls.b.stop)
        wait_for(lambda: cls.icons(4.5), 8)  # a's icon is then the only one without a reading
        cls.a = ProgramRun(cls.session, harness.config_text(cls.feed_a.url("?delay=3"), write_log=1), "+systray")
        cls.addClassCleanup(cls.a.stop)

    def setUp(self):
        self.assertTrue(self.a.window and self.b.window, "a copy of the program did not start")

    @staticmethod
    def icons(temperature):
        return Screen().find(picture(temperature))

    def assertIconShows(self, temperature, timeout=8):
        found = wait_for(lambda: self.icons(temperature), timeout)
        self.assertTrue(found, "no tray icon shows the picture for %r" % temperature)
        return found[0]

    def log_of_a(self):
        return (self.a.directory / "Quorbel.log").read_bytes().splitlines()

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

    def test_pictures_follow_sign_digits_and_fraction(self):
        for value, temperature in [("7,0", 7.0), ("0,0", 0.0), ("10,0", 10.0), ("-0,4", -0.4), ("99,9", 99.9)]:
            with self.subTest(value=value):
                self.refresh_a(value)
                self.assertIconShows(temperature)

    def test_refresh_command_shows_no_reading_at_once_then_the_new_reading(self):
        self.refresh_a("2,5")
        self.assertIconShows(2.5)
        self.feed_a.serve("3,5", "late")
        self.a.command(IDM_REFRESH)
        self.assertIconShows(UNKNOWN, timeout=1)
        self.assertIconShows(3.5)

    def test_resume_retries_until_the_network_is_back_and_logs_one_line(self):
        # The retries count timer ticks: 30 posted ones stand for half a minute.
        self.refresh_a("2,5")
        self.assertTrue(wait_for(lambda: self.log_of_a()[-1].endswith(b"  2.5"), 8))
        lines, requests = len(self.log_of_a()), self.feed_a.requests
        self.feed_a.serve("-1,5", "reset")
        self.a.post(harness.WM_POWERBROADCAST, harness.PBT_APMRESUMEAUTOMATIC)
        self.assertIconShows(UNKNOWN, timeout=1)
        self.assertTrue(self.feed_a.wait_requests(requests + 1, 5))
        self.a.post(WM_TIMER, 1, 0, 30)
        self.assertTrue(self.feed_a.wait_requests(requests + 2, 5), "no retry after a failure")
        time.sleep(0.5)  # the retry's request is answered before the feed comes back
        self.feed_a.serve("-1,5")
        self.a.post(WM_TIMER, 1, 0, 30)
        self.assertIconShows(-1.5)
        self.assertEqual(wait_for(lambda: [line.split(b"  ")[-1] for line in self.log_of_a()[lines:]], 5), [b"-1.5"])

    @not_emulated(harness.SHELL_LINKS_EMULATED)
    def test_graph_page_on_menu_command_and_on_double_click_only(self):
        self.refresh_a("1,5")
        position = self.assertIconShows(1.5)
        visits = lambda: self.session.browser_visits().count(harness.GRAPH_PAGE)  # noqa: E731
        self.a.command(IDM_GRAPH)
        self.assertTrue(wait_for(lambda: visits() == 1, 5))
        self.a.post(WM_TRAYNOTIFY, 1, harness.WM_LBUTTONDOWN)
        self.assertFalse(wait_for(lambda: visits() > 1, 0.5), "a single click opened the page")
        self.a.post(WM_TRAYNOTIFY, 1, harness.WM_LBUTTONDBLCLK)
        self.assertTrue(wait_for(lambda: visits() == 2, 5))
        # A real double-click on the icon, through the callback message the program gave the shell.
        mouse(position[0] + 8, position[1] + 8, "click", "--repeat", 2, "--delay", 80, 1)
        self.assertTrue(wait_for(lambda: visits() == 3, 5))

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

    @not_emulated(harness.MEMORY_READ_EMULATED)
    def test_many_compositions_and_refreshes_leave_gdi_objects_and_handles_as_they_were(self):
        def exercise(compositions, refreshes):
            # Each TaskbarCreated composes one icon; each refresh two, and starts a thread.
            requests = self.feed_a.requests
            self.feed_a.serve("2,5")
            self.a.post("TaskbarCreated", 0, 0, compositions)
            self.a.post(harness.WM_COMMAND, IDM_REFRESH, 0, refreshes)
            self.assertTrue(self.feed_a.wait_requests(requests + refreshes, 5 * refreshes))
            self.assertIconShows(2.5)
            time.sleep(1.5)
            return self.session.ask("resources", self.a.window)[0]

        counts = exercise(100, 2)  # the first rounds make what lives on (the system's caches)
        self.assertEqual(exercise(1000, 8), counts)

    def test_two_copies_side_by_side_each_show_their_own_icon(self):
        self.refresh_a("1,5")
        self.assertNotEqual(self.assertIconShows(1.5), self.assertIconShows(4.5))

    @smoke
    def test_https_source_shows_the_reading_its_tooltip_and_log_line(self):
        authority = harness.TestAuthority(self.session.scratch / "ca")
        feed = FeedPeer("5,5", certificate=authority.issue("tls"))
        self.addCleanup(feed.close)
        tool = os.environ["ZARVILO_TRUST_ROOT"]
        self.addCleanup(authority.trust(lambda *arguments: self.session.start(
            tool, *arguments, cwd=self.session.scratch, output=os.devnull).wait(60)))
        directory = Path(tempfile.mkdtemp(dir=self.session.scratch))
        log = directory / "Quorbel.log"
        config = harness.config_text(feed.url(), write_log=1, log_file=harness.windows_path(log))
        with ProgramRun(self.session, config, directory=directory):
            position = self.assertIconShows(5.5)
            self.assertEqual(self.session.tooltip_at(position), as_shown("reading", "5.5"))
        self.assertRegex(log.read_bytes(), rb"^\d\d\.\d\d\.\d{4}  \d\d:\d\d  5\.5\r\n$")

    @smoke
    def test_source_on_ipv6_only_shows_its_reading(self):
        feed = FeedPeer("8,5", host="::1")
        self.addCleanup(feed.close)
        with ProgramRun(self.session, harness.config_text(feed.url())):
            self.assertIconShows(8.5)

    def test_start_up_directory_one_character_too_long_for_the_configuration_refuses_to_start(self):
        # b runs from the longest directory that fits.
        feed = FeedPeer("4,5")
        self.addCleanup(feed.close)
        directory = directory_of_length(self.session.scratch / "deeper", 260 - len("\\Quorbel.cfg"))
        with ProgramRun(self.session, harness.config_text(feed.url()), directory=directory) as run:
            self.assertIsNone(run.window)
            self.assertEqual(run.wait_exit(), 0)
        self.assertEqual(feed.requests, 0)

    @smoke
    def test_exit_command_removes_the_icon_and_ends_with_code_0(self):
        self.assertNotIn(NIM_DELETE_CALL, self.a.output.read_text(errors="replace"))
        self.a.command(IDM_EXIT)
        self.assertEqual(self.a.wait_exit(), 0)
        self.assertIn(NIM_DELETE_CALL, self.a.output.read_text(errors="replace"))

    def test_outside_close_removes_the_icon_and_ends_with_code_0(self):
        self.b.post(WM_CLOSE)
        self.assertEqual(self.b.wait_exit(), 0)
        self.assertIn(NIM_DELETE_CALL, self.b.output.read_text(errors="replace"))


if __name__ == "__main__":
    harness.run_tests()
