#!/usr/bin/env python3
"""The tray icon at display scales of 96 to 192 dots per inch, set as LogPixels
in a Wine prefix of its own: display_scale_test.py ICON_TESTS
(ZARVILO_EXE and ZARVILO_DRIVER as for the end-to-end suite, ZARVILO_PROBE the
probe of the same build)."""

import os
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

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

    def rule_picture(self, session, config, size):
        """The picture the probe writes at size for the reading of config's source, as a screen shows it."""
        directory = Path(tempfile.mkdtemp(dir=session.scratch))
        (directory / "Quorbel.cfg").write_bytes(config)
        probe = session.start(os.environ["ZARVILO_PROBE"], "--icon", "icon.bmp", "--size", str(size), cwd=directory,
                              output=directory / "probe.out")
        self.assertEqual(probe.wait(60 * harness.SLOWDOWN), 0, (directory / "probe.out").read_bytes())
        return harness.on_screen(harness.bitmap(directory / "icon.bmp"))

    def test_program_on_screen_at_150_and_200_percent(self):
        # Wine draws an icon of another size into the slot by nearest neighbour: the picture drawn for
        # the slot's own size tells a mismatch, as its strokes differ from any enlarged or shrunk one.
        for dpi, slot in ((144, 24), (192, 32)):
            with self.subTest(dpi=dpi):
                self.set_scale(dpi)
                session, feed = harness.WineSession(), harness.FeedPeer(value="-12,5")
                try:
                    config = harness.config_text(feed.url())
                    expected = self.rule_picture(session, config, slot)
                    harness.mouse(300, 300)  # no tooltip over the icon
                    with harness.ProgramRun(session, config):
                        found = harness.wait_for(lambda: harness.Screen().find(expected, region=(300, 80)), 10)
                        self.assertTrue(found, "no %dx%d icon for -12.5 on screen" % (slot, slot))
                finally:
                    session.close()
                    feed.close()

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
