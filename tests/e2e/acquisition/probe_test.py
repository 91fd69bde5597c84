#!/usr/bin/env python3
"""zarvilo-probe end to end, against the peers of tests/tools/with_peers.py:

    with_peers.py probe_test.py [EMULATOR...] PROBE

Each case writes a Quorbel.cfg into a scratch directory, runs the probe
there (through EMULATOR, e.g. tools/wine-run.sh win64, when given) and checks
its exit status, its output, the change log and the icon file.
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

COMMAND = sys.argv[1:]
FEED_PORT = os.environ.get("ZARVILO_FEED_PORT", "")
PROXY_PORT = os.environ.get("ZARVILO_PROXY_PORT", "")
CLOSED_PORT = os.environ.get("ZARVILO_CLOSED_PORT", "")

TOOLTIP_UTF8 = "Температура в Ларвинске [%s] по Цельсию."
NO_DATA_UTF8 = "Нет данных"
NO_CONNECTION_LOG = b"  \xcd\xe5\xf2 \xf1\xee\xe5\xe4\xe8\xed\xe5\xed\xe8\xff \xf1 \xf1\xe5\xf0\xe2\xe5\xf0\xee\xec.\r\n"
INVALID_DATA_LOG = (
    b"  \xcf\xee\xeb\xf3\xf7\xe5\xed\xfb \xed\xe5\xea\xee\xf0\xf0\xe5\xea\xf2\xed\xfb\xe5 "
    b"\xe4\xe0\xed\xed\xfb\xe5 \xf1 \xf1\xe5\xf0\xe2\xe5\xf0\xe0.\r\n"
)
STAMP_LENGTH = 17

# 5-5-5 colours of the icon's lower field.
DARK_BLUE = 0x18D2
DARK_RED = 0x4C22
DARK_GREY = 0x2D6B
WHITE = 0x7FFF


def read_bmp_555(path):
    """The 16-bit BMP at path as (width, height, pixel(x, y) with y from the top)."""
    with open(path, "rb") as bmp:
        data = bmp.read()
    assert data[:2] == b"BM", "not a BMP file"
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    assert bits == 16, bits
    stride = (width * 2 + 3) & ~3

    def pixel(x, y):
        row = height - 1 - y
        return struct.unpack_from("<H", data, offset + row * stride + x * 2)[0]

    return width, height, pixel


class ProbeTest(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="zarvilo-probe-")

    def tearDown(self):
        shutil.rmtree(self.scratch, ignore_errors=True)

    def configure(self, source, write_log=True, proxy_port=None):
        lines = ["[Settings]", "SourceURL=" + source, "[Proxy]"]
        if proxy_port:
            lines += ["UseProxy=1", "HostName=127.0.0.1", "RemotePort=" + proxy_port]
        lines += ["[LogOptions]", "WriteLog=%d" % (1 if write_log else 0)]
        with open(os.path.join(self.scratch, "Quorbel.cfg"), "w", newline="") as cfg:
            cfg.write("\r\n".join(lines) + "\r\n")

    def feed(self, query):
        return "http://127.0.0.1:%s/files/weather.js?%s" % (FEED_PORT, query)

    def probe(self, *arguments):
        """Runs the probe in the scratch directory: (exit status, output bytes)."""
        result = subprocess.run(
            COMMAND + list(arguments),
            cwd=self.scratch,
            stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE,
            stderr=subprocess.STDOUT,
            timeout=120,
        )
        return result.returncode, result.stdout

    def log_texts(self):
        """The change log's texts, each without its time stamp."""
        with open(os.path.join(self.scratch, "Quorbel.log"), "rb") as log:
            lines = log.read().split(b"\r\n")
        self.assertEqual(lines[-1], b"", "the log ends with a line break")
        return [line[STAMP_LENGTH:] + b"\r\n" for line in lines[:-1]]

    def icon(self):
        width, height, pixel = read_bmp_555(os.path.join(self.scratch, "icon.bmp"))
        self.assertEqual((width, height), (16, 16))
        return pixel

    def test_valid_reading(self):
        self.configure(self.feed("value=-12,5"))
        status, output = self.probe("--icon", "icon.bmp")
        self.assertEqual(status, 0, output)
        text = output.decode("utf-8")
        self.assertIn("outcome: valid reading\n", text.replace("\r\n", "\n"))
        self.assertIn("tooltip: " + TOOLTIP_UTF8 % "-12.5", text)
        self.assertEqual(self.log_texts(), [b"  -12.5\r\n"])
        pixel = self.icon()
        self.assertEqual(pixel(0, 15), DARK_BLUE)
        self.assertEqual(pixel(1, 3), WHITE, "minus sign")
        self.assertEqual(pixel(10, 14), WHITE, "decimal point")

    def test_raw_output_keeps_windows_1251(self):
        self.configure(self.feed("value=7,0"), write_log=False)
        status, output = self.probe("--raw")
        self.assertEqual(status, 0, output)
        self.assertIn(TOOLTIP_UTF8.encode("cp1251") % b"7.0", output)
        self.assertFalse(os.path.exists(os.path.join(self.scratch, "Quorbel.log")))

    def test_no_value(self):
        self.configure("http://127.0.0.1:%s/files/weather.js" % CLOSED_PORT)
        status, output = self.probe("--icon", "icon.bmp")
        self.assertEqual(status, 1, output)
        self.assertIn("tooltip: " + NO_DATA_UTF8, output.decode("utf-8"))
        self.assertEqual(self.log_texts(), [NO_CONNECTION_LOG])
        pixel = self.icon()
        self.assertEqual(pixel(0, 15), DARK_GREY)
        self.assertEqual(pixel(2, 10), WHITE, "ellipsis of the no-reading picture")

    def test_invalid_data(self):
        self.configure(self.feed("value=abc"))
        status, output = self.probe("--icon", "icon.bmp")
        self.assertEqual(status, 2, output)
        self.assertIn(b"outcome: invalid data", output)
        self.assertNotIn(b"tooltip:", output)
        self.assertEqual(self.log_texts(), [INVALID_DATA_LOG])
        self.assertEqual(self.icon()(2, 10), WHITE, "the icon stays the no-reading picture")

    def test_through_proxy(self):
        self.configure(self.feed("value=3,5"), proxy_port=PROXY_PORT)
        status, output = self.probe("--icon", "icon.bmp")
        self.assertEqual(status, 0, output)
        self.assertIn(b"proxy: 127.0.0.1:" + PROXY_PORT.encode(), output)
        self.assertEqual(self.log_texts(), [b"  3.5\r\n"])
        self.assertEqual(self.icon()(0, 15), DARK_RED)

    def test_unknown_argument(self):
        self.configure(self.feed("value=1,5"))
        status, output = self.probe("--bogus")
        self.assertEqual(status, 3, output)
        self.assertIn(b"usage:", output)


SKIPPED = 77


def emulator_cannot_run():
    """True when the emulator reports that it cannot run this build at all."""
    return subprocess.run(COMMAND + ["--bogus"], stdin=subprocess.DEVNULL, capture_output=True).returncode == SKIPPED


if __name__ == "__main__":
    if not COMMAND or not FEED_PORT:
        sys.exit(__doc__)
    if emulator_cannot_run():
        print("SKIPPED: the probe cannot run here")
        sys.exit(SKIPPED)
    unittest.main(argv=sys.argv[:1], verbosity=2)
