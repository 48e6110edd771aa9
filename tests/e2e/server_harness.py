"""Starts trekhold-server for the end-to-end tests and speaks its protocol. Every wait is
bounded; a started server is always stopped."""
import copy
import hashlib
import os
import re
import select
import shutil
import socket
import subprocess
import tempfile
import threading
import time
import urllib.error
import urllib.parse
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SERVER = os.environ.get("TREKHOLD_SERVER",
                        os.path.join(ROOT, "build", "native", "server", "trekhold-server"))
# Allows the server's options meant for tests (cheap password hashes, trusting sendings).
TEST_ENV = dict(os.environ, TREKHOLD_TEST_HOOKS="1")


def stop_process(proc, hard=False):
    """Ends a started program (terminate, or kill when hard) and waits for it, 20 s at most
    before a kill."""
    if proc:
        if proc.poll() is None:
            (proc.kill if hard else proc.terminate)()
        try:
            proc.communicate(timeout=20)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.communicate(timeout=20)


def run_tool(*args, timeout=60, stdin=None, env=TEST_ENV):
    done = subprocess.run([SERVER, *args], capture_output=True, text=True, timeout=timeout,
                          input=stdin, env=env)
    return done.returncode, done.stdout, done.stderr


def tool_output(*args):
    code, out, err = run_tool(*args)
    assert code == 0, err
    return out.rstrip("\n")


def decode_key(stored):
    return tool_output("decode-key", stored)


def sending_record(nick, password, key, counts, version=35, digest="0" * 32):
    """The client's sending record with its check field; counts in record order."""
    text = "'".join([str(version), nick, password, key, *map(str, counts), "C293A4B5", digest])
    return text + "'" + hashlib.md5(text.encode("latin-1")).hexdigest().upper()


class Server:
    """A trekhold-server on 127.0.0.1 with a free port and a database in a temp folder. It
    counts every sending unless `judge` is set (the tests of other matters send counts no
    person makes, or minutes shortened to a quarter of a second)."""

    def __init__(self, *extra, judge=False):
        self.folder = tempfile.mkdtemp(prefix="trekhold-e2e-")
        self.db = os.path.join(self.folder, "t.db")
        self.extra = list(extra) + ([] if judge else ["--trust-sendings"])
        self.proc = self.port = None

    def add_account(self, nick, password):
        code, _, err = run_tool("account", "add", nick, "--db", self.db, "--minimum-hash-cost",
                                stdin=password + "\n")
        assert code == 0, err

    def start(self, timeout=20):
        self.proc = subprocess.Popen([SERVER, "--db", self.db, "--port", "0", *self.extra],
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=TEST_ENV)
        deadline = time.monotonic() + timeout
        line = b""
        while not line.endswith(b"\n"):
            left = max(0, deadline - time.monotonic())
            ready = select.select([self.proc.stdout], [], [], left)[0]
            chunk = os.read(self.proc.stdout.fileno(), 1) if ready else b""
            if not chunk:
                self.stop()
                raise RuntimeError("trekhold-server did not start: " + line.decode())
            line += chunk
        self.port = int(line.decode().strip().rsplit(":", 1)[1])
        return self

    def stop(self, hard=False):
        stop_process(self.proc, hard)
        self.proc = None

    def cleanup(self):
        self.stop()
        shutil.rmtree(self.folder, ignore_errors=True)

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def get(self, path, form=None, timeout=30):
        """(status, body bytes, headers) of a GET, or of a POST of the form when given."""
        data = urllib.parse.urlencode(form).encode() if form else None
        try:
            with urllib.request.urlopen(self.url(path), data, timeout=timeout) as res:
                return res.status, res.read(), res.headers
        except urllib.error.HTTPError as e:
            return e.code, e.read(), e.headers

    def answer(self, endpoint, plain):
        """The text answer of an account endpoint for a plain payload."""
        param = "Id" if endpoint == "CheckData.php" else "Data"
        status, body, _ = self.get("/%s?%s=%s" % (endpoint, param, tool_output("encipher", plain)))
        assert status == 200
        return body.decode("latin-1")

    def new_key(self, nick="walker", password="secret1"):
        """The plain key the server issues to the account."""
        answer = self.answer("Request_cle.php", f"{nick}'{password}")
        assert answer.startswith("OK-"), answer
        return decode_key(answer[3:])

    def totals(self, nick="walker", password="secret1"):
        """The account's totals as CheckData.php answers them."""
        return self.answer("CheckData.php", f"{nick}'{password}")

    def raw(self, request, timeout=30):
        """What the server sends back to bytes sent as they are (see exchange)."""
        return exchange(self.port, request, timeout)


def exchange(port, request, timeout=30):
    """Everything the server sends back to bytes sent as they are, until it closes (for
    requests that end with "Connection: close"; large answers)."""
    data = bytearray()
    deadline = time.monotonic() + timeout
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        s.sendall(request)
        while time.monotonic() < deadline:
            try:
                chunk = s.recv(1 << 20)
            except (socket.timeout, ConnectionResetError):
                break
            if not chunk:
                break
            data += chunk
    return bytes(data)


def through(server, port):
    """The same server as reached through a proxy listening on `port` (requests only)."""
    view = copy.copy(server)
    view.port = port
    return view


def peak_memory_kb(pid):
    """The most resident memory the process has used (VmHWM), in KiB."""
    with open("/proc/%d/status" % pid) as f:
        return int(re.search(r"VmHWM:\s+(\d+)", f.read()).group(1))


def status_of(response):
    """The status code of a raw response, or None when nothing came."""
    parts = response.split(b" ", 2)
    return int(parts[1]) if response.startswith(b"HTTP/1.") and len(parts) > 1 else None


class SlowClients:
    """`count` connections that send a request head one byte every `interval` seconds,
    until stopped."""

    def __init__(self, port, count, interval=0.5):
        self.socks = [socket.create_connection(("127.0.0.1", port), timeout=10)
                      for _ in range(count)]
        self.interval = interval
        self.stopping = threading.Event()
        self.thread = threading.Thread(target=self._trickle, daemon=True)
        self.thread.start()

    def _trickle(self):
        head = b"GET /Liste.php HTTP/1.1\r\nHost: x\r\n" + b"X-Slow: " + b"s" * 400
        for byte in head:
            for s in list(self.socks):
                try:
                    s.send(bytes([byte]))
                except OSError:
                    self.socks.remove(s)
                    s.close()
            if self.stopping.wait(self.interval) or not self.socks:
                return

    def stop(self):
        self.stopping.set()
        self.thread.join(timeout=10)
        for s in self.socks:
            s.close()
