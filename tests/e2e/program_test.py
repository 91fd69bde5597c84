#!/usr/bin/env python3
"""The program end to end under Wine: started in a scratch directory with its
configuration file, fed by a real feed server on 127.0.0.1, driven only from
outside (its window class, tray notifications, menu commands, WM_CLOSE,
registered messages, the mouse), observed on the screen, in its log file,
through a stand-in browser and in the shell calls it makes."""

import re
import subprocess
import time
import unittest

import harness
from harness import (
    IDM_EXIT, IDM_GRAPH, IDM_REFRESH, MEMORY_READ_EMULATED, NO_DATA_TIP, PBT_APMRESUMEAUTOMATIC,
    SHELL_LINKS_EMULATED, WM_CLOSE, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN, WM_POWERBROADCAST,
    WM_RBUTTONDOWN, FeedPeer, ProgramRun, Screen, config_text, not_emulated, smoke, wait_for,
)

UNKNOWN = -273.0
GRAPH_PAGE = "http://meteo.larvinsk.ru/cgi/rrd.pl/to.html"
LOG_LINE = rb"\d\d\.\d\d\.\d{4}  \d\d:\d\d  %s\r\n"
# The three outcomes' log texts, as the Windows-1251 bytes the log holds.
NO_CONNECTION = b"\xcd\xe5\xf2 \xf1\xee\xe5\xe4\xe8\xed\xe5\xed\xe8\xff \xf1 \xf1\xe5\xf0\xe2\xe5\xf0\xee\xec."
INVALID_DATA = (
    b"\xcf\xee\xeb\xf3\xf7\xe5\xed\xfb \xed\xe5\xea\xee\xf0\xf0\xe5\xea\xf2\xed\xfb\xe5 "
    b"\xe4\xe0\xed\xed\xfb\xe5 \xf1 \xf1\xe5\xf0\xe2\xe5\xf0\xe0."
)
NIM_DELETE_CALL = "dwMessage = 2"

session = None
expected = None


def setUpModule():
    global session, expected
    session = harness.WineSession()
    expected = harness.ExpectedPictures(session)


def tearDownModule():
    session.close()


class ProgramTestCase(unittest.TestCase):
    def setUp(self):
        self.feed = FeedPeer()
        self.addCleanup(self.feed.close)

    def start(self, query="", expect_window=True, **config):
        run = ProgramRun(session, config_text(self.feed.url(query), **config), **self.run_options())
        self.addCleanup(run.stop)
        if expect_window:
            self.assertIsNotNone(run.window, "the program's window did not appear")
        return run

    def run_options(self):
        return {}

    def icon_positions(self, temperature):
        return Screen().find(expected(temperature))

    def assertIconShows(self, temperature, timeout=8):
        found = wait_for(lambda: self.icon_positions(temperature), timeout)
        self.assertTrue(found, "no tray icon shows the picture for %r" % temperature)
        return found

    def assertIconGone(self, temperature, timeout=3):
        self.assertTrue(wait_for(lambda: not self.icon_positions(temperature), timeout))

    def tooltip_at(self, position):
        """Hovers the pointer over the icon and reads the tooltip that shows."""
        x, y = position[0] + 8, position[1] + 8
        subprocess.run(["xdotool", "mousemove", "300", "300"], check=True)
        time.sleep(0.3)
        subprocess.run(["xdotool", "mousemove", str(x), str(y)], check=True)
        status, text = session.drive("tooltip", "4000")
        return text if status == 0 else None


class StartAndPictures(ProgramTestCase):
    def test_start_shows_no_reading_first_then_the_exact_reading(self):
        # The feed answers late, so the start-up picture stays long enough to see.
        cases = [("-12,5", -12.5), ("7,0", 7.0), ("0,0", 0.0), ("10,0", 10.0), ("-0,4", -0.4), ("99,9", 99.9)]
        for value, temperature in cases:
            with self.subTest(value=value):
                run = self.start("?mode=late&delay=2&value=" + value)
                self.assertIconShows(UNKNOWN, timeout=1.5)
                self.assertIconShows(temperature)
                run.stop()

    @smoke
    def test_tooltips_of_no_reading_and_of_a_reading(self):
        self.feed.serve("-12,5", mode="late")
        self.start()
        position = self.assertIconShows(UNKNOWN, timeout=1.5)[0]
        self.assertEqual(self.tooltip_at(position), NO_DATA_TIP)
        position = self.assertIconShows(-12.5)[0]
        self.assertEqual(
            self.tooltip_at(position), "Температура в Ларвинске [-12.5] по Цельсию.".encode("cp1251")
        )

    def test_no_reading_when_the_server_cannot_be_reached(self):
        self.feed.serve("5,0", mode="reset")
        self.start()
        self.assertTrue(self.feed.wait_requests(1, 10))
        time.sleep(1.5)
        self.assertIconShows(UNKNOWN, timeout=1)
        self.assertFalse(self.icon_positions(5.0))

    def test_two_copies_side_by_side_each_show_their_own_icon(self):
        first = self.start("?value=-12,5")
        second = self.start("?value=7,0")
        self.assertNotEqual(first.window, second.window)
        negative = self.assertIconShows(-12.5)
        positive = self.assertIconShows(7.0)
        self.assertNotEqual(negative, positive)


