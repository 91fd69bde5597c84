#!/usr/bin/env python3
"""Acquisition against real peers on 127.0.0.1 and ::1 through the probe, which makes one refresh
with the program's own code: probe_test.py [EMULATOR...] PROBE. The suite runs in a mount
namespace of its own whose /etc/hosts names the peers (HOSTS)."""

import concurrent.futures
import itertools
import os
import shutil
import socket
import socketserver
import ssl
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import harness  # noqa: E402
from harness import TEXTS, feed_server  # noqa: E402

COMMAND = sys.argv[1:]
# The Windows builds fetch https:// sources; their authority is trusted by this tool.
TRUST_TOOL = os.environ.get("ZARVILO_TRUST_ROOT")
PEERS = {}
HTTPD_PATH = "/files/weather.js"
STAMP_LENGTH = len("05.03.2005  07:09")
VALID, NO_VALUE, INVALID, FAILED = 0, 1, 2, 3
PROXY_HOST = "localhost"  # apart from the sources' 127.0.0.1, so that naming one for the other shows
# Seconds the cases that wait out a time limit take, run beside the others: an https:// exchange
# ends 71 s after it began (its connect 21 s), an http:// connect to every address of a name 21 s.
SILENT, EVERY_SILENT = "https server that never answers", "no address of a name answers"
LONG = {SILENT: 71, "https handshake a byte at a time": 71, "https answer a byte at a time": 71,
        "https connect never completes": 21, EVERY_SILENT: 21}
# A name on ::1 only, and one on ::1 and 127.0.0.1 in that order (the resolver's, checked).
V6_NAME, BOTH_NAME = "v6.zarvilo.test", "both.zarvilo.test"
HOSTS = "127.0.0.1 localhost\n::1 %s\n::1 %s\n127.0.0.1 %s\n" % (V6_NAME, BOTH_NAME, BOTH_NAME)
# The first address never answers: the second's reading comes within this many seconds of start-up.
FIRST_SILENT, WITHIN = "first address never answers, second serves", 3
STARTUP = {}  # seconds the probe takes to start and end without a refresh
POOL = concurrent.futures.ThreadPoolExecutor(max_workers=32)


def family(host):
    return socket.AF_INET6 if ":" in host else socket.AF_INET


def free_port(host="127.0.0.1"):
    with socket.socket(family(host)) as probe:
        probe.bind((host, 0))
        return str(probe.getsockname()[1])


def listening(port, host="127.0.0.1"):
    with socket.socket(family(host)) as probe:
        return probe.connect_ex((host, int(port))) == 0


def refusing(host, port):
    """A socket bound on host:port that does not listen, so that a connect there is refused."""
    bound = socket.socket(family(host))
    unittest.addModuleCleanup(bound.close)
    bound.bind((host, int(port)))


def never_answering(host, port=0):
    """The port of a listener on host whose full queue never answers a connect (checked)."""
    listener = socket.socket(family(host))
    unittest.addModuleCleanup(listener.close)
    listener.bind((host, int(port)))
    listener.listen(0)
    for _ in range(8):
        client = socket.socket(family(host))
        unittest.addModuleCleanup(client.close)
        client.settimeout(0.5)
        try:
            client.connect(listener.getsockname()[:2])
        except socket.timeout:
            return str(listener.getsockname()[1])
    raise AssertionError("the listener on %s still answers" % host)


def resolved(name):
    """The addresses the resolver gives for a name, in its order."""
    lines = subprocess.run(["getent", "ahosts", name], capture_output=True, text=True).stdout.splitlines()
    return [line.split()[0] for line in lines if " STREAM" in line]


