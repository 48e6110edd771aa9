"""trekhold-server as the client meets it: keys, sendings, totals, versions, updates."""
import os
import random
import sqlite3

import pytest

from server_harness import Server, decode_key, run_tool, sending_record

COUNTS = [123456789, 10, 3, 2, 1, 7, 60, 50]  # distance ... usetime, record order


@pytest.fixture
def server():
    s = Server()
    s.add_account("walker", "secret1")
    s.start()
    yield s
    s.cleanup()


def key_request(server, nick="walker", password="secret1"):
    return server.answer("Request_cle.php", nick + "'" + password)


def plain_key(answer, prefix_length):
    assert answer.startswith("OK"), answer
    key = decode_key(answer[prefix_length:])
    assert len(key) == 6
    return key


def test_help_and_bad_command_line():
    code, out, _ = run_tool("--help")
    assert code == 0 and "account add NICK PASSWORD" in out and "--update-folder" in out
    code, _, err = run_tool("--port", "nope")
    assert code == 2 and "--port" in err


def test_key_sending_and_totals(server):
    assert key_request(server, "nobody") == "Errlogin"
    assert key_request(server, password="wrong1") == "Errpwd"
    key = plain_key(key_request(server), 3)

    answer = server.answer("Envoi.php", sending_record("walker", "secret1", key, COUNTS))
    assert answer[:5] == "OK000"
    next_key = plain_key(answer, 5)
    assert next_key != key
    # CheckData order: distance, left, right, special, scrolls, keystrokes, uptime, usetime.
    assert server.answer("CheckData.php", "walker'secret1") == "123456789;3;2;1;7;10;60;50"
    assert server.answer("CheckData.php", "nobody'secret1") == "ErrPseudo"
    assert server.answer("CheckData.php", "walker'wrong1") == "ErrPwd"
    assert server.answer("CheckData.php", "walker") == "Erreur"

    # The key just used is spent; another computer's key request retires the current one.
    assert server.answer("Envoi.php", sending_record("walker", "wrong1", next_key, COUNTS)) \
        == "Errpwd"
    other = plain_key(key_request(server), 3)
    assert server.answer("Envoi.php", sending_record("walker", "secret1", next_key, COUNTS)) \
        == "Errcle"
    assert server.answer("Envoi.php", sending_record("walker", "secret1", other, [1] * 8))[:2] \
        == "OK"
    assert server.answer("CheckData.php", "walker'secret1") == "123456790;4;3;2;8;11;61;51"


def test_lost_answer_is_not_counted_twice_and_totals_survive_a_crash(server):
    key = plain_key(key_request(server), 3)
    record = sending_record("walker", "secret1", key, COUNTS)
    first = server.answer("Envoi.php", record)
    assert first.startswith("OK")
    assert server.answer("Envoi.php", record) == first
    # An "OK" is only given once the totals are on disk: a killed server keeps them.
    server.stop(hard=True)
    with sqlite3.connect(server.db) as db:
        row = db.execute("SELECT distance, keystrokes, sendings FROM accounts "
                         "WHERE nick = 'walker'").fetchone()
        version = db.execute("SELECT version FROM schema_version").fetchone()
    assert row == (123456789, 10, 1)
    assert version == (1,)
    server.start()
    assert server.answer("Envoi.php", record) == first
    assert server.answer("CheckData.php", "walker'secret1") == "123456789;3;2;1;7;10;60;50"


def test_tampered_records_are_refused(server):
    key = plain_key(key_request(server), 3)
    record = sending_record("walker", "secret1", key, COUNTS)
    forged = record.replace("'123456789'", "'923456789'", 1)
    assert server.answer("Envoi.php", forged) == "Errdata"
    assert server.answer("Envoi.php", record + "'more") == "Errdata"
    assert server.answer("Envoi.php", sending_record("walker", "secret1", key,
                                                     [1, 1, 1, 1, 1, 1, 5, 6])) == "Errdata"
    assert server.answer("Envoi.php", sending_record("walker", "secret1", key,
                                                     [-1, 1, 1, 1, 1, 1, 5, 5])) == "Errdata"
    code, _, err = run_tool("digest", "add", "F" * 32, "--db", server.db)
    assert code == 0, err
    assert server.get("/Liste.php")[1] == b"001\r\n" + b"F" * 32 + b"\r\n"
    assert server.answer("Envoi.php", record) == "Errprogram"
    accepted = server.answer("Envoi.php", sending_record("walker", "secret1", key, COUNTS,
                                                         digest="F" * 32))
    assert accepted[:5] == "OK001"


