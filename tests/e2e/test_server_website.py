"""The website of trekhold-server: sign-up, rankings, and how a browser shows them."""
import os
import shutil
import sqlite3
import subprocess
import tempfile

import pytest

from server_harness import ROOT, Server, decode_key

ARTIFACTS = os.path.join(ROOT, "build", "test-artifacts")


@pytest.fixture
def server():
    s = Server()
    s.start()
    yield s
    s.cleanup()


def set_totals(db_path, nick, distance, keystrokes, clicks, uptime):
    with sqlite3.connect(db_path) as db:
        db.execute("UPDATE accounts SET distance = ?, keystrokes = ?, left_clicks = ?, "
                   "uptime = ?, usetime = ? WHERE nick = ?",
                   (distance, keystrokes, clicks, uptime, uptime // 2, nick))


def test_sign_up_page(server):
    status, body, headers = server.get("/signup")
    assert status == 200 and "<form" in body.decode() and "utf-8" in headers["Content-Type"]
    assert server.post_form("/signup", {"nick": "alice", "password": "secret1",
                                        "again": "secret2"})[0] == 400
    status, body = server.post_form("/signup", {"nick": "a<b>", "password": "secret1",
                                                "again": "secret1"})
    assert status == 400 and "<b>" not in body and "a&lt;b&gt;" in body
    status, body = server.post_form("/signup", {"nick": "alice", "password": "secret1",
                                                "again": "secret1"})
    assert status == 200 and "created" in body
    assert server.post_form("/signup", {"nick": "ALICE", "password": "secret1",
                                        "again": "secret1"})[0] == 409
    # The new account works with the client at once.
    answer = server.answer("Request_cle.php", "alice'secret1")
    assert answer.startswith("OK-") and len(decode_key(answer[3:])) == 6
    with sqlite3.connect(server.db) as db:
        stored = db.execute("SELECT pw_hash FROM accounts WHERE nick = 'alice'").fetchone()[0]
    assert stored.startswith("$argon2id$") and "secret1" not in stored


def test_rankings(server):
    for nick in ("alice", "bob", "carol"):
        server.add_account(nick, "secret1")
    set_totals(server.db, "alice", 160934400, 50, 7, 1500)   # 1,609.34 km = 1,000 mi
    set_totals(server.db, "bob", 250000000, 10, 900, 30)
    with sqlite3.connect(server.db) as db:  # a name no sign-up would accept
        db.execute("INSERT INTO accounts (nick, pw_hash, created) VALUES (?, 'x', 0)",
                   ("<script>alert(1)</script>",))

    body = server.get("/")[1].decode()
    assert body.index("bob") < body.index("alice") < body.index("carol")
    assert "2,500.00 km" in body and "1,609.34 km" in body
    assert "<script>" not in body and "&lt;script&gt;" in body

    english = server.get("/?by=distance&units=english")[1].decode()
    assert "1,000.00 mi" in english
    keys = server.get("/?by=keystrokes")[1].decode()
    assert keys.index("alice") < keys.index("bob")
    clicks = server.get("/?by=clicks&units=metric")[1].decode()
    assert clicks.index("bob") < clicks.index("alice") and "900" in clicks
    uptime = server.get("/?by=uptime")[1].decode()
    assert "1 d 1 h 0 min" in uptime
    assert server.get("/?by=nonsense&units=%00&page=-4")[0] == 200


@pytest.mark.skipif(shutil.which("chromium") is None, reason="chromium is not installed")
def test_rankings_in_a_headless_browser(server):
    for i, nick in enumerate(["walker", "runner", "Quick.Fingers", "night_owl"]):
        server.add_account(nick, "secret1")
        set_totals(server.db, nick, 98765432 // (i + 1), 1234567 // (i + 1), 4321 * (i + 1),
                   9000 // (i + 1))
    os.makedirs(ARTIFACTS, exist_ok=True)
    profile = tempfile.mkdtemp(prefix="trekhold-chromium-")
    try:
        for name, path in [("trekhold-rankings.png", "/?by=distance&units=metric"),
                           ("trekhold-signup.png", "/signup")]:
            shot = os.path.join(ARTIFACTS, name)
            if os.path.exists(shot):
                os.remove(shot)
            subprocess.run(
                ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync",
                 "--user-data-dir=" + profile, "--window-size=412,800",
                 "--screenshot=" + shot, server.url(path)],
                capture_output=True, timeout=120, check=False)
            assert os.path.getsize(shot) > 5000, name
    finally:
        shutil.rmtree(profile, ignore_errors=True)
