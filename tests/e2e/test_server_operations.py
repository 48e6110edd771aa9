"""trekhold-server as its operator runs it: honest rankings and their review, the account
tools, backups, the access log, signals, throttles and the website's headers."""
import os
import signal
import sqlite3
import stat
import time

import pytest

from server_harness import Server, decode_key, run_tool, sending_record, tool_output


def wait_for(condition, timeout=10, step=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(step)
    return condition()


@pytest.fixture
def judged():
    s = Server(judge=True)
    s.add_account("walker", "secret1")
    s.add_account("runner", "secret1")
    yield s.start()
    s.cleanup()


def key_of(server, nick="walker", password="secret1"):
    answer = server.answer("Request_cle.php", f"{nick}'{password}")
    assert answer.startswith("OK-"), answer
    return decode_key(answer[3:])


def test_a_forged_sending_is_answered_held_and_left_to_the_operator(judged):
    db = ["--db", judged.db]
    key = key_of(judged)
    # Just after the key: 21,474 km and a day of uptime. The client is answered as for an
    # accepted sending, so it does not send it again and again.
    forged = sending_record("walker", "secret1", key, [2147483647, 10, 1, 0, 0, 0, 1440, 1440])
    answer = judged.answer("Envoi.php", forged)
    assert answer.startswith("OK000") and len(decode_key(answer[5:])) == 6
    assert judged.answer("Envoi.php", forged) == answer
    assert judged.answer("CheckData.php", "walker'secret1") == "0;0;0;0;0;0;0;0"
    # A real sending of the other account ranks; the forged one does not.
    runner = sending_record("runner", "secret1", key_of(judged, "runner"), [500, 5, 1, 0, 0, 0, 1, 1])
    assert judged.answer("Envoi.php", runner).startswith("OK")
    body = judged.get("/")[1].decode()
    assert "runner" in body and "walker" in body and body.index("runner") < body.index("walker")

    out = tool_output("review", *db)
    assert out.startswith("1 held sendings\n#1 walker ") and "uptime 1440 min" in out
    assert "secret1" not in out and "distance 2147483647 cm" in out
    assert run_tool("review", "accept", "2", *db)[0] == 1
    assert run_tool("review", "accept", "1", *db)[0] == 0
    assert judged.answer("CheckData.php", "walker'secret1") == \
        "2147483647;1;0;0;0;10;1440;1440"
    assert run_tool("review", "reject", "1", *db)[0] == 1  # decided already
    assert tool_output("review", *db).startswith("0 held sendings")


def test_an_unknown_program_is_offered_the_current_client(judged):
    updates = os.path.join(judged.folder, "updates")
    os.makedirs(updates)
    with open(os.path.join(updates, "TheWandrelSetup.exe"), "wb") as f:
        f.write(b"x" * 2048)
    assert run_tool("digest", "add", "F" * 32, "--db", judged.db)[0] == 0
    key = key_of(judged)
    assert judged.answer("Envoi.php", sending_record("walker", "secret1", key, [1] * 8)) \
        == "Errprogram"
    judged.stop()
    judged.extra += ["--update-folder", updates]
    judged.start()
    assert judged.answer("Envoi.php", sending_record("walker", "secret1", key, [1] * 8)) \
        == "Errversion-2.0 Ko-1-TheWandrelSetup.exe"


def test_account_tools(judged):
    db = ["--db", judged.db]
    code, _, err = run_tool("account", "add", "newbie", "secret9", *db)
    assert code == 2 and "wrong number" in err  # never a password on the command line
    assert run_tool("account", "add", "newbie", *db, stdin="secret9\n")[0] == 0
    assert run_tool("account", "add", "other", *db, stdin="short\n")[0] == 1
    assert judged.answer("CheckData.php", "newbie'secret9") == "0;0;0;0;0;0;0;0"
    assert run_tool("account", "passwd", "newbie", *db, stdin="changed9\n")[0] == 0
    assert run_tool("account", "passwd", "nobody", *db, stdin="changed9\n")[0] == 1
    assert judged.answer("CheckData.php", "newbie'secret9") == "ErrPwd"
    assert judged.answer("CheckData.php", "newbie'changed9") == "0;0;0;0;0;0;0;0"
    assert run_tool("account", "rename", "newbie", "Walker", *db)[0] == 1  # taken
    assert run_tool("account", "rename", "newbie", "a b", *db)[0] == 1
    assert run_tool("account", "rename", "newbie", "veteran", *db)[0] == 0
    assert judged.answer("CheckData.php", "veteran'changed9") == "0;0;0;0;0;0;0;0"
    assert run_tool("account", "hide", "veteran", *db)[0] == 0
    assert "1 hidden accounts\n  veteran" in tool_output("review", *db)
    assert run_tool("account", "show", "veteran", *db)[0] == 0
    assert run_tool("account", "remove", "veteran", *db)[0] == 0
    assert run_tool("account", "remove", "veteran", *db)[0] == 1
    assert judged.answer("CheckData.php", "veteran'changed9") == "ErrPseudo"
    assert stat.S_IMODE(os.stat(judged.db).st_mode) == 0o600
    assert tool_output("--version").startswith("trekhold-server ")


def test_test_options_are_refused_outside_tests(judged):
    plain_env = {k: v for k, v in os.environ.items() if k != "TREKHOLD_TEST_HOOKS"}
    for args in (["--minimum-hash-cost"], ["--trust-sendings"],
                 ["account", "add", "x", "--minimum-hash-cost"]):
        code, _, err = run_tool(*args, "--db", judged.db, "--port", "0", env=plain_env,
                                stdin="secret1\n")
        assert code == 2 and "for tests only" in err, args


def test_backup_while_sendings_arrive(judged):
    key = key_of(judged)
    copy = os.path.join(judged.folder, "copy.db")
    for i in range(5):
        answer = judged.answer("Envoi.php",
                               sending_record("walker", "secret1", key, [i + 1, 1, 0, 0, 0, 0, 0, 0]))
        key = decode_key(answer[5:])
        assert tool_output("backup", copy, "--db", judged.db) == "backup written to " + copy
        with sqlite3.connect(copy) as db:
            got = db.execute("SELECT distance, keystrokes, sendings FROM accounts "
                             "WHERE nick = 'walker'").fetchone()
        assert got == (sum(range(1, i + 2)), i + 1, i + 1)
        assert stat.S_IMODE(os.stat(copy).st_mode) == 0o600
    # Restoring is copying the file back while the server is stopped.
    judged.stop()
    os.replace(copy, judged.db)
    for suffix in ("-wal", "-shm"):
        if os.path.exists(judged.db + suffix):
            os.remove(judged.db + suffix)
    judged.start()
    assert judged.answer("CheckData.php", "walker'secret1") == "15;0;0;0;0;5;0;0"


def test_access_log_and_sighup(judged):
    judged.stop()
    log = os.path.join(judged.folder, "access.log")
    judged.extra += ["--access-log", log]
    judged.start()
    judged.answer("CheckData.php", "walker'secret1")
    judged.get("/nothing-here")
    # A line is written once its answer has gone out, so the two may come in either order.
    assert wait_for(lambda: os.path.exists(log) and open(log).read().count("\n") >= 2)
    lines = sorted(open(log).read().splitlines(), key=lambda line: "nothing" in line)
    assert lines[0].endswith("ms") and " 127.0.0.1 GET /CheckData.php 200 " in lines[0]
    assert "Id=" not in lines[0] and " GET /nothing-here 404 " in lines[1]
    # Rotation: the file is moved away, SIGHUP opens a new one; the server keeps serving.
    os.rename(log, log + ".1")
    judged.proc.send_signal(signal.SIGHUP)
    assert wait_for(lambda: os.path.exists(log))
    judged.get("/signup")
    assert wait_for(lambda: " GET /signup 200 " in open(log).read())
    assert judged.proc.poll() is None


def test_wrong_passwords_wait_and_the_waiting_is_a_server_failure(judged):
    for i in range(11):
        assert judged.answer("Request_cle.php", f"walker'guess{i}") == "Errpwd"
    # The 12th guess from this address waits: the client shows a server failure.
    assert judged.answer("Request_cle.php", "walker'secret1") == "Erreur"
    assert judged.answer("CheckData.php", "runner'secret1") == "Erreur"
    # Wrong passwords already refused are still answered as such.
    assert judged.answer("CheckData.php", "walker'guess10") == "ErrPwd"
    assert wait_for(lambda: judged.answer("CheckData.php", "runner'secret1")
                    == "0;0;0;0;0;0;0;0", timeout=5)


def test_website_headers_cache_and_sign_up_form(judged):
    status, body, headers = judged.get("/?by=keystrokes")
    assert status == 200
    assert headers["Cache-Control"].startswith("public, max-age=")
    assert 0 <= int(headers["Cache-Control"].rsplit("=", 1)[1]) <= 30
    for path in ["/", "/signup", "/Liste.php", "/nothing"]:
        headers = judged.get(path)[2]
        assert headers["X-Content-Type-Options"] == "nosniff", path
        assert headers["X-Frame-Options"] == "DENY", path
        assert "frame-ancestors 'none'" in headers["Content-Security-Policy"], path
    assert judged.get("/signup")[2]["Cache-Control"] == "no-store"
    # The rendered page is kept: a new account shows up only when it expires.
    assert judged.get("/?by=keystrokes")[1] == body
    # Fields come from the form's body only.
    status, body, _ = judged.get("/signup?nick=alice&password=secret1&again=secret1",
                                 {"x": "1"})
    assert status == 400 and b"nickname must have" in body
    # A form posted from another site is refused.
    form = b"nick=alice&password=secret1&again=secret1"
    for origin, expected in [(b"http://evil.example", b"403"), (None, b"200")]:
        response = judged.raw(b"POST /signup HTTP/1.1\r\nHost: 127.0.0.1:%d\r\n" % judged.port +
                              (b"Origin: " + origin + b"\r\n" if origin else b"") +
                              b"Content-Type: application/x-www-form-urlencoded\r\n"
                              b"Content-Length: %d\r\nConnection: close\r\n\r\n" % len(form) + form)
        assert response.split(b" ")[1] == expected, origin
    response = judged.raw(b"POST /signup HTTP/1.1\r\nHost: 127.0.0.1:%d\r\n" % judged.port +
                          b"Origin: http://127.0.0.1:%d\r\n" % judged.port +
                          b"Content-Type: application/x-www-form-urlencoded\r\n"
                          b"Content-Length: %d\r\nConnection: close\r\n\r\n" % len(form) + form)
    assert response.split(b" ")[1] == b"409"  # same site: on to the (taken) nickname
