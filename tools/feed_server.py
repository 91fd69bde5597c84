#!/usr/bin/env python3
"""A feed server for tests and demos: serves the temperature data file on
127.0.0.1 (or ::1) and misbehaves on request.

    feed_server.py [--port N] [--value TEXT] [--mode MODE] [--demo] [--tls PEM]

Prints the port it listens on (useful with --port 0) as its first line.
Each request may choose its own behaviour in the query of its address, e.g.
/t.js?mode=pieces&value=-3,5; what the query leaves out comes from the
command line. Query keys:

    value   the value text written between the quotes (default -12,5)
    mode    ok, late, pieces, close-early, crlf, no-reason, tab-header,
            high-header, no-marker, silent, reset
    status  the status code to answer with (default 200)
    location  a Location header with this address
    body    pad the data file's comment to make the body exactly this many bytes
    size    pad the response with a header to exactly this many bytes
    delay   seconds for late and pieces (default 2 and 0.2)
    id      keep the raw request under this tag; /_request?id=TAG returns it

--demo serves a temperature that changes every minute; --tls serves HTTPS
with the certificate and key of a PEM file.
"""

import argparse
import socket
import socketserver
import ssl
import struct
import sys
import threading
import time
from urllib.parse import parse_qs, urlsplit

REQUEST_LIMIT = 65536
READ_TIMEOUT = 10
SILENT_HOLD = 120
REASONS = {200: "OK", 301: "Moved Permanently", 404: "Not Found", 500: "Internal Server Error"}

recorded_requests = {}
recorded_lock = threading.Lock()


def demo_value(now=None):
    """A temperature that climbs from frost through zero to thaw and falls
    back in half an hour, a new value every minute, in tenths of a degree."""
    step = int((time.time() if now is None else now) // 60) % 30
    tenths = -175 + 25 * step if step < 15 else 187 - 25 * (step - 15)
    sign = "-" if tenths < 0 else ""
    return "%s%d,%d" % (sign, abs(tenths) // 10, abs(tenths) % 10)


def data_file(value, mode):
    if mode == "no-marker":
        return 'var Temp = "%s";' % value
    return '// Larvinsk, outdoor air\r\nvar Therm = "%s";' % value


def build_response(options):
    """The bytes of one answer, as the options ask for."""
    mode = options["mode"]
    status = int(options["status"])
    body = data_file(options["value"], mode).encode("latin-1")
    if options.get("body"):
        body = b"//" + b"p" * (int(options["body"]) - len(body) - 2) + body
    if mode == "crlf":
        body += b"\r\n"
    if mode == "no-reason":
        status_line = b"HTTP/1.0 %d\r\n" % status
    else:
        status_line = ("HTTP/1.0 %d %s\r\n" % (status, REASONS.get(status, "Status"))).encode()
    headers = [b"Content-Type: application/javascript", b"Server: zarvilo-feed"]
    if options.get("location"):
        headers.append(b"Location: " + options["location"].encode("latin-1"))
    if mode == "tab-header":
        headers.append(b"X-Note: a\tb")
    elif mode == "high-header":
        headers.append(b"X-Note: caf\xe9")
    head = status_line + b"".join(h + b"\r\n" for h in headers)
    if options.get("size"):
        head += pad_header(int(options["size"]) - len(head) - 2 - len(body))
    return head + b"\r\n" + body


def pad_header(length):
    """A header line of exactly length bytes (CR LF included)."""
    filler = length - len(b"X-Pad: \r\n")
    if filler < 0:
        raise ValueError("size too small for the response")
    return b"X-Pad: " + b"p" * filler + b"\r\n"


def read_request(connection):
    data = b""
    connection.settimeout(READ_TIMEOUT)
    while b"\r\n\r\n" not in data and len(data) < REQUEST_LIMIT:
        chunk = connection.recv(4096)
        if not chunk:
            break
        data += chunk
    return data


def request_target(request):
    line = request.split(b"\r\n", 1)[0].decode("latin-1")
    parts = line.split(" ")
    return parts[1] if len(parts) >= 2 else "/"


class FeedHandler(socketserver.BaseRequestHandler):
    def handle(self):
        try:
            request = read_request(self.request)
        except OSError:
            return
        address = urlsplit(request_target(request))
        query = {key: values[-1] for key, values in parse_qs(address.query, keep_blank_values=True).items()}
        if address.path == "/_request":
            with recorded_lock:
                recorded = recorded_requests.get(query.get("id", ""), b"")
            self.request.sendall(b"HTTP/1.0 200 OK\r\n\r\n" + recorded)
            return
        if "id" in query:
            with recorded_lock:
                recorded_requests[query["id"]] = request
        self.answer(self.options_for(query))

    def options_for(self, query):
        defaults = self.server.defaults
        options = {
            "mode": defaults.mode,
            "status": 200,
            "value": demo_value() if defaults.demo else defaults.value,
        }
        options.update(query)
        return options

    def answer(self, options):
        mode = options["mode"]
        if mode == "silent":
            self.hold_until_client_leaves()
            return
        if mode == "reset":
            # A zero linger time makes close send a reset instead of a FIN.
            self.request.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.request.close()
            return
        response = build_response(options)
        if mode == "late":
            time.sleep(float(options.get("delay", 2)))
        if mode == "close-early":
            response = response[: len(response) // 2]
        if mode == "pieces":
            self.send_in_pieces(response, float(options.get("delay", 0.2)))
        else:
            self.request.sendall(response)

    def send_in_pieces(self, response, delay):
        step = max(1, len(response) // 5)
        for start in range(0, len(response), step):
            self.request.sendall(response[start : start + step])
            time.sleep(delay)

    def hold_until_client_leaves(self):
        self.request.settimeout(SILENT_HOLD)
        try:
            while self.request.recv(4096):
                pass
        except OSError:
            pass


class FeedServer(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, port, defaults, certificate=None, host="127.0.0.1"):
        self.address_family = socket.AF_INET6 if ":" in host else socket.AF_INET
        super().__init__((host, port), FeedHandler)
        self.defaults = defaults
        self.tls = None
        if certificate:
            self.tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            self.tls.load_cert_chain(certificate)

    def get_request(self):
        # The handshake happens at the handler's first read, on its own thread.
        connection, address = super().get_request()
        if self.tls:
            connection = self.tls.wrap_socket(connection, server_side=True, do_handshake_on_connect=False)
        return connection, address


def main():
    parser = argparse.ArgumentParser(description="Feed server for tests and demos")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--value", default="-12,5")
    parser.add_argument("--mode", default="ok")
    parser.add_argument("--demo", action="store_true", help="a temperature that changes every minute")
    parser.add_argument("--tls", metavar="PEM", help="serve HTTPS with this certificate and key")
    defaults = parser.parse_args()
    server = FeedServer(defaults.port, defaults, defaults.tls)
    print(server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
