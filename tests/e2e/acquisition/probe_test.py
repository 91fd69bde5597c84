#!/usr/bin/env python3
"""Acquisition against real peers on 127.0.0.1 and ::1 (the feed server, over TLS too,
lighttpd, tinyproxy), through the probe, which makes one refresh with the program's own
code: probe_test.py [EMULATOR...] PROBE. Each case runs the probe in a scratch
directory with its Quorbel.cfg and checks its exit status, output, log and icon. The
suite runs in a mount namespace of its own whose /etc/hosts names the peers (HOSTS)."""

import itertools
import os
import shutil
import socket
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
# The cases that wait out a whole time limit, run beside the others: how long
# each takes from the probe's start, Wine's start-up included (the https://
# exchange: 21 s to connect, 71 s in all; an http:// connect, every address
# of a name together: 21 s).
SILENT, EVERY_SILENT = "https server that never answers", "no address of a name answers"
LONG = {SILENT: 71, "https handshake a byte at a time": 71, "https answer a byte at a time": 71,
        "https connect never completes": 21, EVERY_SILENT: 21}
# A name on ::1 only, and one on ::1 and 127.0.0.1 in that order (the resolver's, checked).
V6_NAME, BOTH_NAME = "v6.zarvilo.test", "both.zarvilo.test"
HOSTS = "127.0.0.1 localhost\n::1 %s\n::1 %s\n127.0.0.1 %s\n" % (V6_NAME, BOTH_NAME, BOTH_NAME)
# The first address never answers, the second serves: the reading comes the
# stagger's quarter of a second later, well within this many seconds of the probe's start-up.
FIRST_SILENT, WITHIN = "first address never answers, second serves", 3
STARTUP = {}  # seconds the probe takes to start and end without a refresh


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
    """A listener on host:port whose queue is full, so that a connect there is never
    answered (checked: the last connect made to fill it timed out); its port."""
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
    """The feed server on ::1; beside the 127.0.0.1 peers, on their ports, ::1 addresses
    that refuse or never answer; and a port where neither address answers."""
    feed6 = harness.FeedPeer(host="::1")
    unittest.addModuleCleanup(feed6.close)
    PEERS["feed6"] = str(feed6.server_address[1])
    refusing("::1", PEERS["httpd"])
    refusing("::1", PEERS["closed"])
    never_answering("::1", PEERS["feed"])
    PEERS["silent-both"] = never_answering("127.0.0.1")
    never_answering("::1", PEERS["silent-both"])


def start_tls_peers(scratch):
    """TLS feed servers with certificates of a test authority that the Wine prefix
    trusts and one of an authority it does not; tinyproxy's lines that let CONNECT reach them."""
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
    server = socket.create_server(("127.0.0.1", 0))
    stop = threading.Event()

    def trickle(connection):
        with connection:
            try:
                connection = wrap(connection)
                connection.sendall(head)
                while not stop.wait(1):
                    connection.sendall(b"p")
            except OSError:
                pass

    def serve():
        while not stop.is_set():
            try:
                connection = server.accept()[0]
            except OSError:
                return
            threading.Thread(target=trickle, args=(connection,), daemon=True).start()

    threading.Thread(target=serve, daemon=True).start()
    unittest.addModuleCleanup(lambda: (stop.set(), server.close()))
    return str(server.getsockname()[1])


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


class Timed(threading.Thread):
    """Waits for a probe from its start: its exit status, output and how many seconds it ran."""

    def __init__(self, probe):
        super().__init__(daemon=True)
        self.probe, self.started = probe, time.monotonic()
        self.start()

    def run(self):
        self.outcome = finished(self.probe)
        self.seconds = time.monotonic() - self.started

    def result(self):
        self.join(130)
        return self.outcome + (self.seconds,)


def background(path, size=16):
    """The icon's background at its bottom-left pixel: red, blue or grey."""
    with open(path, "rb") as bmp:
        data = bmp.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    assert struct.unpack_from("<iiHH", data, 18) == (size, size, 1, 16), "a %dx%d 5-5-5 picture" % (size, size)
    pixel = struct.unpack_from("<H", data, offset)[0]  # rows bottom-up
    red, green, blue = (pixel >> 10) & 31, (pixel >> 5) & 31, pixel & 31
    return "grey" if red == green == blue else "red" if red > blue else "blue"


