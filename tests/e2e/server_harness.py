"""Starts trekhold-server for the end-to-end tests and speaks its protocol.

Standard library only. Every wait is bounded; a started server is always stopped.
"""
import hashlib
import os
import select
import shutil
import signal
import socket
import subprocess
import tempfile
import time
import urllib.error
import urllib.parse
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SERVER = os.environ.get("TREKHOLD_SERVER",
                        os.path.join(ROOT, "build", "native", "server", "trekhold-server"))
DIGEST = "0123456789ABCDEF0123456789ABCDEF"


def run_tool(*args, timeout=60):
    """Runs a command of trekhold-server and returns (exit code, stdout, stderr)."""
    done = subprocess.run([SERVER, *args], capture_output=True, text=True, timeout=timeout)
    return done.returncode, done.stdout, done.stderr


def encipher(text):
    code, out, err = run_tool("encipher", text)
    assert code == 0, err
    return out.rstrip("\n")


def decode_key(stored):
    code, out, err = run_tool("decode-key", stored)
    assert code == 0, err
    return out.rstrip("\n")


def sending_record(nick, password, key, counts, version=35, machine="C293A4B5",
                   digest=DIGEST):
    """The client's sending record with its check field; counts in record order."""
    fields = [str(version), nick, password, key] + [str(c) for c in counts] + [machine, digest]
    text = "'".join(fields)
    return text + "'" + hashlib.md5(text.encode("latin-1")).hexdigest().upper()


class Server:
    """A trekhold-server on 127.0.0.1 with a free port and a database in a temp folder."""

    def __init__(self, *extra, folder=None):
        self.folder = folder or tempfile.mkdtemp(prefix="trekhold-e2e-")
        self.db = os.path.join(self.folder, "t.db")
        self.extra = list(extra)
        self.proc = None
        self.port = None

    def add_account(self, nick, password):
        code, _, err = run_tool("account", "add", nick, password, "--db", self.db,
                                "--minimum-hash-cost")
        assert code == 0, err

    def start(self, timeout=20):
        self.proc = subprocess.Popen(
            [SERVER, "--db", self.db, "--port", "0", *self.extra],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        deadline = time.monotonic() + timeout
        line = b""
        while not line.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or self.proc.poll() is not None:
                self.stop()
                raise RuntimeError("trekhold-server did not start: " + line.decode())
            ready, _, _ = select.select([self.proc.stdout], [], [], left)
            if ready:
                chunk = os.read(self.proc.stdout.fileno(), 1)
                if not chunk:
                    continue
                line += chunk
        self.port = int(line.decode().strip().rsplit(":", 1)[1])
        return self

    def stop(self, hard=False, timeout=20):
        if self.proc and self.proc.poll() is None:
            self.proc.send_signal(signal.SIGKILL if hard else signal.SIGTERM)
            try:
                self.proc.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(timeout=timeout)
        if self.proc:
            self.proc.stdout.close()
            self.proc.stderr.close()
        self.proc = None

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def cleanup(self):
        self.stop()
        shutil.rmtree(self.folder, ignore_errors=True)

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def get(self, path, timeout=30):
        """(status, body bytes, headers) of a GET; the path is sent as given."""
        try:
            with urllib.request.urlopen(self.url(path), timeout=timeout) as res:
                return res.status, res.read(), res.headers
        except urllib.error.HTTPError as e:
            return e.code, e.read(), e.headers

    def post_form(self, path, fields, timeout=30):
        data = urllib.parse.urlencode(fields).encode()
        req = urllib.request.Request(self.url(path), data=data, method="POST")
        try:
            with urllib.request.urlopen(req, timeout=timeout) as res:
                return res.status, res.read().decode()
        except urllib.error.HTTPError as e:
            return e.code, e.read().decode()

    def answer(self, endpoint, plain):
        """The text answer of an account endpoint for a plain payload."""
        param = "Id" if endpoint == "CheckData.php" else "Data"
        status, body, _ = self.get("/%s?%s=%s" % (endpoint, param, encipher(plain)))
        assert status == 200
        return body.decode("latin-1")

    def raw(self, request_bytes, timeout=10):
        """Sends bytes as they are; returns the first response (header and body by its
        Content-Length), or what arrived before the server closed."""
        with socket.create_connection(("127.0.0.1", self.port), timeout=timeout) as s:
            s.sendall(request_bytes)
            data = b""
            deadline = time.monotonic() + timeout
            while time.monotonic() < deadline:
                head, sep, body = data.partition(b"\r\n\r\n")
                if sep:
                    length = 0
                    for line in head.split(b"\r\n")[1:]:
                        name, _, value = line.partition(b":")
                        if name.strip().lower() == b"content-length":
                            length = int(value.strip())
                    if len(body) >= length:
                        return data
                try:
                    chunk = s.recv(65536)
                except (socket.timeout, ConnectionResetError):
                    break
                if not chunk:
                    break
                data += chunk
            return data

