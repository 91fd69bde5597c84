#!/usr/bin/env python3
"""The program's icon and dialogs at 125%, 150% and 200% (LogPixels in a Wine prefix of its own), on a desktop
that holds the dialogs at 200%; the end-to-end suite's environment, ZARVILO_PROBE the build's probe."""

import os
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

import harness
from dialogs_test import IDC_REFRESH_SPIN, DialogChecks, controls

LOADER = harness.WINE64 if harness.is_pe32_plus(os.environ["ZARVILO_EXE"]) else harness.WINE32
PREFIX = os.environ.get("ZARVILO_WINEPREFIX", "/tmp/zarvilo-wine") + "-scale"
DESKTOP = (1280, 1024)
GROUP_BOXES = {"Источник", "Прокси", "Журнал"}


def wine(*command):
    subprocess.run(command, env=dict(os.environ, WINEPREFIX=PREFIX, WINEDEBUG="-all"), stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)


def overlap(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


class DisplayScaleTest(DialogChecks, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        harness.wine_environment()  # the prefix made ready
        wine(LOADER, "reg", "add", r"HKCU\Software\Wine\Explorer\Desktops", "/v", "Default", "/d", "%dx%d" % DESKTOP, "/f")
        cls.addClassCleanup(wine, "wineserver", "-k")

    def set_scale(self, dpi):
        wine(LOADER, "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d",
             str(dpi), "/f")
        wine("wineserver", "-w")  # the scale is read when the prefix's server starts

    def rule_picture(self, session, config, size):
        """The picture the probe writes at size for the reading of config's source, as a screen shows it."""
        directory = Path(tempfile.mkdtemp(dir=session.scratch))
        (directory / "Quorbel.cfg").write_bytes(config)
        probe = session.start(os.environ["ZARVILO_PROBE"], "--icon", "icon.bmp", "--size", str(size), cwd=directory,
                              output=directory / "probe.out")
        self.assertEqual(probe.wait(60 * harness.SLOWDOWN), 0, (directory / "probe.out").read_bytes())
        return harness.on_screen(harness.bitmap(directory / "icon.bmp"))

    def assertControlsApart(self, settings):
        # The spin control lies over its buddy's right border, as the system attaches it.
        placed = [(text, rect) for control, rect, text in controls(settings)
                  if text not in GROUP_BOXES and control != IDC_REFRESH_SPIN]
        for i, (text, rect) in enumerate(placed):
            for other, other_rect in placed[i + 1 :]:
                self.assertFalse(overlap(rect, other_rect), (text, rect, other, other_rect))

    @harness.smoke
    def test_program_at_125_150_and_200_percent(self):
        # Wine draws an icon of another size into the slot by nearest neighbour: the picture drawn for
        # the slot's own size tells a mismatch, as its strokes differ from any enlarged or shrunk one.
        for dpi, slot in ((120, 20), (144, 24), (192, 32)):
            with self.subTest(dpi=dpi):
                self.set_scale(dpi)
                session, feed = harness.WineSession(), harness.FeedPeer(value="-12,5")
                try:
                    config = harness.config_text(feed.url())
                    expected = self.rule_picture(session, config, slot)
                    harness.mouse(300, 300)  # no tooltip over the icon
                    with harness.ProgramRun(session, config) as run:
                        found = harness.wait_for(lambda: harness.Screen().find(expected, region=(300, 80)), 10)
                        self.assertTrue(found, "no %dx%d icon for -12.5 on screen" % (slot, slot))
                        about = self.open(run, "about")[0]
                        time.sleep(0.5)  # its paint
                        self.assertAboutBoxDrawnToScale(about, dpi)
                        about.close()
                        settings = self.open(run)[0]
                        self.assertControlsApart(settings)
                        settings.close(2)
                finally:
                    session.close()
                    feed.close()


if __name__ == "__main__":
    os.environ["ZARVILO_WINEPREFIX"] = PREFIX  # the harness's Wine runs there too
    harness.run_tests(DESKTOP)
