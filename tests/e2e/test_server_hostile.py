"""trekhold-server against hostile clients: overlong requests, bad encodings, byte ranges,
methods, slow and idle clients, connection floods. Every case is bounded in time; the
server must answer or close, never stall, grow or stop."""
import os
import re
import socket
import subprocess
import threading
import time

import pytest

from server_harness import (Server, SlowClients, exchange, peak_memory_kb, status_of,
                            tool_output)

WORDS = {b"Errdata", b"Errversion", b"Errlogin", b"Errpwd", b"Errcle", b"Erreur",
         b"Errprogram", b"ErrPseudo", b"ErrPwd"}


@pytest.fixture
def server():
    s = Server("--threads", "4", "--request-seconds", "2")
    s.add_account("walker", "secret1")
    updates = os.path.join(s.folder, "updates")
    os.makedirs(updates)
    with open(os.path.join(updates, "TheWandrelSetup.exe"), "wb") as f:
        f.write(bytes(range(256)) * 40)
    s.extra += ["--update-folder", updates]
    yield s.start()
    s.cleanup()


def request(server, raw, timeout=10):
    return exchange(server.port, raw, timeout=timeout)


def alive(server):
    assert server.proc.poll() is None
    assert server.answer("CheckData.php", "walker'secret1") == "0;0;0;0;0;0;0;0"


def test_overlong_requests_are_refused_without_growing(server):
    before = peak_memory_kb(server.proc.pid)
    assert status_of(request(server, b"GET /" + b"a" * 20000 + b" HTTP/1.1\r\n\r\n")) == 414
    many = b"".join(b"X-%d: 1\r\n" % i for i in range(1000))
    assert status_of(request(server, b"GET / HTTP/1.1\r\n" + many + b"\r\n")) == 431
    # 32 MB of header lines: refused after the first few kilobytes.
    with socket.create_connection(("127.0.0.1", server.port), timeout=10) as s:
        s.sendall(b"GET / HTTP/1.1\r\n")
        sent, answer = 0, b""
        try:
            while sent < 32 << 20:
                s.sendall(b"X-Filler: " + b"f" * 1000 + b"\r\n")
                sent += 1012
        except OSError:
            pass
        try:
            answer = s.recv(4096)
        except OSError:
            pass
    assert sent < 32 << 20, "the server read 32 MB of headers"
    assert answer == b"" or status_of(answer) == 431
    assert peak_memory_kb(server.proc.pid) - before < 8 * 1024
    alive(server)


@pytest.mark.parametrize("target", [
    b"/Envoi.php?Data=%zz", b"/Envoi.php?Data=%", b"/Envoi.php?Data=%00%00",
    b"/Request_cle.php?Data=\x80\xff\xfe", b"/CheckData.php?Id=" + "é".encode("latin-1") * 50,
    b"/%2e%2e/t.db", b"/..%2ft.db", b"/.%2e/t.db", b"/t.db%00.exe", b"/TheWandrelSetup.exe%00",
    b"/\x00", b"/?by=\xff&units=\x00&page=-1", b"/?page=99999999999999999999",
    b"/signup?nick=%ff%fe", b"//TheWandrelSetup.exe", b"/TheWandrelSetup.exe/"])
def test_bad_encodings_get_a_clear_answer(server, target):
    response = request(server, b"GET " + target + b" HTTP/1.1\r\nConnection: close\r\n\r\n")
    status = status_of(response)
    assert status in (200, 400, 404), (target, response[:100])
    if status == 200 and b".php" in target:
        assert response.partition(b"\r\n\r\n")[2] in WORDS
    if status == 200:
        assert bytes(range(256)) not in response  # no update file under another name


def test_malformed_heads(server):
    for head in [b"GET / HTTP/1.1\r\nHost: x\x00y\r\n\r\n", b"GET / HTTP/1.1\rHost: x\r\r\n\r\n",
                 b"GET / HTTP/1.1\nHost: x\n\n", b"GET / HTTP/1.1\r\n folded\r\n\r\n",
                 b"GET / HTTP/9.9\r\n\r\n", b"GET /\r\n\r\n", b"\r\n\r\n\r\n",
                 b"GET / HTTP/1.1\r\nContent-Length: -1\r\n\r\n",
                 b"GET / HTTP/1.1\r\nContent-Length: 99999999999999999999\r\n\r\n",
                 b"POST /signup HTTP/1.1\r\nContent-Length: 100000\r\n\r\n" + b"a" * 100000,
                 b"POST /signup HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nffffffffff\r\n"]:
        response = request(server, head + b"", timeout=5)
        assert status_of(response) in (None, 200, 400, 403, 404, 408, 413, 414, 429, 431, 505), \
            (head[:60], response[:100])
    alive(server)