# Each row: what the case shows, the source address, the proxy (peer or None),
# then the exit status, the value in the tooltip (None: "no data"; "": no
# tooltip shown), the log text, the icon's background and the pattern of the
# failed step's line (None: no such line).
def outcomes():
    refused = r":{0}: tried 127\.0\.0\.1:{0} \(refused\)".format(PEERS["closed"])
    closed = 'closed before the answer ended with ";'
    return [
        ("feed server", feed("value=-12,5"), None, VALID, "-12.5", "  -12.5\r\n", "blue", None),
        ("static file from lighttpd", url("httpd", HTTPD_PATH), None, VALID, "-7.5", "  -7.5\r\n", "blue", None),
        ("through tinyproxy", feed("value=3,5"), "proxy", VALID, "3.5", "  3.5\r\n", "red", None),
        ("lighttpd through tinyproxy", url("httpd", HTTPD_PATH), "proxy", VALID, "-7.5", "  -7.5\r\n", "blue", None),
        ("answer in pieces", feed("mode=pieces&delay=0.05&value=0,5"), None, VALID, "0.5", "  0.5\r\n", "red", None),
        ("late answer", feed("mode=late&delay=1.5&value=-0,5"), None, VALID, "-0.5", "  -0.5\r\n", "blue", None),
        ("longest value", feed("value=12345678,95"), None, VALID, "12345678.95", "  12345678.95\r\n", "red", None),
        ("404 from lighttpd", url("httpd", "/files/missing.js"), None, NO_VALUE, None, "no connection", "grey",
         r"status line from 127\.0\.0\.1:%s: HTTP/1\.0 404 Not Found" % PEERS["httpd"]),
        ("lighttpd's 404 through tinyproxy", url("httpd", "/files/missing.js"), "proxy", NO_VALUE, None,
         "no connection", "grey", r"status line from the proxy localhost:%s: HTTP/1\.0 404 Not Found" % PEERS["proxy"]),
        ("tinyproxy cannot reach the source", url("closed"), "proxy", NO_VALUE, None, "no connection", "grey",
         r"status line from the proxy localhost:%s: HTTP/1\.0 5\d\d .+" % PEERS["proxy"]),
        ("connection refused", url("closed"), None, NO_VALUE, None, "no connection", "grey",
         r"connect to 127\.0\.0\.1" + refused),
        ("refused by the proxy", feed("value=1,0"), "closed", NO_VALUE, None, "no connection", "grey",
         "connect to proxy localhost" + refused),
        ("unresolvable name", "http://no-such-host.invalid/t.js", None, NO_VALUE, None, "no connection", "grey",
         r"resolve no-such-host\.invalid \(error -?\d+\)"),
        ("not an address", "ftp://127.0.0.1/t.js", None, NO_VALUE, None, "no connection", "grey",
         r'source address "ftp://127\.0\.0\.1/t\.js" is not http://.+'),
        # Wine reports the reset as the peer's close.
        ("connection reset", feed("mode=reset"), None, NO_VALUE, None, "no connection", "grey",
         r"receive from 127\.0\.0\.1:%s: connection (reset( by peer)? \(error (104|10054)\)|%s)" % (PEERS["feed"], closed)),
        ("closed before the end", feed("mode=crlf"), None, NO_VALUE, None, "no connection", "grey",
         r"receive from 127\.0\.0\.1:\d+: connection " + closed),
        ("1001 bytes", feed("size=1001"), None, NO_VALUE, None, "no connection", "grey",
         r"receive from 127\.0\.0\.1:\d+: answer longer than 1000 bytes"),
        ("no value in the answer", feed("value=abc"), None, INVALID, "", "invalid data", "grey",
         r'no value after "var Therm = ": found "abc"'),
        ("no data file in the answer", feed("mode=no-marker"), None, INVALID, "", "invalid data", "grey",
         r'no "var Therm = " in the answer\'s printable text'),
        ("redirect", feed("status=301&location=https://127.0.0.1/t.js"), None, NO_VALUE, None, "no connection",
         "grey", r"status line from 127\.0\.0\.1:\d+: HTTP/1\.0 301 Moved Permanently; the address moved to "
         r"https://127\.0\.0\.1/t\.js \(set SourceURL to it\)"),
    ] + address_outcomes() + (secure_outcomes() if TRUST_TOOL else [
        ("https natively", "https://127.0.0.1/t.js", None, NO_VALUE, None, "no connection", "grey",
         r"https:// sources are fetched by the Windows builds only")])