class Refreshing(ProgramTestCase):
    def test_refresh_command_shows_no_reading_at_once_then_the_new_reading(self):
        self.feed.serve("3,5")
        run = self.start()
        self.assertIconShows(3.5)
        self.feed.serve("-4,0", mode="late")
        run.command(IDM_REFRESH)
        self.assertIconShows(UNKNOWN, timeout=1.5)
        self.assertIconShows(-4.0)

    def test_resume_from_sleep_refreshes_at_once(self):
        self.feed.serve("3,5")
        run = self.start()
        self.assertIconShows(3.5)
        self.feed.serve("-4,0", mode="late")
        requests = self.feed.requests
        run.post(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC)
        self.assertIconShows(UNKNOWN, timeout=1.5)
        self.assertTrue(self.feed.wait_requests(requests + 1, 3))
        self.assertIconShows(-4.0)

    def test_timed_refresh_follows_after_refresh_time_minutes(self):
        self.feed.serve("3,5")
        self.start(refresh_time=1)
        started = time.monotonic()
        self.assertTrue(self.feed.wait_requests(1, 5))
        # Nothing before the 60th tick, the next refresh soon after it.
        self.assertFalse(self.feed.wait_requests(2, 55 - (time.monotonic() - started)))
        self.assertTrue(self.feed.wait_requests(2, 70 - (time.monotonic() - started)))

    def test_log_gets_each_outcome_line(self):
        self.feed.serve("-12,5")
        run = self.start(write_log=1)
        self.assertTrue(wait_for(lambda: re.search(LOG_LINE % rb"-12\.5", run.log_bytes()), 8))
        self.feed.serve("-273,0")
        run.command(IDM_REFRESH)
        self.assertTrue(wait_for(lambda: re.search(LOG_LINE % INVALID_DATA, run.log_bytes()), 8))
        # An invalid reading leaves the picture the refresh command set.
        self.assertIconShows(UNKNOWN, timeout=1)
        self.feed.serve("1,0", mode="reset")
        run.command(IDM_REFRESH)
        self.assertTrue(wait_for(lambda: re.search(LOG_LINE % NO_CONNECTION, run.log_bytes()), 8))
        self.assertRegex(run.log_bytes(), b"\\A(%s){3}\\Z" % (LOG_LINE % rb"[^\r]+"))

    def test_no_log_file_when_logging_is_off(self):
        run = self.start("?value=2,5")
        self.assertIconShows(2.5)
        self.assertFalse((run.directory / "Quorbel.log").exists())


class Ending(ProgramTestCase):
    def run_options(self):
        # Wine removes an icon by itself when its window goes: the program's
        # own removal is seen in its trace of the shell calls it makes.
        return {"wine_debug": "+systray"}

    @smoke
    def test_exit_command_removes_the_icon_and_ends_with_code_0(self):
        run = self.start("?value=1,5")
        self.assertIconShows(1.5)
        self.assertNotIn(NIM_DELETE_CALL, run.trace())
        run.command(IDM_EXIT)
        self.assertEqual(run.wait_exit(), 0)
        self.assertIn(NIM_DELETE_CALL, run.trace())

    def test_outside_close_removes_the_icon_and_ends_with_code_0(self):
        run = self.start("?value=1,5")
        self.assertIconShows(1.5)
        run.post(WM_CLOSE)
        self.assertEqual(run.wait_exit(), 0)
        self.assertIn(NIM_DELETE_CALL, run.trace())