def start_daemon(scratch, name, config_lines, command, host="127.0.0.1"):
    """A peer started with a configuration file of these lines; its port once it listens."""
    port = free_port(host)
    config = os.path.join(scratch, name + ".conf")
    with open(config, "w") as out:
        out.write("\n".join(line % {"port": port, "scratch": scratch} for line in config_lines) + "\n")
    process = subprocess.Popen(command + [config], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    unittest.addModuleCleanup(lambda: (process.terminate(), process.wait(10)))
    harness.wait_for(lambda: listening(port, host), 10)
    return port


def setUpModule():
    assert (resolved(V6_NAME), resolved(BOTH_NAME)) == (["::1"], ["::1", "127.0.0.1"]), "the private hosts file"
    scratch = tempfile.mkdtemp(prefix="zarvilo-peers-")
    unittest.addModuleCleanup(shutil.rmtree, scratch, ignore_errors=True)
    feed = harness.FeedPeer()
    unittest.addModuleCleanup(feed.close)
    os.makedirs(os.path.join(scratch, "www/files"))
    with open(os.path.join(scratch, "www" + HTTPD_PATH), "w", newline="") as data:
        data.write('// Larvinsk\r\nvar Therm = "-7,5";')
    connect_ports = []
    if TRUST_TOOL:
        connect_ports = start_tls_peers(scratch)
    PEERS.update(
        feed=str(feed.server_address[1]), closed=free_port(), proxy_log=os.path.join(scratch, "tinyproxy.log"),
        httpd=start_daemon(scratch, "lighttpd", [
            'server.document-root = "%(scratch)s/www"', 'server.bind = "127.0.0.1"', "server.port = %(port)s",
            'server.errorlog = "%(scratch)s/lighttpd.log"'], ["lighttpd", "-D", "-f"]),
        proxy=start_daemon(scratch, "tinyproxy", [
            "Port %(port)s", "Listen 127.0.0.1", "Allow 127.0.0.1", "Timeout 30",
            'LogFile "%(scratch)s/tinyproxy.log"'] + connect_ports, ["tinyproxy", "-d", "-c"]),
        proxy6=start_daemon(scratch, "tinyproxy6", [
            "Port %(port)s", "Listen ::1", "Allow ::1", 'LogFile "%(scratch)s/tinyproxy6.log"'],
            ["tinyproxy", "-d", "-c"], "::1"))
    start_ipv6_peers()


def start_ipv6_peers():
    """The feed server on ::1, ::1 addresses that refuse or never answer on the 127.0.0.1 peers' ports."""
    feed6 = harness.FeedPeer(host="::1")
    unittest.addModuleCleanup(feed6.close)
    PEERS["feed6"] = str(feed6.server_address[1])
    refusing("::1", PEERS["httpd"])
    refusing("::1", PEERS["closed"])
    never_answering("::1", PEERS["feed"])
    PEERS["silent-both"] = never_answering("127.0.0.1")
    never_answering("::1", PEERS["silent-both"])


def start_tls_peers(scratch):
    """TLS peers (the authority trusted in the Wine prefix, and a stranger); tinyproxy's lines for CONNECT."""
    authority = harness.TestAuthority(os.path.join(scratch, "ca"))
    stranger = harness.TestAuthority(os.path.join(scratch, "other-ca"), "Unknown authority")
    certificates = {"tls": authority.issue("tls", ("127.0.0.1", "localhost")),
                    "wrong-name": authority.issue("wrong", ("other.test",)),
                    "expired": authority.issue("expired", dates=("-startdate", "20200101000000Z", "-enddate",
                                                                 "20200201000000Z")),
                    "untrusted": stranger.issue("untrusted")}
    for name, certificate in certificates.items():
        peer = harness.FeedPeer(certificate=certificate)
        unittest.addModuleCleanup(peer.close)
        PEERS[name] = str(peer.server_address[1])
    # Reached only through the proxy's tunnel, by one case: it counts its connections.
    PEERS["tunnelled"] = harness.FeedPeer(certificate=certificates["tls"])
    unittest.addModuleCleanup(PEERS["tunnelled"].close)
    # Its connections wait in the kernel's queue: accepted, never read, never answered.
    silent = socket.create_server(("127.0.0.1", 0))
    unittest.addModuleCleanup(silent.close)
    PEERS["silent"] = str(silent.getsockname()[1])
    # A TLS record header that promises 16 KB, then a byte a second: every read gets data.
    PEERS["trickle-handshake"] = trickling(lambda connection: connection, b"\x16\x03\x03\x3f\xff")
    # The handshake done, a header that never ends, a byte a second.
    tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    tls.load_cert_chain(certificates["tls"])
    PEERS["trickle-answer"] = trickling(lambda connection: tls.wrap_socket(connection, server_side=True),
                                        b"HTTP/1.0 200 OK\r\nX-Pad: ")
    PEERS["backlog-full"] = never_answering("127.0.0.1")
    trust = lambda *arguments: subprocess.run(COMMAND[:-1] + [TRUST_TOOL, *arguments], capture_output=True).returncode  # noqa: E731
    unittest.addModuleCleanup(authority.trust(trust))
    # On ::1 (its port refused on 127.0.0.1), for the address and a name; Wine's crypt32 matches DNS names only.
    tls6 = harness.FeedPeer(certificate=authority.issue("tls6", ("::1", "[::1]", V6_NAME)), host="::1")
    unittest.addModuleCleanup(tls6.close)
    PEERS["tls6"] = str(tls6.server_address[1])
    refusing("127.0.0.1", PEERS["tls6"])
    return ["ConnectPort %s" % port for port in (PEERS["tls"], PEERS["tls6"], PEERS["tunnelled"].server_address[1])]


def trickling(wrap, head):
    """A server on 127.0.0.1 that sends head, then a byte a second for as long as the module runs; its port."""
    stop = threading.Event()

    class Trickle(socketserver.BaseRequestHandler):
        def handle(self):
            try:
                connection = wrap(self.request)
                connection.sendall(head)
                while not stop.wait(1):
                    connection.sendall(b"p")
            except OSError:
                pass

    server = socketserver.ThreadingTCPServer(("127.0.0.1", 0), Trickle)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    unittest.addModuleCleanup(lambda: (stop.set(), server.shutdown(), server.server_close()))
    return str(server.server_address[1])


def url(peer, path="/files/weather.js", query="", scheme="http", host="127.0.0.1"):
    return "%s://%s:%s%s%s" % (scheme, host, PEERS[peer], path, "?" + query if query else "")


def secure(query="", peer="tls"):
    return url(peer, query=query, scheme="https")


def feed(query):
    return url("feed", query=query)


def recorded_request(tag):
    with feed_server.recorded_lock:
        return feed_server.recorded_requests.get(tag, b"")


def finished(probe):
    """The probe's exit status and output bytes, once it has ended."""
    output = probe.communicate(timeout=120)[0]
    return probe.returncode, output.replace(b"\r\n", b"\n")


def timed(probe):
    """The probe's exit status, output and how many seconds it ran from now."""
    started = time.monotonic()
    return finished(probe) + (time.monotonic() - started,)


def background(path, size=16):
    """The icon's background at its bottom-left pixel: red, blue or grey."""
    with open(path, "rb") as bmp:
        data = bmp.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    assert struct.unpack_from("<iiHH", data, 18) == (size, size, 1, 16), "a %dx%d 5-5-5 picture" % (size, size)
    pixel = struct.unpack_from("<H", data, offset)[0]  # rows bottom-up
    red, green, blue = (pixel >> 10) & 31, (pixel >> 5) & 31, pixel & 31
    return "grey" if red == green == blue else "red" if red > blue else "blue"


# Each row: what the case shows, the source address, the proxy (a peer, (host, peer) or None), the
# exit status, then the reading (VALID) or the pattern of the failed step's line (NO_VALUE, INVALID).
def outcomes():
    refused = r":{0}: tried 127\.0\.0\.1:{0} \(refused\)".format(PEERS["closed"])
    closed, received = 'closed before the answer ended with ";', r"receive from 127\.0\.0\.1:%s: " % PEERS["feed"]
    # The feed server as the proxy would answer a request sent to it.
    out_of_range = [("port %s through the proxy" % port, "http://127.0.0.1:%s/t.js" % port, "feed", NO_VALUE,
                     r'source address "http://127\.0\.0\.1:%s/t\.js" is not http://.+' % port)
                    for port in ("0", "65536", "99999")]
    return [
        ("feed server", feed("value=-12,5"), None, VALID, "-12.5"),
        ("static file from lighttpd", url("httpd", HTTPD_PATH), None, VALID, "-7.5"),
        ("through tinyproxy", feed("value=3,5"), "proxy", VALID, "3.5"),
        ("lighttpd through tinyproxy", url("httpd", HTTPD_PATH), "proxy", VALID, "-7.5"),
        ("answer in pieces", feed("mode=pieces&delay=0.05&value=0,5"), None, VALID, "0.5"),
        ("late answer", feed("mode=late&delay=1.5&value=-0,5"), None, VALID, "-0.5"),
        ("longest value", feed("value=12345678,95"), None, VALID, "12345678.95"),
        ("404 from lighttpd", url("httpd", "/files/missing.js"), None, NO_VALUE,
         r"status line from 127\.0\.0\.1:%s: HTTP/1\.0 404 Not Found" % PEERS["httpd"]),
        ("lighttpd's 404 through tinyproxy", url("httpd", "/files/missing.js"), "proxy", NO_VALUE,
         r"status line from the proxy localhost:%s: HTTP/1\.0 404 Not Found" % PEERS["proxy"]),
        ("tinyproxy cannot reach the source", url("closed"), "proxy", NO_VALUE,
         r"status line from the proxy localhost:%s: HTTP/1\.0 5\d\d .+" % PEERS["proxy"]),
        ("connection refused", url("closed"), None, NO_VALUE, r"connect to 127\.0\.0\.1" + refused),
        ("refused by the proxy", feed("value=1,0"), "closed", NO_VALUE, "connect to proxy localhost" + refused),
        ("unresolvable name", "http://no-such-host.invalid/t.js", None, NO_VALUE,
         r"resolve no-such-host\.invalid \(error -?\d+\)"),
        ("not an address", "ftp://127.0.0.1/t.js", None, NO_VALUE,
         r'source address "ftp://127\.0\.0\.1/t\.js" is not http://.+'),
        # Wine reports the reset as the peer's close.
        ("connection reset", feed("mode=reset"), None, NO_VALUE,
         received + r"connection (reset( by peer)? \(error (104|10054)\)|%s)" % closed),
        ("closed before the end", feed("mode=crlf"), None, NO_VALUE, received + "connection " + closed),
        ("1001 bytes", feed("size=1001"), None, NO_VALUE, received + "answer longer than 1000 bytes"),
        ("no value in the answer", feed("value=abc"), None, INVALID, r'no value after "var Therm = ": found "abc"'),
        ("no data file in the answer", feed("mode=no-marker"), None, INVALID,
         r'no "var Therm = " in the answer\'s printable text'),
        ("redirect", feed("status=301&location=https://127.0.0.1/t.js"), None, NO_VALUE,
         r"status line from 127\.0\.0\.1:\d+: HTTP/1\.0 301 Moved Permanently; the address moved to "
         r"https://127\.0\.0\.1/t\.js \(set SourceURL to it\)"),
    ] + out_of_range + address_outcomes() + (secure_outcomes() if TRUST_TOOL else [
        ("https natively", "https://127.0.0.1/t.js", None, NO_VALUE,
         r"https:// sources are fetched by the Windows builds only")])


def address_outcomes():
    """Every address of a name, IPv6 and IPv4, and IPv6 addresses as they are written."""
    def tried(port, first, second):
        return r"connect to both\.zarvilo\.test:%s: tried \[::1\]:%s \(%s\), 127\.0\.0\.1:%s \(%s\)" % (
            port, port, first, port, second)

    return [
        ("IPv6 address", url("feed6", query="value=2,5", host="[::1]"), None, VALID, "2.5"),
        ("name on ::1 only", url("feed6", query="value=-2,0", host=V6_NAME), None, VALID, "-2.0"),
        ("first address refused, second serves", url("httpd", HTTPD_PATH, host=BOTH_NAME), None, VALID, "-7.5"),
        (FIRST_SILENT, url("feed", query="value=1,5", host=BOTH_NAME), None, VALID, "1.5"),
        ("every address refused", url("closed", "/t.js", host=BOTH_NAME), None, NO_VALUE,
         tried(PEERS["closed"], "refused", "refused")),
        (EVERY_SILENT, url("silent-both", "/t.js", host=BOTH_NAME), None, NO_VALUE,
         tried(PEERS["silent-both"], "timed out", "timed out")),
        ("through tinyproxy on [::1]", feed("value=6,5"), ("[::1]", "proxy6"), VALID, "6.5"),
        ("through tinyproxy by a name on ::1", feed("value=-6,5"), (V6_NAME, "proxy6"), VALID, "-6.5"),
        ("refused by the proxy on ::1", feed("value=1,0"), ("::1", "closed"), NO_VALUE,
         r"connect to proxy \[::1\]:%s: tried \[::1\]:%s \(refused\)" % (PEERS["closed"], PEERS["closed"])),
    ]


def secure_outcomes():
    def failed(peer, step, words):
        return r"%s 127\.0\.0\.1:%s: %s" % (step, PEERS[peer], words)

    timed_out, not_found = r"timed out \(error 12002\)", r"HTTP/1\.\d 404 Not Found"
    return [
        ("https", secure("value=-2,5"), None, VALID, "-2.5"),
        ("https 404 through tinyproxy", secure("status=404"), "proxy", NO_VALUE,
         failed("tls", "status line from", not_found)),
        # tinyproxy lets CONNECT reach the ports of its ConnectPort lines only.
        ("tinyproxy refuses the tunnel", secure(peer="untrusted"), "proxy", NO_VALUE,
         r"status line from the proxy localhost:%s: HTTP/1\.\d 403 .+" % PEERS["proxy"]),
        ("https body of 1000 bytes", secure("body=1000&value=1,5"), None, VALID, "1.5"),
        ("https body of 1001 bytes", secure("body=1001"), None, NO_VALUE,
         failed("tls", "receive from", "answer longer than 1000 bytes")),
        ("https 404", secure("status=404"), None, NO_VALUE, failed("tls", "status line from", not_found)),
        ("https redirect", secure("status=301&location=https://127.0.0.1/moved.js"), None, NO_VALUE,
         failed("tls", "status line from", r"HTTP/1\.\d 301 Moved Permanently; the address moved to "
                r"https://127\.0\.0\.1/moved\.js \(set SourceURL to it\)")),
        ("untrusted authority", secure(peer="untrusted"), None, NO_VALUE,
         failed("untrusted", "TLS with", "the certificate's authority is not among Windows' trusted roots")),
        ("wrong host name", secure(peer="wrong-name"), None, NO_VALUE,
         failed("wrong-name", "TLS with", r"the certificate is not for 127\.0\.0\.1")),
        ("expired certificate", secure(peer="expired"), None, NO_VALUE,
         failed("expired", "TLS with", "the certificate has expired or is not valid yet")),
        (SILENT, secure(peer="silent"), None, NO_VALUE, failed("silent", "receive from", timed_out)),
        ("https handshake a byte at a time", secure(peer="trickle-handshake"), None, NO_VALUE,
         failed("trickle-handshake", "receive from", timed_out)),
        ("https answer a byte at a time", secure(peer="trickle-answer"), None, NO_VALUE,
         failed("trickle-answer", "receive from", timed_out)),
        ("https connect never completes", secure(peer="backlog-full"), None, NO_VALUE,
         failed("backlog-full", "connect to", timed_out)),
        ("https to [::1]", url("tls6", query="value=4,5", scheme="https", host="[::1]"), None, VALID, "4.5"),
        ("https to [::1] through tinyproxy", url("tls6", query="value=5,5", scheme="https", host="[::1]"), "proxy",
         VALID, "5.5"),
        # Wine's WinHTTP asks for a name's IPv4 addresses first, and glibc answers 127.0.0.1 for a
        # name on ::1 only (refused there); Windows' WinHTTP takes the name's ::1.
        ("https to a name on ::1 only", url("tls6", "/t.js", scheme="https", host=V6_NAME), None, NO_VALUE,
         r"connect to v6\.zarvilo\.test:%s: cannot connect \(error 12029\)" % PEERS["tls6"]),
        # Wine's WinHTTP cuts a proxy's address at its first colon; Windows' takes [::1]:port.
        ("https through tinyproxy on [::1]", url("tls6", "/t.js", scheme="https", host="[::1]"), ("[::1]", "proxy6"),
         NO_VALUE, r"resolve proxy ::1 \(error 12007\)"),
    ]


def expected(status, detail):
    """A row's failed line pattern, tooltip (None: not shown), log text and icon background."""
    if status == VALID:
        return None, TEXTS["reading"] % detail, detail, "blue" if detail.startswith("-") else "red"
    if status == NO_VALUE:
        return detail, TEXTS["no data"], TEXTS["no connection"], "grey"
    return detail, None, TEXTS["invalid data"], "grey"


class ProbeTest(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="zarvilo-probe-")
        self.addCleanup(shutil.rmtree, self.scratch, ignore_errors=True)

    def path(self, name, directory=None):
        return os.path.join(directory or self.scratch, name)

    def configure(self, source, proxy_host=None, proxy_port="", write_log=1, directory=None):
        lines = [b"[Settings]", b"SourceURL=" + source.encode("cp1251"), b"[Proxy]"]
        if proxy_host:
            lines += [b"UseProxy=1", b"HostName=" + proxy_host.encode("cp1251"), b"RemotePort=" + proxy_port.encode()]
        lines += [b"[LogOptions]", b"WriteLog=%d" % write_log]
        with open(self.path("Quorbel.cfg", directory), "wb") as cfg:
            cfg.write(b"\r\n".join(lines) + b"\r\n")

    def launch(self, *arguments, directory=None):
        probe = subprocess.Popen(COMMAND + list(arguments), cwd=directory or self.scratch, stdin=subprocess.DEVNULL,
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.addCleanup(probe.kill)
        return probe

    def probe(self, *arguments):
        """Runs the probe in the scratch directory: (exit status, output bytes)."""
        return finished(self.launch(*arguments))

    def log_texts(self, directory):
        """The change log's texts, each without its time stamp."""
        with open(self.path("Quorbel.log", directory), "rb") as log:
            lines = log.read().split(b"\r\n")
        self.assertEqual(lines[-1], b"", "the log ends with a line break")
        return [line[STAMP_LENGTH:] + b"\r\n" for line in lines[:-1]]

    def start(self, name, source, proxy, *outcome):
        """The probe started on one case in a directory of its own, timed on a thread of the pool."""
        directory = tempfile.mkdtemp(dir=self.scratch)
        proxy_host, proxy = proxy if isinstance(proxy, tuple) else (proxy and PROXY_HOST, proxy)
        self.configure(source, proxy_host, PEERS.get(proxy, ""), directory=directory)
        return name, directory, POOL.submit(timed, self.launch("--icon", "icon.bmp", directory=directory)), outcome

    def test_outcomes(self):
        in_turn = (self.start(*row) for row in outcomes() if row[0] not in LONG)
        beside = [self.start(*row) for row in outcomes() if row[0] in LONG]  # started now, checked last
        for name, directory, probe, (status, detail) in itertools.chain(in_turn, beside):
            with self.subTest(name):
                code, output, seconds = probe.result()
                if name in LONG:
                    self.assertGreaterEqual(seconds, LONG[name])
                    self.assertLess(seconds, LONG[name] + 8)
                if name == FIRST_SILENT:
                    self.assertLess(seconds, STARTUP["seconds"] + WITHIN)
                self.assertEqual(code, status, output)
                failed, tooltip, log, colour = expected(status, detail)
                text = output.decode("utf-8")
                if failed is None:
                    self.assertNotIn("failed:", text)
                else:
                    self.assertRegex(text, "\noutcome: [^\n]+\nfailed: %s\n" % failed)
                if tooltip is None:
                    self.assertNotIn("tooltip:", text)
                else:
                    self.assertIn("tooltip: %s\n" % tooltip, text)
                self.assertEqual(self.log_texts(directory), [("  %s\r\n" % log).encode("cp1251")])
                self.assertEqual(background(self.path("icon.bmp", directory)), colour)

    def test_requests_on_the_wire(self):
        # The feed server stands in as the proxy, so it sees what a proxy gets; the port is read as a C runtime would.
        for tag, proxy_port in (("as-proxy", PEERS["feed"]), ("padded-port", PEERS["feed"] + "x")):
            with self.subTest(tag):
                source = url("closed", "/t.js", "id=" + tag)
                self.configure(source, PROXY_HOST, proxy_port, write_log=0)
                self.probe()
                expected = "GET %s HTTP/1.0\r\nAccept: */*\r\nHost: 127.0.0.1:%s\r\n\r\n" % (source, PEERS["closed"])
                self.assertEqual(recorded_request(tag), expected.encode())

    def test_one_address_is_one_request_on_both_paths(self):
        # The configuration's code page holds these letters; the request carries their UTF-8 bytes escaped.
        sent = "/%D1%82-%D1%81.js?q=%D0%B9"
        cases = (("http", "feed", "127.0.0.1"), ("https", "tls", "127.0.0.1"), ("https", "tls6", "[::1]"))
        for scheme, peer, host in cases[: 3 if TRUST_TOOL else 1]:
            with self.subTest(peer):
                self.configure(url(peer, "/т-с.js", "q=й&id=same-" + peer, scheme, host), write_log=0)
                self.probe()
                request = recorded_request("same-" + peer)
                self.assertEqual(request.split(b" ")[:2], [b"GET", (sent + "&id=same-" + peer).encode()])
                self.assertIn(("\r\nHost: %s:%s\r\n" % (host, PEERS[peer])).encode(), request)

    @unittest.skipUnless(TRUST_TOOL, "the Windows builds fetch https:// sources")
    def test_https_through_the_proxy_goes_through_its_tunnel(self):
        # The source is 127.0.0.1, the proxy localhost: Wine asks a source of the proxy's own name without a tunnel.
        source = PEERS["tunnelled"]
        port = source.server_address[1]
        self.configure(source.url("?value=6,5"), PROXY_HOST, PEERS["proxy"], write_log=0)
        code, output = self.probe()
        self.assertEqual(code, VALID, output)
        with open(PEERS["proxy_log"], "rb") as log:
            self.assertRegex(log.read(), rb"CONNECT 127\.0\.0\.1:%d HTTP/1\.[01]\b" % port)
        self.assertEqual(source.requests, 1, "the source saw a connection besides the proxy's")

    def test_output_encodings(self):
        self.configure(feed("value=7,0"), "прокси.test", PEERS["closed"], write_log=0)
        self.assertIn(("proxy: прокси.test:%s\n" % PEERS["closed"]).encode("utf-8"), self.probe()[1])
        self.configure(feed("value=7,0"), write_log=0)
        code, output = self.probe("--raw")
        self.assertEqual(code, VALID, output)
        self.assertIn((TEXTS["reading"] % "7.0").encode("cp1251"), output)
        self.assertFalse(os.path.exists(self.path("Quorbel.log")), "no log when logging is off")

    def test_icon_sizes_and_usage(self):
        self.configure(feed("value=-7,5"), write_log=0)
        for size in (24, 256):
            code, output = self.probe("--icon", "icon.bmp", "--size", str(size))
            self.assertEqual(code, VALID, output)
            self.assertEqual(background(self.path("icon.bmp"), size), "blue")
        sizes = [("--icon", "icon.bmp", "--size") + size for size in (("15",), ("257",), ("24px",), ())]
        for arguments, status in [(("--bogus",), FAILED), (("--help",), VALID)] + [(a, FAILED) for a in sizes]:
            with self.subTest(arguments):
                code, output = self.probe(*arguments)
                self.assertEqual(code, status, output)
                self.assertIn(b"usage:", output)
                self.assertNotIn(b"outcome:", output)


def run_with_private_hosts():
    """This suite's exit status, run again where /etc/hosts is HOSTS (the machine's file stays as it is)."""
    directory = tempfile.mkdtemp(prefix="zarvilo-hosts-")
    hosts = os.path.join(directory, "hosts")
    with open(hosts, "w") as out:
        out.write(HOSTS)
    inside = 'mount --bind "$0" /etc/hosts && exec "$@"'
    status = subprocess.run(["unshare", "--mount", "sh", "-c", inside, hosts, sys.executable, *sys.argv],
                            env=dict(os.environ, ZARVILO_PRIVATE_HOSTS=hosts)).returncode
    shutil.rmtree(directory, ignore_errors=True)
    return status


if __name__ == "__main__":
    if not COMMAND:
        sys.exit(__doc__)
    # Every process of the suite, Wine's server too when it starts here, reads the private file.
    if "ZARVILO_PRIVATE_HOSTS" not in os.environ:
        sys.exit(run_with_private_hosts())
    started = time.monotonic()
    if subprocess.run(COMMAND + ["--bogus"], stdin=subprocess.DEVNULL, capture_output=True).returncode == 77:
        print("SKIPPED: the probe cannot run here")
        sys.exit(77)
    STARTUP["seconds"] = time.monotonic() - started
    unittest.main(argv=sys.argv[:1], verbosity=2)
