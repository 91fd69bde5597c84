#!/usr/bin/env python3
"""Benchmark of the built program (make bench): it reports, it does not judge.

For each exe in dist/: its size (goal: at most 64 KB stripped); under Wine,
its resident memory after 100 refreshes beside that of a bare tray program
built alike (goal: within 1.25 times), and its GDI object and handle counts
before and after 10,000 icon compositions and 100 refreshes (goal: the same);
and, for an https:// source (a test authority trusted in the prefix for the
run), its resident memory after 100 refreshes beside the http:// figure.
"""

import os
import sys
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))
import harness  # noqa: E402

SIZE_GOAL = 64 * 1024
MEMORY_GOAL = 1.25
COMPOSITIONS = 10000
REFRESHES = 100
ARCHES = ("i686", "x86_64")


def resident_kb(pid):
    for line in Path("/proc/%d/status" % pid).read_text().splitlines():
        if line.startswith("VmRSS:"):
            return int(line.split()[1])
    return 0


def build_file(arch, relative):
    return REPO / "build" / ("mingw-" + arch) / relative


def counts(run):
    status, text = run.drive("resources")
    return text.decode().strip() if status == 0 else "unavailable"


def settle(feed, requests, timeout):
    feed.wait_requests(requests, timeout)
    time.sleep(2)


def refresh(run, feed, requests):
    """REFRESHES refreshes after `requests` feed requests."""
    run.drive("post", str(harness.WM_COMMAND), str(harness.IDM_REFRESH), "0", str(REFRESHES))
    settle(feed, requests + REFRESHES, 3 * REFRESHES)


def exercise(run, feed, requests):
    """COMPOSITIONS icon compositions and REFRESHES refreshes after `requests`
    feed requests; the requests seen when they are done."""
    run.drive("post", "TaskbarCreated", "0", "0", str(COMPOSITIONS))
    refresh(run, feed, requests)
    return requests + REFRESHES


def measure_under_wine(exe, arch):
    os.environ["ZARVILO_EXE"] = str(exe)
    os.environ["ZARVILO_DRIVER"] = str(build_file(arch, "tests/tools/driver/zarvilo-driver.exe"))
    session = harness.WineSession()
    feed = harness.FeedPeer("-12,5")
    try:
        bare = session.start(
            build_file(arch, "tools/bench/zarvilo-bare-tray.exe"), cwd=session.scratch, output=os.devnull
        )
        with harness.ProgramRun(session, harness.config_text(feed.url())) as run:
            settle(feed, 1, 10)
            start_kb = resident_kb(run.process.pid)
            requests = exercise(run, feed, 1)
            program_kb, bare_kb = resident_kb(run.process.pid), resident_kb(bare.pid)
            # Counting GDI objects under Wine reads the program's whole GDI
            # handle table from outside, which makes the table's 1.5 MB
            # resident in the program: counts come after the memory is read.
            before = counts(run)
            exercise(run, feed, requests)
            after = counts(run)
        bare.kill()
        bare.wait()
    finally:
        feed.close()
        session.close()
    https_kb, https_before, https_after = measure_https(session_for_https(arch), arch)
    ratio = program_kb / bare_kb if bare_kb else float("nan")
    print("  resident memory: %d KB after the first refresh, %d KB after %d more; bare tray program: %d KB;"
          " ratio %.2f (goal <= %.2f)" % (start_kb, program_kb, REFRESHES, bare_kb, ratio, MEMORY_GOAL))
    print("  resident memory with an https:// source after %d refreshes: %d KB (http:// %d KB);"
          " GDI objects and handles around %d more: before %s, after %s (goal: the same)"
          % (REFRESHES, https_kb, program_kb, REFRESHES, https_before, https_after))
    print("  GDI objects and handles: before %s; after %d compositions and %d refreshes %s (goal: the same)"
          % (before, COMPOSITIONS, REFRESHES, after))


def session_for_https(arch):
    os.environ["ZARVILO_EXE"] = str(REPO / "dist" / ("zarvilo-%s.exe" % arch))
    return harness.WineSession()


def measure_https(session, arch):
    """Resident memory after REFRESHES refreshes from a local TLS feed server, and
    the GDI object and handle counts around REFRESHES more."""
    tool = build_file(arch, "tests/tools/trust/zarvilo-trust-root.exe")
    authority = harness.TestAuthority(tempfile.mkdtemp(dir=session.scratch))
    feed = harness.FeedPeer("-12,5", certificate=authority.issue("tls"))
    untrust = authority.trust(lambda *a: session.start(tool, *a, cwd=session.scratch, output=os.devnull).wait(60))
    try:
        with harness.ProgramRun(session, harness.config_text(feed.url())) as run:
            settle(feed, 1, 10)
            refresh(run, feed, 1)
            program_kb = resident_kb(run.process.pid)
            before = counts(run)  # after the memory, as in measure_under_wine
            refresh(run, feed, 1 + REFRESHES)
            return program_kb, before, counts(run)
    finally:
        untrust()
        feed.close()
        session.close()


def main():
    if not harness.display_fits():
        os.execv(str(REPO / "tools" / "with-xvfb.sh"), [str(REPO / "tools" / "with-xvfb.sh"), sys.executable, *sys.argv])
    can_run_32 = harness.can_run_win32()
    for arch in ARCHES:
        exe = REPO / "dist" / ("zarvilo-%s.exe" % arch)
        if not exe.exists():
            print("%s: not built" % exe.name)
            continue
        size = exe.stat().st_size
        print("%s: %d bytes (%.1f KB; goal <= 64 KB)" % (exe.name, size, size / 1024))
        if arch == "i686" and not can_run_32:
            print("  under Wine: not measured, this machine's kernel cannot run 32-bit programs")
            continue
        measure_under_wine(exe, arch)
    return 0


if __name__ == "__main__":
    sys.exit(main())
