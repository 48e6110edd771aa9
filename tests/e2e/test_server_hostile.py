"""trekhold-server against hostile clients, as configured by its command line: overlong
requests, bad encodings, connection floods. Every case is bounded in time; the server must
answer or close, never stall, grow or stop. The bounds of a request's head, its deadline and
the keep-alive are proven on the bounded server itself (server/tests/bounded_server_test.cpp),
ranges and methods in test_server_faults.py."""
import os
import socket
import subprocess
import threading

import pytest

from server_harness import Server, exchange, peak_memory_kb, status_of

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
    assert server.totals() == "0;0;0;0;0;0;0;0"


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
