"""trekhold-server as its operator runs it: honest rankings and their review, the account
tools, backups, the access log, signals, throttles and the website's headers."""
import os
import signal
import stat

import pytest

from harness import wait_until
from server_harness import (Server, decode_key, exchange, run_tool, sending_record, status_of,
                            tool_output)


@pytest.fixture
def judged():
    s = Server(judge=True)
    s.add_account("walker", "secret1")
    s.add_account("runner", "secret1")
    yield s.start()
    s.cleanup()


def test_a_forged_sending_is_answered_held_and_left_to_the_operator(judged):
    # Which sendings are held and what a decision does is proven on the service
    # (server/tests/honesty_test.cpp); here, the operator's review tool on the live database.
    db = ["--db", judged.db]
    # Just after the key: 21,474 km and a day of uptime, answered as an accepted sending.
    forged = sending_record("walker", "secret1", judged.new_key(),
                            [2147483647, 10, 1, 0, 0, 0, 1440, 1440])
    assert judged.answer("Envoi.php", forged).startswith("OK000")
    assert judged.totals() == "0;0;0;0;0;0;0;0"
    out = tool_output("review", *db)
    assert out.startswith("1 held sendings\n#1 walker ") and "uptime 1440 min" in out
    assert "secret1" not in out and "distance 2147483647 cm" in out
    assert run_tool("review", "accept", "2", *db)[0] == 1
    assert run_tool("review", "accept", "1", *db)[0] == 0
    assert judged.totals() == \
        "2147483647;1;0;0;0;10;1440;1440"
    assert tool_output("review", *db).startswith("0 held sendings")


def test_account_tools(judged):
    # What each change does to the database is proven on the storage; here, that the tools
    # reach the running server's database, the password always from standard input.
    db = ["--db", judged.db]
    assert run_tool("account", "add", "newbie", *db, stdin="secret9\n")[0] == 0
    assert run_tool("account", "add", "other", *db, stdin="short\n")[0] == 1
    assert judged.totals("newbie", "secret9") == "0;0;0;0;0;0;0;0"
    assert run_tool("account", "passwd", "newbie", *db, stdin="changed9\n")[0] == 0
    assert judged.totals("newbie", "secret9") == "ErrPwd"
    assert run_tool("account", "rename", "newbie", "Walker", *db)[0] == 1  # taken
    assert run_tool("account", "rename", "newbie", "veteran", *db)[0] == 0
    assert judged.totals("veteran", "changed9") == "0;0;0;0;0;0;0;0"
    assert run_tool("account", "hide", "veteran", *db)[0] == 0
    assert "1 hidden accounts\n  veteran" in tool_output("review", *db)
    assert run_tool("account", "remove", "veteran", *db)[0] == 0
    assert judged.totals("veteran", "changed9") == "ErrPseudo"
    assert stat.S_IMODE(os.stat(judged.db).st_mode) == 0o600


def test_backup_and_restore(judged):
    # That a backup taken while changes arrive is a whole copy, with the owner's rights only,
    # is proven on the database (server/tests/storage_test.cpp); here, the tool and a restore.
    answer = judged.answer("Envoi.php", sending_record("walker", "secret1", judged.new_key(),
                                                       [15, 5, 0, 0, 0, 0, 0, 0]))
    assert answer.startswith("OK")
    copy = os.path.join(judged.folder, "copy.db")
    assert tool_output("backup", copy, "--db", judged.db) == "backup written to " + copy
    judged.answer("Envoi.php", sending_record("walker", "secret1", decode_key(answer[5:]),
                                              [1, 1, 0, 0, 0, 0, 0, 0]))
    assert judged.totals() == "16;0;0;0;0;6;0;0"
    # Restoring is copying the file back while the server is stopped.
    judged.stop()
    os.replace(copy, judged.db)
    for suffix in ("-wal", "-shm"):
        if os.path.exists(judged.db + suffix):
            os.remove(judged.db + suffix)
    judged.start()
    assert judged.totals() == "15;0;0;0;0;5;0;0"


def test_access_log_and_sighup(judged):
    judged.stop()
    log = os.path.join(judged.folder, "access.log")
    judged.extra += ["--access-log", log]
    judged.start()
    judged.totals()
    judged.get("/nothing-here")
    # A line is written once its answer has gone out, so the two may come in either order.
    wait_until(lambda: os.path.exists(log) and open(log).read().count("\n") >= 2, 10,
               what="two lines of the access log")
    lines = sorted(open(log).read().splitlines(), key=lambda line: "nothing" in line)
    assert lines[0].endswith("ms") and " 127.0.0.1 GET /CheckData.php 200 " in lines[0]
    assert "Id=" not in lines[0] and " GET /nothing-here 404 " in lines[1]
    # Rotation: the file is moved away, SIGHUP opens a new one; the server keeps serving.
    os.rename(log, log + ".1")
    judged.proc.send_signal(signal.SIGHUP)
    wait_until(lambda: os.path.exists(log), 10, what="the new access log")
    judged.get("/signup")
    wait_until(lambda: " GET /signup 200 " in open(log).read(), 10, what="its first line")
    assert judged.proc.poll() is None


def test_wrong_passwords_wait_and_the_waiting_is_a_server_failure(judged):
    # The throttle's rules are proven on the service (server/tests/honesty_test.cpp); here,
    # that the server hands it the address each request comes from.
    for i in range(11):
        assert judged.answer("Request_cle.php", f"walker'guess{i}") == "Errpwd"
    # The 12th guess from this address waits: the client shows a server failure.
    assert judged.answer("Request_cle.php", "walker'secret1") == "Erreur"
    assert judged.totals("runner") == "Erreur"
    wait_until(lambda: judged.totals("runner") == "0;0;0;0;0;0;0;0",
               5, what="the wait to end")


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
    # A form posted from another site is refused (the rule: WebOrigin in web_test.cpp).
    form = b"nick=alice&password=secret1&again=secret1"
    response = exchange(judged.port, b"POST /signup HTTP/1.1\r\nHost: 127.0.0.1:%d\r\n"
                        % judged.port + b"Origin: http://evil.example\r\n"
                        b"Content-Type: application/x-www-form-urlencoded\r\n"
                        b"Content-Length: %d\r\nConnection: close\r\n\r\n" % len(form) + form)
    assert status_of(response) == 403