def test_version_check_and_update_files():
    s = Server("--required-version", "36")
    try:
        updates = os.path.join(s.folder, "updates")
        os.makedirs(updates)
        with open(os.path.join(updates, "TheWandrelSetup.exe"), "wb") as f:
            f.write(bytes(range(256)) * 8)
        with open(os.path.join(updates, "not-offered.txt"), "w") as f:
            f.write("x")
        s.add_account("walker", "secret1")
        s.start()
        key = plain_key(key_request(s), 3)
        assert s.answer("Envoi.php", sending_record("walker", "secret1", key, COUNTS)) \
            == "Errversion"
        s.stop()
        s.extra += ["--update-folder", updates]
        s.start()
        answer = s.answer("Envoi.php", sending_record("walker", "secret1", key, COUNTS))
        assert answer == "Errversion-2.0 Ko-1-TheWandrelSetup.exe"
        assert s.answer("Envoi.php", sending_record("walker", "secret1", key, COUNTS,
                                                    version=36))[:2] == "OK"

        # The client's own request, byte for byte.
        request = ("GET /TheWandrelSetup.exe HTTP/1.1\r\n"
                   "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
                   "Accept-Language: fr\r\n"
                   "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)\r\n"
                   "Range: bytes=0-\r\n"
                   "Host: 127.0.0.1\r\n"
                   "Connection: Keep-Alive\r\n\r\n").encode()
        response = s.raw(request)
        head, _, body = response.partition(b"\r\n\r\n")
        assert b"content-type:" in head.lower() and b"content-length: 2048" in head.lower()
        assert body == bytes(range(256)) * 8
        for path in ["/not-offered.txt", "/..%2Ft.db", "/t.db", "/C:TheWandrelSetup.exe",
                     "/updates%2FTheWandrelSetup.exe"]:
            assert s.get(path)[0] == 404, path
        assert s.raw(b"GET /../t.db HTTP/1.1\r\nConnection: close\r\n\r\n").split(b" ")[1] \
            in (b"400", b"404")
    finally:
        s.cleanup()


def test_hostile_requests_never_stop_the_server(server):
    rng = random.Random(5)
    words = {b"Errdata", b"Errversion", b"Errlogin", b"Errpwd", b"Errcle", b"Erreur",
             b"Errprogram", b"ErrPseudo", b"ErrPwd"}
    for i in range(150):
        size = rng.choice([0, 1, 3, 50, 700, 5000])
        junk = bytes(rng.randrange(33, 256) for _ in range(size))
        endpoint = rng.choice([b"/Envoi.php?Data=", b"/Request_cle.php?Data=",
                               b"/CheckData.php?Id=", b"/", b"/signup?", b"/x"])
        response = server.raw(b"GET " + endpoint + junk + b" HTTP/1.1\r\n"
                              b"Connection: close\r\n\r\n")
        status = response.split(b" ", 2)[1] if response.startswith(b"HTTP/1.1 ") else b""
        assert status in (b"200", b"400", b"404", b"414"), (endpoint, junk[:40], response[:80])
        if status == b"200" and b".php" in endpoint:
            assert response.partition(b"\r\n\r\n")[2] in words
    # A request far beyond the size limit is refused, and the server still answers.
    big = server.raw(b"GET /Envoi.php?Data=" + b"J" * 100000 + b" HTTP/1.1\r\n"
                     b"Connection: close\r\n\r\n")
    assert big == b"" or big.split(b" ")[1].startswith(b"4")
    server.raw(b"\x00\xff garbage\r\n\r\n")
    assert server.alive()
    assert server.answer("CheckData.php", "walker'secret1") == "0;0;0;0;0;0;0;0"