class TrayInteraction(ProgramTestCase):
    @not_emulated(SHELL_LINKS_EMULATED)
    def test_graph_page_on_menu_command_and_on_double_click_only(self):
        run = self.start("?value=1,5")
        position = self.assertIconShows(1.5)[0]
        run.command(IDM_GRAPH)
        self.assertTrue(wait_for(lambda: session.browser_visits().count(GRAPH_PAGE) == 1, 5))
        run.tray(WM_LBUTTONDOWN)
        run.tray(WM_LBUTTONDBLCLK)
        self.assertTrue(wait_for(lambda: session.browser_visits().count(GRAPH_PAGE) == 2, 5))
        # A real double-click with the mouse on the icon.
        x, y = position[0] + 8, position[1] + 8
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "--repeat", "2", "--delay", "80", "1"])
        self.assertTrue(wait_for(lambda: session.browser_visits().count(GRAPH_PAGE) == 3, 5))
        time.sleep(0.5)
        self.assertEqual(session.browser_visits().count(GRAPH_PAGE), 3)

    @not_emulated(SHELL_LINKS_EMULATED)
    def test_right_button_opens_the_menu_at_the_pointer_and_its_first_entry_is_the_graph(self):
        run = self.start("?value=1,5")
        self.assertIconShows(1.5)
        subprocess.run(["xdotool", "mousemove", "400", "300"], check=True)
        run.tray(WM_RBUTTONDOWN)
        status, found = session.drive("popup-menu", "4000")
        self.assertEqual(status, 0, "no popup menu opened")
        menu, left, top, right, bottom = found.split()
        self.assertEqual((int(right), int(bottom)), (400, 300))
        self.assertGreater(int(right) - int(left), 0)
        visits = session.browser_visits().count(GRAPH_PAGE)
        for key in ("0x28", "0x0d"):  # down to the first entry, then Enter
            session.drive("post", "0x100", key, "0", window=menu.decode())
        self.assertTrue(wait_for(lambda: session.browser_visits().count(GRAPH_PAGE) == visits + 1, 5))

    def test_taskbar_created_adds_the_icon_again_with_its_picture_and_tooltip(self):
        run = self.start("?value=-7,5")
        self.assertIconShows(-7.5)
        self.assertEqual(run.drive("tray-forget")[0], 0)
        self.assertIconGone(-7.5)
        run.drive("post-registered", "TaskbarCreated")
        position = self.assertIconShows(-7.5, timeout=3)[0]
        self.assertEqual(
            self.tooltip_at(position), "Температура в Ларвинске [-7.5] по Цельсию.".encode("cp1251")
        )
        # Told again while the icon is there: still exactly one icon.
        run.drive("post-registered", "TaskbarCreated")
        time.sleep(1)
        self.assertEqual(len(self.icon_positions(-7.5)), 1)

    def test_an_icon_the_shell_lost_comes_back_on_the_timer(self):
        self.feed.serve("6,5")
        run = self.start()
        self.assertIconShows(6.5)
        run.drive("tray-forget")
        self.assertIconGone(6.5)
        # The refresh command's modification is refused: the icon is lost.
        run.command(IDM_REFRESH)
        self.assertIconShows(6.5, timeout=5)


class Resources(ProgramTestCase):
    def resources(self, run):
        status, text = run.drive("resources")
        self.assertEqual(status, 0, "the driver could not count the program's resources")
        counts = dict(item.split("=") for item in text.decode().split())
        return int(counts["gdi"]), int(counts["handles"])

    def refresh_and_settle(self, run, count):
        requests = self.feed.requests
        run.drive("post", str(harness.WM_COMMAND), str(IDM_REFRESH), "0", str(count))
        self.assertTrue(self.feed.wait_requests(requests + count, 5 * count))
        self.assertIconShows(2.5)
        time.sleep(1.5)

    def exercise(self, run, compositions, refreshes):
        # Each TaskbarCreated composes one icon; each refresh two and a thread.
        self.assertEqual(run.drive("post-registered", "TaskbarCreated", str(compositions))[0], 0)
        self.refresh_and_settle(run, refreshes)

    @not_emulated(MEMORY_READ_EMULATED)
    def test_many_compositions_and_refreshes_leave_gdi_objects_and_handles_as_they_were(self):
        # Wine answers 0 to GetGuiResources and GetProcessHandleCount; the
        # driver then counts the process's GDI handle table and its entries
        # in the system's handle list, which a leak grows as surely.
        self.feed.serve("2,5")
        run = self.start()
        self.assertIconShows(2.5)
        # The first rounds create what lives on (caches of the system's own).
        self.exercise(run, 100, 2)
        gdi, handles = self.resources(run)
        self.assertGreater(gdi, 0)
        self.assertGreater(handles, 0)
        self.exercise(run, 1000, 8)
        self.assertEqual(self.resources(run), (gdi, handles))


class StartupDirectory(ProgramTestCase):
    def start_in_directory_of_length(self, length):
        """Starts the program where the current directory, as Windows names
        it ("Z:" and the Unix path), has exactly length characters."""
        base = session.scratch / "deep"
        remaining = length - len("Z:") - len(str(base)) - 1
        parts = []
        while remaining > 0:
            part = min(remaining, 100)
            if remaining - part == 1:
                part -= 2  # leave room for one more separator and name
            parts.append("d" * part)
            remaining -= part + 1
        directory = base.joinpath(*parts)
        directory.mkdir(parents=True)
        self.addCleanup(lambda: subprocess.run(["rm", "-rf", str(base)]))
        self.assertEqual(len(harness.windows_path(directory)), length)
        run = ProgramRun(session, config_text(self.feed.url("?value=4,5")), directory=directory)
        self.addCleanup(run.stop)
        return run

    def test_longest_directory_that_fits_starts(self):
        run = self.start_in_directory_of_length(259 - len("\\Quorbel.cfg"))
        self.assertIsNotNone(run.window)
        self.assertTrue(self.feed.wait_requests(1, 8))

    def test_one_character_longer_refuses_to_start_with_code_0(self):
        run = self.start_in_directory_of_length(260 - len("\\Quorbel.cfg"))
        self.assertIsNone(run.window)
        self.assertEqual(run.wait_exit(), 0)
        self.assertEqual(self.feed.requests, 0)


if __name__ == "__main__":
    harness.run_tests()
