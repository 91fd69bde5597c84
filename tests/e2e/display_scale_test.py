#!/usr/bin/env python3
"""The tray icon at display scales of 96 to 192 dots per inch, set as LogPixels
in a Wine prefix of its own: display_scale_test.py ICON_TESTS
(ZARVILO_EXE and ZARVILO_DRIVER as for the end-to-end suite)."""

import os
import subprocess
import sys
import tempfile
import unittest

import harness

ICON_TESTS = sys.argv[1] if len(sys.argv) == 2 else None
LOADER = ICON_TESTS and (harness.WINE64 if harness.is_pe32_plus(ICON_TESTS) else harness.WINE32)
PREFIX = os.environ.get("ZARVILO_WINEPREFIX", "/tmp/zarvilo-wine") + "-scale"


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


if __name__ == "__main__":
    if not ICON_TESTS:
        sys.exit(__doc__)
    os.environ["ZARVILO_WINEPREFIX"] = PREFIX  # the harness's Wine runs there too
    subprocess.run(["sh", "-c", '. "$0/wine-env.sh" && zarvilo_prepare_prefix', str(harness.TOOLS)], check=True)
    try:
        passed = unittest.main(argv=sys.argv[:1], verbosity=2, exit=False).result.wasSuccessful()
    finally:
        wine("wineserver", "-k")
    sys.exit(0 if passed else 1)