def address_outcomes():
    """Every address of a name, IPv6 and IPv4, and IPv6 addresses as they are written."""
    tried = lambda port, *words: r"connect to both\.zarvilo\.test:%s: tried \[::1\]:%s \(%s\), 127\.0\.0\.1:%s \(%s\)" % (  # noqa: E731
        port, port, words[0], port, words[1])
    return [
        ("IPv6 address", url("feed6", query="value=2,5", host="[::1]"), None, VALID, "2.5", "  2.5\r\n", "red", None),
        ("name on ::1 only", url("feed6", query="value=-2,0", host=V6_NAME), None, VALID, "-2.0", "  -2.0\r\n",
         "blue", None),
        ("first address refused, second serves", url("httpd", HTTPD_PATH, host=BOTH_NAME), None, VALID, "-7.5",
         "  -7.5\r\n", "blue", None),
        (FIRST_SILENT, url("feed", query="value=1,5", host=BOTH_NAME), None, VALID, "1.5", "  1.5\r\n", "red", None),
        ("every address refused", url("closed", "/t.js", host=BOTH_NAME), None, NO_VALUE, None, "no connection",
         "grey", tried(PEERS["closed"], "refused", "refused")),
        (EVERY_SILENT, url("silent-both", "/t.js", host=BOTH_NAME), None, NO_VALUE, None, "no connection", "grey",
         tried(PEERS["silent-both"], "timed out", "timed out")),
        ("through tinyproxy on [::1]", feed("value=6,5"), ("[::1]", "proxy6"), VALID, "6.5", "  6.5\r\n", "red", None),
        ("through tinyproxy by a name on ::1", feed("value=-6,5"), (V6_NAME, "proxy6"), VALID, "-6.5", "  -6.5\r\n",
         "blue", None),
        ("refused by the proxy on ::1", feed("value=1,0"), ("::1", "closed"), NO_VALUE, None, "no connection", "grey",
         r"connect to proxy \[::1\]:%s: tried \[::1\]:%s \(refused\)" % (PEERS["closed"], PEERS["closed"])),
    ]


