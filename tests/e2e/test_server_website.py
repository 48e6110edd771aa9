"""The website of trekhold-server: sign-up, rankings, and how a browser shows them."""
import json
import shutil
import sqlite3

import pytest

from browser import PhoneBrowser
from server_harness import Server, decode_key


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


# What a visitor's phone shows: the width the page is laid out at and the width it needs
# (more than the screen means sideways scrolling), the smallest text of the table, its rows.
PHONE_VIEW = """JSON.stringify({
    screen: window.innerWidth,
    needed: document.documentElement.scrollWidth,
    smallest: Math.min(...[...document.querySelectorAll("td, th, input, button")].map(
        e => parseFloat(getComputedStyle(e).fontSize))),
    rows: [...document.querySelectorAll("tbody tr")].map(
        r => [...r.cells].map(c => c.innerText.trim()))})"""


@pytest.mark.skipif(shutil.which("chromium") is None, reason="chromium is not installed")
def test_rankings_and_sign_up_read_well_on_a_phone(server):
    # The longest nickname sign-up accepts, without a space to break it at.
    long_nick = "W" * 32
    for i, nick in enumerate(["walker", "runner", long_nick, "night_owl"], 1):
        set_totals(server, nick, 98765432 // i, 1234567 // i, 4321 * i, 9000 // i)
    browser = PhoneBrowser(width=360)
    try:
        browser.open(server.url("/?by=distance&units=metric"))
        page = json.loads(browser.evaluate(PHONE_VIEW))
        assert page["rows"] == [["1", "walker", "987.65 km"], ["2", "runner", "493.83 km"],
                                ["3", long_nick, "329.22 km"], ["4", "night_owl", "246.91 km"]]
        browser.open(server.url("/?by=keystrokes"))
        keys = json.loads(browser.evaluate(PHONE_VIEW))
        assert [row[1:] for row in keys["rows"]] == [
            ["walker", "1,234,567"], ["runner", "617,283"], [long_nick, "411,522"],
            ["night_owl", "308,641"]]
        browser.open(server.url("/signup"))
        signup = json.loads(browser.evaluate(PHONE_VIEW))
        for name, view in (("rankings", page), ("keystrokes", keys), ("sign-up", signup)):
            # Laid out at the phone's width (not a desktop width shrunk to fit), nothing
            # wider than the screen, no text smaller than 12 CSS pixels.
            assert view["screen"] == 360, name
            assert view["needed"] <= view["screen"], name
            assert view["smallest"] >= 12, name
    finally:
        browser.close()
