"""Faults of trekhold-server found by trying it as an attacker and as an operator would,
each shown by the real server: the database behind the update folder, ranges and memory,
state changed by HEAD, and failures that used to pass in silence."""
import hashlib
import os
import sqlite3
import subprocess
import threading

import pytest

import server_harness
from server_harness import (SERVER, Server, decode_key, exchange, peak_memory_kb,
                            sending_record, status_of, tool_output)

COUNTS = [1000, 10, 3, 2, 1, 7, 60, 50]


@pytest.fixture
def server():
    s = Server()
    s.add_account("walker", "secret1")
    yield s
    s.cleanup()


def send(server, key, version=35):
    return server.answer("Envoi.php", sending_record("walker", "secret1", key, COUNTS,
                                                     version=version))


def write_file(path, size, seed=b"update"):
    block = hashlib.sha256(seed).digest() * 2048  # 64 KiB
    with open(path, "wb") as f:
        for _ in range(size // len(block)):
            f.write(block)
        f.write(block[:size % len(block)])


def refusal(*args):
    done = subprocess.run([SERVER, "--port", "0", *args], capture_output=True, text=True,
                          timeout=30)
    return done.returncode, done.stderr


def test_the_database_is_never_served_nor_its_locks_dropped(server):
    updates = os.path.join(server.folder, "updates")
    os.makedirs(updates)
    write_file(os.path.join(updates, "TheWandrelSetup.exe"), 3000)
    server.extra += ["--update-folder", updates, "--required-version", "36"]
    server.start()
    key = server.new_key()
    answer = send(server, key, version=36)
    assert answer.startswith("OK"), answer
    # A hard link made while the server runs is neither offered nor opened...
    os.link(server.db, os.path.join(updates, "Copy.dll"))
    assert server.get("/Copy.dll")[0] == 404
    assert send(server, key) == "Errversion-2.9 Ko-1-TheWandrelSetup.exe"
    # ...so the server still holds its locks: another process that opens and closes the
    # database leaves the live log alone, and a crash right after loses nothing answered.
    with sqlite3.connect(server.db) as other:
        other.execute("SELECT COUNT(*) FROM accounts").fetchone()
    other.close()
    assert os.path.exists(server.db + "-wal")
    server.stop(hard=True)
    server.extra = server.extra[:-4]
    server.start()
    assert server.totals() == "1000;3;2;1;7;10;60;50"


def test_one_range_at_most_and_files_streamed_from_disk(server):
    updates = os.path.join(server.folder, "updates")
    os.makedirs(updates)
    small, big = os.path.join(updates, "Small.dll"), os.path.join(updates, "Big.dll")
    write_file(small, 4 << 20)
    write_file(big, 64 << 20, b"big")
    server.extra += ["--update-folder", updates]
    server.start()
    expected = open(small, "rb").read()

    def fetch(path, range_header, timeout=30):
        head, _, body = exchange(server.port, b"GET " + path + b" HTTP/1.1\r\nHost: x\r\n"
                                 b"Range: " + range_header + b"\r\nConnection: close\r\n\r\n",
                                 timeout=timeout).partition(b"\r\n\r\n")
        return status_of(head), head.lower(), body

    # 1,000 ranges in a 3 KB request: the whole file once (which header gets which range is
    # proven on ChooseByteRange, server/tests/update_folder_test.cpp).
    status, head, body = fetch(b"/Small.dll", b"bytes=" + b",".join([b"0-"] * 1000))
    assert (status, len(body)) == (200, len(expected)) and body == expected
    assert b"content-length: 4194304" in head
    status, head, body = fetch(b"/Small.dll", b"bytes=0-")  # the client's request
    assert status == 206 and body == expected
    assert b"content-range: bytes 0-4194303/4194304" in head
    assert b"content-type: application/octet-stream" in head
    status, head, _ = fetch(b"/Small.dll", b"bytes=4194304-")
    assert status == 416 and b"content-range: bytes */4194304" in head
    head = exchange(server.port, b"HEAD /Small.dll HTTP/1.1\r\nConnection: close\r\n\r\n")
    assert status_of(head) == 200 and b"content-length: 4194304" in head.lower()
    assert head.endswith(b"\r\n\r\n")  # the head alone

    # Eight downloads of 64 MiB at once take less memory than one copy of the file.
    digest = hashlib.sha256(open(big, "rb").read()).hexdigest()
    results = []

    def download():
        status, _, body = fetch(b"/Big.dll", b"bytes=0-", timeout=120)
        results.append((status, len(body), hashlib.sha256(body).hexdigest()))

    threads = [threading.Thread(target=download) for _ in range(8)]
    for t in threads:
        t.start()
    for t in threads:
        t.join(timeout=180)
    assert results == [(206, 64 << 20, digest)] * 8
    assert peak_memory_kb(server.proc.pid) < 64 * 1024


def test_account_endpoints_answer_get_only(server):
    server.start()
    key = server.new_key()
    login = tool_output("encipher", "walker'secret1").encode()
    for method in (b"HEAD", b"POST", b"PUT", b"DELETE", b"OPTIONS", b"PATCH"):
        for path in (b"/Request_cle.php?Data=" + login, b"/CheckData.php?Id=" + login,
                     b"/Envoi.php?Data=" + tool_output(
                         "encipher", sending_record("walker", "secret1", key, COUNTS)).encode()):
            response = exchange(server.port, method + b" " + path + b" HTTP/1.1\r\nHost: x\r\n"
                                b"Content-Length: 0\r\nConnection: close\r\n\r\n")
            assert status_of(response) == 405, (method, path[:20], response[:100])
            assert b"allow: get" in response.lower()
    # No key was issued and nothing was counted: the key of before still sends.
    assert server.totals() == "0;0;0;0;0;0;0;0"
    assert send(server, key).startswith("OK")


def test_health_and_a_failed_log_sync_stop_the_server(server, tmp_path, monkeypatch):
    # fdatasync fails once a marker file exists, as on a failing disk.
    shim = tmp_path / "failing_sync.c"
    shim.write_text("""
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdlib.h>
#include <unistd.h>
int fdatasync(int fd) {
    const char* marker = getenv("TREKHOLD_TEST_SYNC_FAILS");
    if (marker && access(marker, F_OK) == 0) { errno = EIO; return -1; }
    return ((int (*)(int))dlsym(RTLD_NEXT, "fdatasync"))(fd);
}
""")
    subprocess.run(["cc", "-shared", "-fPIC", "-o", str(tmp_path / "shim.so"), str(shim),
                    "-ldl"], check=True, timeout=60)
    marker = tmp_path / "disk-fails"
    monkeypatch.setitem(server_harness.TEST_ENV, "LD_PRELOAD", str(tmp_path / "shim.so"))
    monkeypatch.setitem(server_harness.TEST_ENV, "TREKHOLD_TEST_SYNC_FAILS", str(marker))
    server.start()
    assert server.get("/healthz")[:2] == (200, b"ok")
    answer = send(server, server.new_key())
    assert answer.startswith("OK")
    marker.touch()
    key = decode_key(answer[5:])
    assert send(server, key) == "Erreur"
    # The server stops by itself with status 1 and says why.
    _, err = server.proc.communicate(timeout=30)
    assert server.proc.returncode == 1
    err = err.decode()
    assert "failed (Input/output error)" in err and "could not be synced" in err, err
    server.proc = None
    marker.unlink()
    server.start()  # as its supervisor would
    assert server.get("/healthz")[0] == 200
    # The refused sending may or may not have reached the disk; the client keeps its counts
    # and sends them again, and they are counted once either way.
    assert send(server, key).startswith("OK")
    assert server.totals() == "2000;6;4;2;14;20;120;100"


def test_a_damaged_database_is_refused_with_the_command_that_helps(server):
    with sqlite3.connect(server.db) as db:
        db.executemany("INSERT INTO accounts (nick, pw_hash, created) VALUES (?, ?, 0)",
                       [("n%d" % i, "h" * 200) for i in range(300)])
    db.execute("PRAGMA wal_checkpoint(TRUNCATE)")
    db.close()
    with open(server.db, "r+b") as f:
        f.seek(4096 * 11)  # a leaf page of the accounts
        f.write(b"\x5a" * 4096)
    code, err = refusal("--db", server.db)
    assert code == 1 and "is damaged" in err, err
    command = err.split("with: ", 1)[1].split(" and start", 1)[0]
    subprocess.run(command, shell=True, check=True, timeout=60, capture_output=True)
    server.db += ".recovered"
    with sqlite3.connect(server.db) as db:  # what the damaged page did not hold
        assert db.execute("SELECT COUNT(*) FROM accounts").fetchone()[0] > 200
    db.close()
    server.start()
    assert server.get("/healthz")[0] == 200
