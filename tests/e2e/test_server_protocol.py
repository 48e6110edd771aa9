"""trekhold-server as the client meets it: keys, sendings, totals, versions, updates."""
import os
import random
import sqlite3

import pytest

from server_harness import Server, decode_key, run_tool, sending_record

COUNTS = [123456789, 10, 3, 2, 1, 7, 60, 50]  # distance ... usetime, record order
TOTALS = "123456789;3;2;1;7;10;60;50"  # distance, clicks, scrolls, keystrokes, times


@pytest.fixture
def server():
    s = Server()
    s.add_account("walker", "secret1")
    yield s.start()
    s.cleanup()


def new_key(server, answer=None, prefix=3):
    answer = answer or server.answer("Request_cle.php", "walker'secret1")
    assert answer.startswith("OK"), answer
    key = decode_key(answer[prefix:])
    assert len(key) == 6, answer
    return key


def send(server, key, counts=COUNTS, **kw):
    return server.answer("Envoi.php", sending_record("walker", "secret1", key, counts, **kw))


def test_program_digests_from_the_command_line_reach_the_list_and_the_sendings(server):
    key = new_key(server)
    assert run_tool("digest", "add", "F" * 32, "--db", server.db)[0] == 0
    assert server.get("/Liste.php")[1] == b"001\r\n" + b"F" * 32 + b"\r\n"
    assert send(server, key) == "Errprogram"
    answer = send(server, key, digest="F" * 32)
    assert answer[:5] == "OK001" and new_key(server, answer, 5) != key
    assert server.answer("CheckData.php", "walker'secret1") == TOTALS


def test_lost_answer_is_not_counted_twice_and_totals_survive_a_crash(server):
    record = sending_record("walker", "secret1", new_key(server), COUNTS)
    first = server.answer("Envoi.php", record)
    assert first.startswith("OK") and server.answer("Envoi.php", record) == first
    # An "OK" is only given once the totals are on disk: a killed server keeps them.
    server.stop(hard=True)
    with sqlite3.connect(server.db) as db:
        assert db.execute("SELECT distance, keystrokes, sendings FROM accounts "
                          "WHERE nick = 'walker'").fetchone() == (123456789, 10, 1)
    server.start()
    assert server.answer("Envoi.php", record) == first
    assert server.answer("CheckData.php", "walker'secret1") == TOTALS


def test_version_check_and_update_files(server):
    updates = os.path.join(server.folder, "updates")
    os.makedirs(updates)
    with open(os.path.join(updates, "TheWandrelSetup.exe"), "wb") as f:
        f.write(bytes(range(256)) * 8)
    with open(os.path.join(updates, "not-offered.txt"), "w") as f:
        f.write("x")
    server.stop()
    server.extra += ["--required-version", "36", "--update-folder", updates]
    key = new_key(server.start())
    assert send(server, key) == "Errversion-2.0 Ko-1-TheWandrelSetup.exe"
    assert send(server, key, version=36)[:2] == "OK"
    # The client's own request, byte for byte.
    head, _, body = server.raw(
        b"GET /TheWandrelSetup.exe HTTP/1.1\r\n"
        b"Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
        b"Accept-Language: fr\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)"
        b"\r\nRange: bytes=0-\r\nHost: 127.0.0.1\r\nConnection: Keep-Alive\r\n\r\n"
    ).partition(b"\r\n\r\n")
    assert b"content-type:" in head.lower() and b"content-length: 2048" in head.lower()
    assert body == bytes(range(256)) * 8
    for path in ["/not-offered.txt", "/..%2Ft.db", "/t.db", "/C:TheWandrelSetup.exe",
                 "/updates%2FTheWandrelSetup.exe"]:
        assert server.get(path)[0] == 404, path
    assert server.raw(b"GET /../t.db HTTP/1.1\r\nConnection: close\r\n\r\n").split(b" ")[1] \
        in (b"400", b"404")


def test_hostile_requests_never_stop_the_server(server):
    rng = random.Random(5)
    words = {b"Errdata", b"Errversion", b"Errlogin", b"Errpwd", b"Errcle", b"Erreur",
             b"Errprogram", b"ErrPseudo", b"ErrPwd"}
    for _ in range(150):
        junk = bytes(rng.randrange(33, 256) for _ in range(rng.choice([0, 1, 3, 50, 700, 5000])))
        endpoint = rng.choice([b"/Envoi.php?Data=", b"/Request_cle.php?Data=",
                               b"/CheckData.php?Id=", b"/", b"/signup?", b"/x"])
        response = server.raw(b"GET " + endpoint + junk + b" HTTP/1.1\r\nConnection: close\r\n\r\n")
        status = response.split(b" ", 2)[1] if response.startswith(b"HTTP/1.1 ") else b""
        assert status in (b"200", b"400", b"404", b"414"), (endpoint, junk[:40], response[:80])
        if status == b"200" and b".php" in endpoint:
            assert response.partition(b"\r\n\r\n")[2] in words
    big = server.raw(b"GET /Envoi.php?Data=" + b"J" * 100000 + b" HTTP/1.1\r\n"
                     b"Connection: close\r\n\r\n")
    assert big == b"" or big.split(b" ")[1].startswith(b"4")
    server.raw(b"\x00\xff garbage\r\n\r\n")
    assert server.proc.poll() is None
    assert server.answer("CheckData.php", "walker'secret1") == "0;0;0;0;0;0;0;0"
