#!/usr/bin/env python3
"""The feed server's own checks: the responses it builds and the demo value.
Its exchanges on 127.0.0.1 are exercised by the acquisition tests."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import feed_server  # noqa: E402


def options(**overrides):
    base = {"mode": "ok", "status": 200, "value": "-12,5"}
    base.update(overrides)
    return base


class ResponseTest(unittest.TestCase):
    def test_contract_response(self):
        response = feed_server.build_response(options())
        self.assertTrue(response.startswith(b"HTTP/1.0 200 OK\r\n"))
        self.assertTrue(response.endswith(b'var Therm = "-12,5";'))
        self.assertTrue(all(0x20 <= b <= 0x7E or b in b"\r\n" for b in response))

    def test_misbehaviours(self):
        self.assertTrue(feed_server.build_response(options(mode="crlf")).endswith(b'";\r\n'))
        self.assertTrue(feed_server.build_response(options(mode="no-reason")).startswith(b"HTTP/1.0 200\r\n"))
        self.assertIn(b"a\tb", feed_server.build_response(options(mode="tab-header")))
        self.assertIn(b"\xe9", feed_server.build_response(options(mode="high-header")))
        self.assertNotIn(b"var Therm", feed_server.build_response(options(mode="no-marker")))
        self.assertTrue(feed_server.build_response(options(status="404")).startswith(b"HTTP/1.0 404 Not Found\r\n"))

    def test_exact_sizes(self):
        for size in (300, 1000, 1001, 1500):
            response = feed_server.build_response(options(size=str(size)))
            self.assertEqual(len(response), size)
            self.assertTrue(response.endswith(b'";'))
        with self.assertRaises(ValueError):
            feed_server.build_response(options(size="50"))

    def test_demo_value_changes_every_minute(self):
        minute = 60 * 1_000_000
        values = [feed_server.demo_value(minute + 60 * step) for step in range(31)]
        self.assertEqual(feed_server.demo_value(minute + 59), values[0])
        self.assertTrue(all(a != b for a, b in zip(values, values[1:])), values)
        self.assertEqual(values[30], values[0], "it repeats every half hour")
        for value in values:
            whole, fraction = value.split(",")
            self.assertEqual(len(fraction), 1, value)
            self.assertLess(abs(float(whole + "." + fraction)), 20.0)
        # Frost, zero and thaw, whole and half degrees: every picture the icon has.
        self.assertIn("0,0", values)
        self.assertTrue(any(v.startswith("-") for v in values) and any(v[0].isdigit() and v != "0,0" for v in values))
        self.assertTrue(any(v.endswith(",0") for v in values) and any(v.endswith(",5") for v in values))


if __name__ == "__main__":
    unittest.main(verbosity=2)