def test_ranges_and_methods(server):
    setup = b"/TheWandrelSetup.exe"

    def get(path, extra=b"", method=b"GET"):
        return request(server, method + b" " + path + b" HTTP/1.1\r\nConnection: close\r\n" +
                       extra + b"\r\n")

    for header, status, length in [(b"bytes=0-", 206, 10240), (b"bytes=10-19", 206, 10),
                                   (b"bytes=-1", 206, 1), (b"bytes=0-0,0-0", 200, 10240),
                                   (b"bytes=20000-", 416, None),
                                   # not parsed by the HTTP library: refused before routing
                                   (b"bytes=junk", 416, None), (b"lines=0-1", 416, None)]:
        response = get(setup, b"Range: " + header + b"\r\n")
        assert status_of(response) == status, (header, response[:200])
        if length is not None:
            assert len(response.partition(b"\r\n\r\n")[2]) == length
    # The account endpoints are never cut into ranges.
    liste = get(b"/Liste.php", b"Range: bytes=0-0\r\n")
    assert status_of(liste) == 200 and liste.endswith(b"000\r\n")
    # Methods: HEAD of a file is its head; others on files and pages are refused.
    head = get(setup, method=b"HEAD")
    assert status_of(head) == 200 and b"Content-Length: 10240" in head
    assert head.endswith(b"\r\n\r\n")
    login = tool_output("encipher", "walker'secret1").encode()
    for method in (b"TRACE", b"CONNECT", b"FOO", b"PROPFIND", b"DELETE", b"PUT"):
        for path in (b"/", setup, b"/Request_cle.php?Data=" + login):
            response = get(path, b"Content-Length: 0\r\n", method=method)
            assert status_of(response) in (400, 404, 405), (method, path, response[:60])
    alive(server)


def test_slow_and_idle_clients_are_cut_and_others_served(server):
    # Forty clients send their heads a byte every half second, ten times the workers.
    slow = SlowClients(server.port, 40)
    try:
        # They wait for their heads without a worker: a real request is served at once,
        # and each slow one is cut at the request deadline (2 s).
        start = time.monotonic()
        assert server.answer("CheckData.php", "walker'secret1") == "0;0;0;0;0;0;0;0"
        assert time.monotonic() - start < 3
        deadline = time.monotonic() + 15
        while slow.cut < 40 and time.monotonic() < deadline:
            time.sleep(0.2)
        assert slow.cut == 40
    finally:
        slow.stop()
    # An idle keep-alive connection is closed after 2 s, not kept for a worker.
    with socket.create_connection(("127.0.0.1", server.port), timeout=10) as s:
        s.sendall(b"GET /Liste.php HTTP/1.1\r\nHost: x\r\n\r\n")
        start, data = time.monotonic(), b""
        while True:
            chunk = s.recv(4096)
            if not chunk:
                break
            data += chunk
        assert status_of(data) == 200 and time.monotonic() - start < 5


def test_connection_floods_are_all_answered(server):
    listening = subprocess.run(["ss", "-Hltn", "sport = :%d" % server.port], capture_output=True,
                               text=True, timeout=10).stdout
    backlog = int(listening.split()[2])  # Send-Q of a listening socket: its backlog
    assert backlog >= 512, listening
    # 300 connections at once, each with a whole request.
    results = []

    def one():
        results.append(status_of(request(server, b"GET /Liste.php HTTP/1.1\r\n"
                                                  b"Connection: close\r\n\r\n", timeout=30)))

    threads = [threading.Thread(target=one) for _ in range(300)]
    for t in threads:
        t.start()
    for t in threads:
        t.join(timeout=60)
    assert results.count(200) == 300, {s: results.count(s) for s in set(results)}
