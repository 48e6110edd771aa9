"""The website of trekhold-server: sign-up, rankings, and how a browser shows them."""
import os
import shutil
import sqlite3
import subprocess
import tempfile

import pytest

from server_harness import ROOT, Server, decode_key


@pytest.fixture
def server():
    s = Server()
    yield s.start()
    s.cleanup()


def set_totals(server, nick, distance, keystrokes, clicks, uptime):
    server.add_account(nick, "secret1")
    with sqlite3.connect(server.db) as db:
        db.execute("UPDATE accounts SET distance = ?, keystrokes = ?, left_clicks = ?, "
                   "uptime = ?, usetime = ? WHERE nick = ?",
                   (distance, keystrokes, clicks, uptime, uptime // 2, nick))


def test_sign_up_page(server):
    status, body, headers = server.get("/signup")
    assert status == 200 and b"<form" in body and "utf-8" in headers["Content-Type"]
    for nick, again, status, shown in [("alice", "secret2", 400, b""),
                                       ("a<b>", "secret1", 400, b"a&lt;b&gt;"),
                                       ("alice", "secret1", 200, b"created"),
                                       ("ALICE", "secret1", 409, b"")]:
        got, body, _ = server.get("/signup", {"nick": nick, "password": "secret1",
                                              "again": again})
        assert got == status and shown in body and b"<b>" not in body, nick
    # The new account works with the client at once; its password is kept only as a hash.
    answer = server.answer("Request_cle.php", "alice'secret1")
    assert answer.startswith("OK-") and len(decode_key(answer[3:])) == 6
    with sqlite3.connect(server.db) as db:
        stored = db.execute("SELECT pw_hash FROM accounts WHERE nick = 'alice'").fetchone()[0]
    assert stored.startswith("$argon2id$") and "secret1" not in stored


def test_rankings(server):
    set_totals(server, "alice", 160934400, 50, 7, 1500)  # 1,609.34 km = 1,000 mi
    set_totals(server, "bob", 250000000, 10, 900, 30)
    server.add_account("carol", "secret1")
    with sqlite3.connect(server.db) as db:  # a name no sign-up would accept
        db.execute("INSERT INTO accounts (nick, pw_hash, created) VALUES (?, 'x', 0)",
                   ("<script>alert(1)</script>",))
    body = server.get("/")[1].decode()
    assert body.index("bob") < body.index("alice") < body.index("carol")
    assert "2,500.00 km" in body and "1,609.34 km" in body and 'name="viewport"' in body
    assert "<script>" not in body and "&lt;script&gt;" in body
    for query, first, second, shown in [
            ("by=distance&units=english", "bob", "alice", "1,000.00 mi"),
            ("by=keystrokes", "alice", "bob", ""),
            ("by=clicks&units=metric", "bob", "alice", "900"),
            ("by=uptime", "alice", "bob", "1 d 1 h 0 min")]:
        page = server.get("/?" + query)[1].decode()
        assert page.index(first) < page.index(second) and shown in page, query
    assert server.get("/?by=nonsense&units=%00&page=-4")[0] == 200


@pytest.mark.skipif(shutil.which("chromium") is None, reason="chromium is not installed")
def test_rankings_in_a_headless_browser(server):
    for i, nick in enumerate(["walker", "runner", "Quick.Fingers", "night_owl"], 1):
        set_totals(server, nick, 98765432 // i, 1234567 // i, 4321 * i, 9000 // i)
    artifacts = os.path.join(ROOT, "build", "test-artifacts")
    os.makedirs(artifacts, exist_ok=True)
    profile = tempfile.mkdtemp(prefix="trekhold-chromium-")
    try:
        for name, path in [("trekhold-rankings.png", "/?by=distance&units=metric"),
                           ("trekhold-signup.png", "/signup")]:
            shot = os.path.join(artifacts, name)
            if os.path.exists(shot):
                os.remove(shot)
            subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu",
                            "--disable-quic", "--no-first-run", "--disable-background-networking",
                            "--disable-component-update", "--disable-sync",
                            "--user-data-dir=" + profile, "--window-size=412,800",
                            "--screenshot=" + shot, server.url(path)],
                           capture_output=True, timeout=120, check=False)
            assert os.path.getsize(shot) > 5000, name
    finally:
        shutil.rmtree(profile, ignore_errors=True)
