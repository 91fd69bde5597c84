#!/usr/bin/env python3
"""The release archive as a Windows user gets it (dist_test.py ARCHIVE): its
contents and checksums, the README, each exe's version resource, and the same
bytes from a second build of the same sources in another directory."""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile
from xml.etree import ElementTree

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
ARCHIVE = sys.argv[1] if len(sys.argv) > 1 else ""
EXES = ["zarvilo-i686.exe", "zarvilo-x86_64.exe", "zarvilo-probe-i686.exe", "zarvilo-probe-x86_64.exe"]
VERSION = {"ProductName": "Зарвило", "ProductVersion": "3.13", "FileVersion": "3.13",
           "LegalCopyright": "© 2003–2005 Зарвило"}


def version_strings(exe):
    """The fixed version (major, minor) and the named strings of an exe's version resource."""
    fixed = exe.index(struct.pack("<I", 0xFEEF04BD))
    file_version = struct.unpack_from("<I", exe, fixed + 8)[0]
    strings = {}
    for key in list(VERSION) + ["OriginalFilename", "FileDescription"]:
        at = exe.index(key.encode("utf-16-le") + b"\0\0") - 6  # wLength, wValueLength, wType
        value_length = struct.unpack_from("<H", exe, at + 2)[0]
        value = (at + 6 + 2 * len(key) + 2 + 3) & ~3
        strings[key] = exe[value:value + 2 * value_length].decode("utf-16-le").rstrip("\0")
    return (file_version >> 16, file_version & 0xFFFF), strings


class DistTest(unittest.TestCase):
    def setUp(self):
        self.zip = zipfile.ZipFile(ARCHIVE)
        self.addCleanup(self.zip.close)
        self.folder = os.path.basename(ARCHIVE)[: -len(".zip")]

    def read(self, name):
        return self.zip.read(self.folder + "/" + name)

    def test_contents_and_checksums(self):
        self.assertEqual(sorted(self.zip.namelist()),
                         sorted(self.folder + "/" + name for name in EXES + ["README.txt", "SHA256SUMS"]))
        scratch = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, scratch)
        self.zip.extractall(scratch)
        check = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=os.path.join(scratch, self.folder),
                               capture_output=True, text=True, env=dict(os.environ, LC_ALL="C"))
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        self.assertEqual(check.stdout.count(": OK"), len(EXES) + 1)

    def test_readme_for_windows_users(self):
        raw = self.read("README.txt")
        self.assertNotIn(b"\n", raw.replace(b"\r\n", b""), "CR LF line ends only")
        self.assertTrue(raw.startswith(b"\xef\xbb\xbf"), "a byte order mark tells Notepad it is UTF-8")
        text = raw[3:].decode("utf-8")
        for needed in EXES + ["Quorbel.cfg", "Quorbel.log", "SourceURL", "RefreshTime", "UseProxy", "HostName",
                              "RemotePort", "WriteLog", "LogFile", "Нет данных", "двух разных папок",
                              "Запускать вместе с Windows"]:
            self.assertIn(needed, text)

    def test_exes_are_what_the_tests_run_with_their_version_and_manifest(self):
        asm, settings = "{urn:schemas-microsoft-com:asm.v%d}", "{http://schemas.microsoft.com/SMI/%d/WindowsSettings}"
        windows_7_to_11 = {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}
        for name in EXES:
            with self.subTest(name):
                exe = self.read(name)
                with open(os.path.join(REPO, "dist", name), "rb") as tested:
                    self.assertEqual(exe, tested.read(), "the archive holds the exe the tests run")
                version, strings = version_strings(exe)
                self.assertEqual(version, (3, 13))
                self.assertEqual(strings["OriginalFilename"], name)
                self.assertIn("Зарвило", strings["FileDescription"])
                for key, value in VERSION.items():
                    self.assertEqual(strings[key], value, key)
                # The manifest's text; that the process runs by it (a resource of type 24, id 1) the end-to-end
                # suites see: common controls 6, and the icon and dialogs at every display scale.
                manifest = ElementTree.fromstring(exe[exe.index(b"<assembly ") : exe.index(b"</assembly>") + 11])
                [identity] = manifest.iter(asm % 1 + "assemblyIdentity")
                self.assertEqual((identity.get("name"), identity.get("version")),
                                 ("Microsoft.Windows.Common-Controls", "6.0.0.0"))
                self.assertEqual([e.get("level") for e in manifest.iter(asm % 3 + "requestedExecutionLevel")], ["asInvoker"])
                self.assertEqual({e.get("Id") for e in manifest.iter("{urn:schemas-microsoft-com:compatibility.v1}supportedOS")},
                                 windows_7_to_11)
                [scaling] = manifest.iter(asm % 3 + "windowsSettings")
                self.assertEqual([(e.tag, e.text) for e in scaling],
                                 [(settings % 2005 + "dpiAware", "true"), (settings % 2016 + "dpiAwareness", "PerMonitorV2")])

    def test_a_second_build_elsewhere_is_identical(self):
        scratch = tempfile.mkdtemp(prefix="zarvilo-rebuild-")
        self.addCleanup(shutil.rmtree, scratch)
        copy = "git ls-files -co --exclude-standard | tar -cf - -T - --ignore-failed-read | tar -xf - -C "
        sources = subprocess.run(copy + scratch, shell=True, cwd=REPO, stderr=subprocess.DEVNULL)
        self.assertEqual(sources.returncode, 0, "copying the sources")
        for preset in ("mingw-i686", "mingw-x86_64"):
            subprocess.run(["cmake", "--preset", preset, "-DZARVILO_DIST_DIR=" + scratch + "/dist"], cwd=scratch,
                           check=True, stdout=subprocess.DEVNULL)
            subprocess.run(["cmake", "--build", "build/" + preset, "-j2", "--target", "zarvilo", "zarvilo-probe"],
                           cwd=scratch, check=True, stdout=subprocess.DEVNULL)
        subprocess.run([sys.executable, "tools/make-dist.py", scratch + "/out", "3.13", "docs/README-windows.txt"]
                       + ["dist/" + name for name in EXES], cwd=scratch, check=True, stdout=subprocess.DEVNULL)
        with open(os.path.join(scratch, "out", os.path.basename(ARCHIVE)), "rb") as again, open(ARCHIVE, "rb") as first:
            self.assertTrue(again.read() == first.read(), "the second build's archive differs")


if __name__ == "__main__":
    if not os.path.isfile(ARCHIVE):
        print("SKIPPED: no archive %r; make dist makes it" % ARCHIVE)
        sys.exit(77)
    unittest.main(argv=sys.argv[:1], verbosity=2)
