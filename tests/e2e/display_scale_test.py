#!/usr/bin/env python3
"""The tray icon at four display scales, under Wine:

    display_scale_test.py WINE|WINE64 ICON_TESTS

For 96, 120, 144 and 192 dots per inch a Wine prefix of its own (kept
beside the tests' prefix, made once) gets LogPixels; the icon test
program's display scale case then checks the scale the program asks for,
the composed icon's size and every pixel against the enlarged picture rule.
"""

import os
import subprocess
import sys
import tempfile
import unittest

TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools")
LOADER, ICON_TESTS = sys.argv[1:3] if len(sys.argv) == 3 else (None, None)
PREFIX = os.environ.get("ZARVILO_WINEPREFIX", "/tmp/zarvilo-wine") + "-scale"


def wine(prefix, *command, **extra):
    """Runs command in the prefix: its exit status and output. The output goes
    through a file: services that Wine starts keep a pipe open for their life."""
    environment = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", **extra)
    with tempfile.TemporaryFile() as output:
        status = subprocess.run(list(command), env=environment, stdin=subprocess.DEVNULL, stdout=output,
                                stderr=subprocess.STDOUT, timeout=300).returncode
        output.seek(0)
        return status, output.read()


class DisplayScaleTest(unittest.TestCase):
    def test_icon_at_each_scale(self):
        prefix = PREFIX
        subprocess.run(["sh", "-c", '. "$0/wine-env.sh" && zarvilo_prepare_prefix', TOOLS], check=True,
                       env=dict(os.environ, ZARVILO_WINEPREFIX=prefix))
        self.addCleanup(wine, prefix, "wineserver", "-k")
        for dpi in (96, 120, 144, 192):
            with self.subTest(dpi=dpi):
                wine(prefix, LOADER, "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t",
                     "REG_DWORD", "/d", str(dpi), "/f")
                wine(prefix, "wineserver", "-w")  # the scale is read when the prefix's server starts
                status, output = wine(prefix, LOADER, ICON_TESTS, "--gtest_also_run_disabled_tests",
                                      "--gtest_filter=*DisplayScale*", ZARVILO_DISPLAY_DPI=str(dpi))
                self.assertEqual(status, 0, output.decode(errors="replace"))
                self.assertIn(b"[  PASSED  ] 1 test", output)


if __name__ == "__main__":
    if not ICON_TESTS:
        sys.exit(__doc__)
    unittest.main(argv=sys.argv[:1], verbosity=2)
