#!/usr/bin/env python3
"""Runs a command with real network peers on 127.0.0.1, then stops them:

    with_peers.py COMMAND [ARGS...]

Peers, each in a scratch directory of its own, and the environment that
tells the command where they are:

    ZARVILO_FEED_PORT    tools/feed_server.py (misbehaves on request)
    ZARVILO_HTTPD_PORT   lighttpd serving the static data file below
    ZARVILO_HTTPD_PATH   path of that file on lighttpd
    ZARVILO_HTTPD_VALUE  the value the file holds
    ZARVILO_PROXY_PORT   tinyproxy, allowed for 127.0.0.1 only
    ZARVILO_CLOSED_PORT  a port that nothing listens on

The command's exit status is this script's.
"""

import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

TOOLS_DIR = os.path.dirname(os.path.abspath(__file__))
START_TIMEOUT = 10
STOP_TIMEOUT = 5
HTTPD_PATH = "/files/weather.js"
HTTPD_VALUE = "-7,5"


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_until_listening(port, process, name):
    deadline = time.monotonic() + START_TIMEOUT
    while time.monotonic() < deadline:
        if process.poll() is not None:
            raise RuntimeError("%s ended at start (status %s)" % (name, process.returncode))
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError("%s is not listening on port %d" % (name, port))


class Peers:
    def __init__(self):
        self.scratch = tempfile.mkdtemp(prefix="zarvilo-peers-")
        self.processes = []
        self.environment = {}

    def start_logged(self, name, command):
        log = open(os.path.join(self.scratch, name + ".log"), "wb")
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        log.close()
        self.processes.append(process)
        return process

    def start_feed_server(self):
        process = subprocess.Popen(
            [sys.executable, os.path.join(TOOLS_DIR, "..", "..", "tools", "feed_server.py"), "--port", "0"],
            stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE,
        )
        self.processes.append(process)
        port = int(process.stdout.readline())
        wait_until_listening(port, process, "feed server")
        self.environment["ZARVILO_FEED_PORT"] = str(port)

    def start_lighttpd(self):
        root = os.path.join(self.scratch, "www")
        os.makedirs(os.path.dirname(root + HTTPD_PATH))
        with open(root + HTTPD_PATH, "w", newline="") as data:
            data.write('// Larvinsk\r\nvar Therm = "%s";' % HTTPD_VALUE)
        port = free_port()
        config = os.path.join(self.scratch, "lighttpd.conf")
        with open(config, "w") as out:
            out.write('server.document-root = "%s"\n' % root)
            out.write('server.bind = "127.0.0.1"\nserver.port = %d\n' % port)
            out.write('server.errorlog = "%s"\n' % os.path.join(self.scratch, "lighttpd-error.log"))
            out.write('mimetype.assign = (".js" => "application/javascript")\n')
        process = self.start_logged("lighttpd", ["lighttpd", "-D", "-f", config])
        wait_until_listening(port, process, "lighttpd")
        self.environment.update(
            ZARVILO_HTTPD_PORT=str(port), ZARVILO_HTTPD_PATH=HTTPD_PATH, ZARVILO_HTTPD_VALUE=HTTPD_VALUE
        )

    def start_tinyproxy(self):
        port = free_port()
        config = os.path.join(self.scratch, "tinyproxy.conf")
        with open(config, "w") as out:
            out.write("Port %d\nListen 127.0.0.1\nAllow 127.0.0.1\n" % port)
            out.write("Timeout 30\nMaxClients 20\nLogLevel Info\n")
            out.write('LogFile "%s"\n' % os.path.join(self.scratch, "tinyproxy-activity.log"))
        process = self.start_logged("tinyproxy", ["tinyproxy", "-d", "-c", config])
        wait_until_listening(port, process, "tinyproxy")
        self.environment["ZARVILO_PROXY_PORT"] = str(port)

    def stop(self):
        for process in self.processes:
            if process.poll() is None:
                process.terminate()
        for process in self.processes:
            try:
                process.wait(STOP_TIMEOUT)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
            if process.stdout:
                process.stdout.close()
        shutil.rmtree(self.scratch, ignore_errors=True)


def main(command):
    if not command:
        print(__doc__, file=sys.stderr)
        return 2
    peers = Peers()
    try:
        peers.start_feed_server()
        peers.start_lighttpd()
        peers.start_tinyproxy()
        peers.environment["ZARVILO_CLOSED_PORT"] = str(free_port())
        return subprocess.call(command, env=dict(os.environ, **peers.environment))
    finally:
        peers.stop()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