def secure_outcomes():
    tls = lambda peer, words: r"TLS with 127\.0\.0\.1:%s: the %s" % (PEERS[peer], words)  # noqa: E731
    return [
        ("https", secure("value=-2,5"), None, VALID, "-2.5", "  -2.5\r\n", "blue", None),
        ("https 404 through tinyproxy", secure("status=404"), "proxy", NO_VALUE, None, "no connection", "grey",
         r"status line from 127\.0\.0\.1:%s: HTTP/1\.\d 404 Not Found" % PEERS["tls"]),
        # tinyproxy lets CONNECT reach the ports of its ConnectPort lines only.
        ("tinyproxy refuses the tunnel", secure(peer="untrusted"), "proxy", NO_VALUE, None, "no connection", "grey",
         r"status line from the proxy localhost:%s: HTTP/1\.\d 403 .+" % PEERS["proxy"]),
        ("https body of 1000 bytes", secure("body=1000&value=1,5"), None, VALID, "1.5", "  1.5\r\n", "red", None),
        ("https body of 1001 bytes", secure("body=1001"), None, NO_VALUE, None, "no connection", "grey",
         r"receive from 127\.0\.0\.1:\d+: answer longer than 1000 bytes"),
        ("https 404", secure("status=404"), None, NO_VALUE, None, "no connection", "grey",
         r"status line from 127\.0\.0\.1:%s: HTTP/1\.\d 404 Not Found" % PEERS["tls"]),
        ("https redirect", secure("status=301&location=https://127.0.0.1/moved.js"), None, NO_VALUE, None,
         "no connection", "grey", r"status line from 127\.0\.0\.1:\d+: HTTP/1\.\d 301 Moved Permanently; the "
         r"address moved to https://127\.0\.0\.1/moved\.js \(set SourceURL to it\)"),
        ("untrusted authority", secure(peer="untrusted"), None, NO_VALUE, None, "no connection", "grey",
         tls("untrusted", "certificate's authority is not among Windows' trusted roots")),
        ("wrong host name", secure(peer="wrong-name"), None, NO_VALUE, None, "no connection", "grey",
         tls("wrong-name", r"certificate is not for 127\.0\.0\.1")),
        ("expired certificate", secure(peer="expired"), None, NO_VALUE, None, "no connection", "grey",
         tls("expired", "certificate has expired or is not valid yet")),
        (SILENT, secure(peer="silent"), None, NO_VALUE, None, "no connection", "grey",
         r"receive from 127\.0\.0\.1:%s: timed out \(error 12002\)" % PEERS["silent"]),
        ("https handshake a byte at a time", secure(peer="trickle-handshake"), None, NO_VALUE, None, "no connection",
         "grey", r"receive from 127\.0\.0\.1:%s: timed out \(error 12002\)" % PEERS["trickle-handshake"]),
        ("https answer a byte at a time", secure(peer="trickle-answer"), None, NO_VALUE, None, "no connection",
         "grey", r"receive from 127\.0\.0\.1:%s: timed out \(error 12002\)" % PEERS["trickle-answer"]),
        ("https connect never completes", secure(peer="backlog-full"), None, NO_VALUE, None, "no connection",
         "grey", r"connect to 127\.0\.0\.1:%s: timed out \(error 12002\)" % PEERS["backlog-full"]),
        ("https to [::1]", url("tls6", query="value=4,5", scheme="https", host="[::1]"), None, VALID, "4.5",
         "  4.5\r\n", "red", None),
        ("https to [::1] through tinyproxy", url("tls6", query="value=5,5", scheme="https", host="[::1]"), "proxy",
         VALID, "5.5", "  5.5\r\n", "red", None),
        # Wine's WinHTTP asks for a name's IPv4 addresses first, and glibc answers 127.0.0.1 for a
        # name on ::1 only (refused there); Windows' WinHTTP takes the name's ::1.
        ("https to a name on ::1 only", url("tls6", "/t.js", scheme="https", host=V6_NAME), None, NO_VALUE, None,
         "no connection", "grey", r"connect to v6\.zarvilo\.test:%s: cannot connect \(error 12029\)" % PEERS["tls6"]),
        # Wine's WinHTTP cuts a proxy's address at its first colon; Windows' takes [::1]:port.
        ("https through tinyproxy on [::1]", url("tls6", "/t.js", scheme="https", host="[::1]"), ("[::1]", "proxy6"),
         NO_VALUE, None, "no connection", "grey", r"resolve proxy ::1 \(error 12007\)"),
    ]


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

    def start(self, name, source, proxy, *expected):
        """The probe started on one case in a directory of its own; proxy is a peer or (host, peer)."""
        directory = tempfile.mkdtemp(dir=self.scratch)
        proxy_host, proxy = proxy if isinstance(proxy, tuple) else (proxy and PROXY_HOST, proxy)
        self.configure(source, proxy_host, PEERS.get(proxy, ""), directory=directory)
        return name, directory, Timed(self.launch("--icon", "icon.bmp", directory=directory)), expected

    def test_outcomes(self):
        in_turn = (self.start(*row) for row in outcomes() if row[0] not in LONG)
        beside = [self.start(*row) for row in outcomes() if row[0] in LONG]  # started now, checked last
        for name, directory, probe, (status, value, log, colour, failed) in itertools.chain(in_turn, beside):
            with self.subTest(name):
                code, output, seconds = probe.result()
                if name in LONG:
                    self.assertGreaterEqual(seconds, LONG[name])
                    self.assertLess(seconds, LONG[name] + 8)
                if name == FIRST_SILENT:
                    self.assertLess(seconds, STARTUP["seconds"] + WITHIN)
                self.assertEqual(code, status, output)
                text = output.decode("utf-8")
                if failed is None:
                    self.assertNotIn("failed:", text)
                else:
                    self.assertRegex(text, "\noutcome: [^\n]+\nfailed: %s\n" % failed)
                if value == "":
                    self.assertNotIn("tooltip:", text)
                else:
                    tooltip = TEXTS["no data"] if value is None else TEXTS["reading"] % value
                    self.assertIn("tooltip: %s\n" % tooltip, text)
                expected_log = ("  %s\r\n" % TEXTS[log] if log in TEXTS else log).encode("cp1251")
                self.assertEqual(self.log_texts(directory), [expected_log])
                self.assertEqual(background(self.path("icon.bmp", directory)), colour)

    def test_requests_on_the_wire(self):
        # The feed server stands in as the proxy too, so it sees what a proxy gets.
        source = url("closed", "/t.js", "id=as-proxy")
        cases = [
            ("as proxy", source, PEERS["feed"], "GET " + source, PEERS["closed"]),
            # The proxy port is read as a C runtime reads a number.
            ("padded proxy port", source.replace("as-proxy", "padded"), "%sx" % PEERS["feed"],
             "GET " + source.replace("as-proxy", "padded"), PEERS["closed"]),
    ]
        for name, source, proxy_port, request_line, host_port in cases:
            with self.subTest(name):
                self.configure(source, proxy_port and PROXY_HOST, proxy_port or "", write_log=0)
                self.probe()
                tag = source.rsplit("id=", 1)[1]
                expected = "%s HTTP/1.0\r\nAccept: */*\r\nHost: 127.0.0.1:%s\r\n\r\n" % (request_line, host_port)
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

    def test_port_out_of_range_sends_nothing_to_the_proxy(self):
        for port in ("0", "65536", "99999"):
            with self.subTest(port):
                self.configure("http://127.0.0.1:%s/t.js?id=range%s" % (port, port), "127.0.0.1", PEERS["feed"])
                code, output = self.probe()
                self.assertEqual(code, NO_VALUE, output)
                self.assertEqual(recorded_request("range" + port), b"")

    def test_output_encodings(self):
        self.configure(feed("value=7,0"), "прокси.test", PEERS["closed"], write_log=0)
        self.assertIn(("proxy: прокси.test:%s\n" % PEERS["closed"]).encode("utf-8"), self.probe()[1])
        self.configure(feed("value=7,0"), write_log=0)
        code, output = self.probe("--raw")
        self.assertEqual(code, VALID, output)
        self.assertIn((TEXTS["reading"] % "7.0").encode("cp1251"), output)
        self.assertFalse(os.path.exists(self.path("Quorbel.log")), "no log when logging is off")

    def test_icon_at_the_size_asked_for(self):
        self.configure(feed("value=-7,5"), write_log=0)
        for size in (24, 256):
            code, output = self.probe("--icon", "icon.bmp", "--size", str(size))
            self.assertEqual(code, VALID, output)
            self.assertEqual(background(self.path("icon.bmp"), size), "blue")

    def test_usage_without_a_refresh(self):
        self.configure(feed("value=1,5"))
        sizes = [("--icon", "icon.bmp", "--size") + size for size in (("15",), ("257",), ("24px",), ())]
        for arguments, status in [(("--bogus",), FAILED), (("--help",), VALID)] + [(a, FAILED) for a in sizes]:
            with self.subTest(arguments):
                code, output = self.probe(*arguments)
                self.assertEqual(code, status, output)
                self.assertIn(b"usage:", output)
                self.assertNotIn(b"outcome:", output)


def run_with_private_hosts():
    """Runs this suite again in a mount namespace of its own, whose /etc/hosts is HOSTS
    (the machine's file stays as it is); its exit status."""
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
