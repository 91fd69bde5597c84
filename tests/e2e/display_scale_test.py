#!/usr/bin/env python3
"""The tray icon at display scales of 96 to 192 dots per inch, and the dialogs at
144 and 192, set as LogPixels in a Wine prefix of its own, on a desktop that
holds the dialogs at 200%: display_scale_test.py ICON_TESTS (ZARVILO_EXE and
ZARVILO_DRIVER as for the end-to-end suite)."""

import os
import subprocess
import sys
import tempfile
import time
import unittest

import harness
from dialogs_test import IDC_MAIL_LINK, IDC_REFRESH_SPIN, IDC_WEB_LINK, IDOK, controls, dialogs

ICON_TESTS = sys.argv[1] if len(sys.argv) == 2 else None
LOADER = ICON_TESTS and (harness.WINE64 if harness.is_pe32_plus(ICON_TESTS) else harness.WINE32)
PREFIX = os.environ.get("ZARVILO_WINEPREFIX", "/tmp/zarvilo-wine") + "-scale"
DESKTOP = (1280, 1024)
GROUP_BOXES = {"Источник", "Прокси", "Журнал"}


def wine(*command, **extra):
    """Status and output of command in the prefix; Wine's services would hold a pipe open."""
    environment = dict(os.environ, WINEPREFIX=PREFIX, WINEDEBUG="-all", **extra)
    with tempfile.TemporaryFile() as output:
        status = subprocess.run(list(command), env=environment, stdin=subprocess.DEVNULL, stdout=output,
                                stderr=subprocess.STDOUT, timeout=300).returncode
        output.seek(0)
        return status, output.read()


def doubled(rows):
    wide = [b"".join(row[i : i + 3] * 2 for i in range(0, len(row), 3)) for row in rows]
    return [row for row in wide for _ in range(2)]


def overlap(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


class DisplayScaleTest(unittest.TestCase):
    def set_scale(self, dpi):
        wine(LOADER, "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d",
             str(dpi), "/f")
        wine("wineserver", "-w")  # the scale is read when the prefix's server starts

    def test_composed_icon_size_and_pixels_at_each_scale(self):
        for dpi in (96, 120, 144, 192):
            with self.subTest(dpi=dpi):
                self.set_scale(dpi)
                status, output = wine(LOADER, ICON_TESTS, "--gtest_also_run_disabled_tests",
                                      "--gtest_filter=*DisplayScale*", ZARVILO_DISPLAY_DPI=str(dpi))
                self.assertEqual(status, 0, output.decode(errors="replace"))
                self.assertIn(b"[  PASSED  ] 1 test", output)

    def test_program_on_screen_at_200_percent(self):
        self.set_scale(192)
        session, feed = harness.WineSession(), harness.FeedPeer(value="-12,5")
        self.addCleanup(session.close)
        self.addCleanup(feed.close)
        with harness.ProgramRun(session, harness.config_text(feed.url())):
            expected = doubled(harness.picture(-12.5))
            found = harness.wait_for(lambda: harness.Screen().find(expected, region=(300, 80)), 10)
            self.assertTrue(found, "no 32x32 icon for -12.5 on screen")

    def open_dialog(self, run, caption, command):
        run.command(command)
        found = harness.wait_for(lambda: dialogs(run, harness.as_shown(caption)), 10)
        self.assertTrue(found, caption)
        return found[0]

    def assertAboutBoxDrawnToScale(self, about, dpi):
        blocks = {}
        for control, rect, text in controls(about):
            name = {IDOK: "OK", IDC_MAIL_LINK: "mail", IDC_WEB_LINK: "web"}.get(control, text.split(" ")[0].split("\n")[0])
            blocks[name] = rect
        screen = harness.Screen()
        x0, y0 = about.client
        face = screen.row(x0 + 3, y0 + 3, 1)
        rows = harness.grooves(screen, x0, y0, blocks["OK"][2], blocks["OK"][1], face)
        self.assertEqual(len(rows), 3, rows)
        for (row, _, _), (above, below) in zip(rows, [("Зарвило", "©"), ("web", "Спасибо:"), ("Спасибо:", "OK")]):
            self.assertTrue(blocks[above][3] <= row and row + 1 < blocks[below][1], (row, above, below, blocks))
        # The logo: a square left of the product text and above the first line, drawn
        # of the logo's own colours only, 48 pixels at 100%.
        logo = harness.on_screen(harness.bitmap("logo.bmp"))
        colours = {row[i : i + 3] for row in logo for i in range(0, len(row), 3)}
        right, bottom = blocks["Зарвило"][0], rows[0][0]
        drawn = [(x, y) for y in range(y0, bottom) for x in range(x0, right) if screen.row(x, y, 1) != face]
        left, top = min(x for x, _ in drawn), min(y for _, y in drawn)
        side = max(x for x, _ in drawn) + 1 - left
        self.assertEqual(max(y for _, y in drawn) + 1 - top, side)
        self.assertEqual(side, 48 * dpi // 96)
        pixels = [screen.row(left, y, side) for y in range(top, top + side)]
        self.assertLessEqual({row[i : i + 3] for row in pixels for i in range(0, len(row), 3)}, colours)
        if side == 96:
            self.assertEqual(pixels, doubled(logo))

    def assertControlsApart(self, settings):
        # The spin control lies over its buddy's right border, as the system attaches it.
        placed = [(text, rect) for control, rect, text in controls(settings)
                  if text not in GROUP_BOXES and control != IDC_REFRESH_SPIN]
        for i, (text, rect) in enumerate(placed):
            for other, other_rect in placed[i + 1 :]:
                self.assertFalse(overlap(rect, other_rect), (text, rect, other, other_rect))

    def test_dialogs_at_150_and_200_percent(self):
        for dpi in (144, 192):
            with self.subTest(dpi=dpi):
                self.set_scale(dpi)
                session = harness.WineSession()
                try:
                    with harness.ProgramRun(session, harness.config_text("http://127.0.0.1:9/t.js")) as run:
                        about = self.open_dialog(run, "about", harness.IDM_ABOUT)
                        time.sleep(0.5)  # its paint
                        self.assertAboutBoxDrawnToScale(about, dpi)
                        about.close()
                        settings = self.open_dialog(run, "settings", harness.IDM_SETTINGS)
                        self.assertControlsApart(settings)
                        settings.close(2)
                finally:
                    session.close()


if __name__ == "__main__":
    if not ICON_TESTS:
        sys.exit(__doc__)
    os.environ["ZARVILO_WINEPREFIX"] = PREFIX  # the harness's Wine runs there too
    if not harness.display_fits(DESKTOP):
        os.environ["ZARVILO_SCREEN"] = "%dx%d" % DESKTOP
        os.execv(str(harness.TOOLS / "with-xvfb.sh"), [str(harness.TOOLS / "with-xvfb.sh"), sys.executable, *sys.argv])
    subprocess.run(["sh", "-c", '. "$0/wine-env.sh" && zarvilo_prepare_prefix', str(harness.TOOLS)], check=True)
    wine(LOADER, "reg", "add", r"HKCU\Software\Wine\Explorer\Desktops", "/v", "Default", "/d", "%dx%d" % DESKTOP, "/f")
    try:
        passed = unittest.main(argv=sys.argv[:1], verbosity=2, exit=False).result.wasSuccessful()
    finally:
        wine("wineserver", "-k")
    sys.exit(0 if passed else 1)
