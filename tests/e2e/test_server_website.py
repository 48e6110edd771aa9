"""The website of trekhold-server: sign-up, rankings, member pages, the account page, and
how a browser shows them on a phone and on a desktop (screenshots in
build/test-artifacts/website/, accessibility checked with axe-core)."""
import json
import os
import sqlite3

import pytest

from browser import AXE, Browser
from server_harness import ROOT, Server, decode_key, sending_record

SHOTS = os.path.join(ROOT, "build", "test-artifacts", "website")



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


def send(server, nick, counts, password="secret1"):
    """One sending through the protocol, as the client makes it: a key, then the record
    (counts in record order: distance, keys, left, right, special, scrolls, up, use)."""
    answer = server.answer("Request_cle.php", f"{nick}'{password}")
    assert answer.startswith("OK-"), answer
    answer = server.answer("Envoi.php", sending_record(nick, password,
                                                       decode_key(answer[3:]), counts))
    assert answer.startswith("OK"), answer


def post(server, path, form, origin=None):
    """Status and body of a form posted as a browser does (its Origin header when given)."""
    body = "&".join(f"{k}={v}" for k, v in form.items()).encode()
    response = server.raw(b"POST %s HTTP/1.1\r\nHost: 127.0.0.1:%d\r\n" % (path.encode(), server.port) +
                          (b"Origin: " + origin.encode() + b"\r\n" if origin else b"") +
                          b"Content-Type: application/x-www-form-urlencoded\r\n"
                          b"Content-Length: %d\r\nConnection: close\r\n\r\n" % len(body) + body)
    return int(response.split(b" ")[1]), response


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


def test_rankings_members_and_hostile_names(server):
    set_totals(server, "alice", 160934400, 50, 7, 1500)  # 1,609.34 km = 1,000 mi
    set_totals(server, "bob", 250000000, 10, 900, 30)
    server.add_account("carol", "secret1")
    hostile = "<script>alert(1)</script>"
    with sqlite3.connect(server.db) as db:  # a name no sign-up would accept
        db.execute("INSERT INTO accounts (nick, pw_hash, created) VALUES (?, 'x', 0)", (hostile,))
    body = server.get("/")[1].decode()
    assert body.index(">bob<") < body.index(">alice<") < body.index(">carol<")
    assert "2,500.00 km" in body and "1,609.34 km" in body and 'name="viewport"' in body
    assert "<script>" not in body and "&lt;script&gt;" in body
    assert 'href="/member/%3Cscript%3Ealert%281%29%3C%2Fscript%3E"' in body
    for query, first, second, shown in [
            ("by=distance&units=english", "bob", "alice", "1,000.00 mi"),
            ("by=keystrokes", "alice", "bob", ""),
            ("by=clicks&units=metric", "bob", "alice", "900"),
            ("by=uptime", "alice", "bob", "1 d 1 h 0 min")]:
        page = server.get("/rankings?" + query)[1].decode()
        assert page.index(f">{first}<") < page.index(f">{second}<") and shown in page, query
    for junk in ["/?by=nonsense&units=%00&page=-4", "/rankings?period=%ff&page=99999999999",
                 "/rankings?find=%00%3Cb%3E&by=x"]:
        status, page, _ = server.get(junk)
        assert status == 200 and b"<b>" not in page, junk
    # The member page of the hostile name, reached by its link, escapes it; unknown names,
    # over-long ones and encoded separators are not found.
    status, page, _ = server.get("/member/%3Cscript%3Ealert%281%29%3C%2Fscript%3E")
    assert status == 200 and b"<script>" not in page and b"&lt;script&gt;" in page
    not_found = server.get("/member/nobody")
    assert not_found[0] == 404
    for path in ["/member/" + "a" * 5000, "/member/..%2F..%2Fetc", "/member/%00", "/member/"]:
        assert server.get(path)[0] == 404, path


def test_account_page_hides_and_changes_password(server):
    set_totals(server, "walker", 5000000, 10, 1, 60)
    set_totals(server, "runner", 100, 1, 1, 1)
    origin = "http://127.0.0.1:%d" % server.port
    assert server.get("/account")[2]["Cache-Control"] == "no-store"
    status, page = post(server, "/account", {"action": "view", "nick": "walker",
                                             "password": "secret1"}, origin)
    assert status == 200 and b"Signed in as" in page and b"no-store" in page
    # From another site, with a wrong password, or a made-up action: nothing changes.
    for form, from_, expected in [
            ({"action": "hide", "nick": "walker", "password": "secret1"}, "http://evil.example", 403),
            ({"action": "hide", "nick": "walker", "password": "wrong1"}, origin, 403),
            ({"action": "hide", "nick": "nobody", "password": "secret1"}, origin, 403),
            ({"action": "drop", "nick": "walker", "password": "secret1"}, origin, 400),
            ({"action": "password", "nick": "walker", "password": "secret1", "new": "abcdef1",
              "again": "abcdef2"}, origin, 400)]:
        assert post(server, "/account", form, from_)[0] == expected, form
    assert server.get("/member/walker")[0] == 200
    assert server.get("/api/v1/member/walker")[0] == 200
    # Hidden, at once (kept pages and answers too): ranked at the same place as "hidden",
    # the name nowhere, the page and the place by name as for an unknown name.
    assert server.get("/")[1].count(b">walker<") == 1
    status, page = post(server, "/account", {"action": "hide", "nick": "walker",
                                             "password": "secret1"}, origin)
    assert status == 200 and b"now hidden" in page and b"Show my page" in page
    assert server.get("/member/walker")[1] == server.get("/member/nobody")[1]
    assert server.get("/member/walker")[0] == 404
    assert server.get("/api/v1/member/walker")[0] == 404
    front = server.get("/")[1]
    assert b"walker" not in front and b">runner<" in front
    assert b'<tr id="rank-1"><td class="n">1</td><td class="nick"><em class="private">hidden' in front
    assert b"No member called" in server.get("/rankings?find=walker")[1]
    # A new password works for the client at once, the old one no longer.
    status, _ = post(server, "/account", {"action": "password", "nick": "walker",
                                          "password": "secret1", "new": "n3wpass",
                                          "again": "n3wpass"}, origin)
    assert status == 200
    assert server.answer("CheckData.php", "walker'secret1") == "ErrPwd"
    assert server.answer("CheckData.php", "walker'n3wpass").startswith("5000000;")
    # Guessing is slowed as at the account endpoints: after the free failures, a wait.
    statuses = [post(server, "/account", {"action": "view", "nick": "runner",
                                          "password": f"guess{i}"}, origin)[0]
                for i in range(12)]
    assert statuses[0] == 403 and statuses[-1] == 429


# What a visitor's screen shows: the width the page is laid out at and the width it needs
# (more than the screen means sideways scrolling), the smallest text, the table rows.
VIEW = """JSON.stringify({
    screen: window.innerWidth,
    needed: document.documentElement.scrollWidth,
    smallest: Math.min(...[...document.querySelectorAll("td, th, input, button, a, p")].map(
        e => parseFloat(getComputedStyle(e).fontSize))),
    rows: [...document.querySelectorAll("main > table tbody tr, main > div > table tbody tr")]
        .map(r => [...r.cells].map(c => c.innerText.trim())),
    marked: (document.querySelector("tr:target") || {innerText: ""}).innerText,
    charts: document.querySelectorAll("svg[role=img]").length,
    text: document.body.innerText})"""


def look(browser, name, width):
    """The page as a visitor sees it, checked for sideways scrolling, small text and
    accessibility; its screenshot kept."""
    view = json.loads(browser.evaluate(VIEW))
    browser.screenshot(os.path.join(SHOTS, f"{name}-{width}.png"))
    assert view["screen"] == width, name
    assert view["needed"] <= view["screen"], name
    assert view["smallest"] >= 12, name
    assert browser.accessibility_problems() == [], name
    return view


def fill_and_submit(browser, form, fields):
    """Fills the fields of the form matching a selector and submits it as a click would."""
    script = f"const f = document.querySelector({json.dumps(form)});"
    for name, value in fields.items():
        script += f"f.elements[{json.dumps(name)}].value = {json.dumps(value)};"
    browser.submit(script + "f.requestSubmit();")


@pytest.mark.parametrize("width", [360, 1280])
def test_pages_in_a_browser(server, width):
    """Front page, this week's ranking, finding oneself, a member page with its charts and
    the account page hiding the member, on a phone and on a desktop."""
    os.makedirs(SHOTS, exist_ok=True)
    long_nick = "W" * 32  # the longest nickname sign-up accepts, with no space to break at
    for i, nick in enumerate(["walker", "runner", long_nick, "night_owl"], 1):
        server.add_account(nick, "secret1")
        # distance cm, keys, left, right, special clicks, scrolls, uptime, usetime
        send(server, nick, [98765432 // i, 123456 // i, 4321 * i, 12, 3, 77, 600 // i, 500 // i])
    browser = Browser(width=width, height=800, mobile=width < 600)
    try:
        browser.open(server.url("/"))
        front = look(browser, "front", width)
        assert "All members together" in front["text"] and "4 members" in front["text"]
        assert [row[1] for row in front["rows"][-4:]] == ["walker", "runner", long_nick,
                                                           "night_owl"]

        browser.open(server.url("/rankings?by=keystrokes&period=week"))
        week = look(browser, "ranking-week", width)
        assert "This week: Week " in week["text"] and "), UTC." in week["text"]
        assert [row[1:] for row in week["rows"]] == [
            ["walker", "123,456"], ["runner", "61,728"], [long_nick, "41,152"],
            ["night_owl", "30,864"]]

        # Find yourself: the form leads to the page and the row holding the nickname.
        fill_and_submit(browser, "form.find", {"find": "NIGHT_OWL"})
        found = look(browser, "ranking-found", width)
        assert found["marked"].split() == ["4", "night_owl", "30,864"]

        browser.open(server.url("/member/walker"))
        member = look(browser, "member", width)
        assert member["charts"] == 6 and "987.65 km" in member["text"]

        browser.open(server.url("/account"))
        look(browser, "account-sign-in", width)
        fill_and_submit(browser, "main form", {"nick": "walker", "password": "secret1"})
        signed_in = look(browser, "account", width)
        assert "Signed in as walker" in signed_in["text"] and "Last sendings" in signed_in["text"]
        assert "You stay in the rankings as “hidden”" in signed_in["text"]
        fill_and_submit(browser, "form:has(input[value=hide])", {"password": "secret1"})
        hidden = look(browser, "account-hidden", width)
        assert "Your page is now hidden." in hidden["text"]
        browser.open(server.url("/member/walker"))
        assert "Nothing here" in look(browser, "member-hidden", width)["text"]
        browser.open(server.url("/rankings?by=keystrokes&period=week"))
        rows = look(browser, "ranking-private", width)["rows"]
        assert [row[:2] for row in rows[1:]] == [["2", "runner"], ["3", long_nick],
                                                 ["4", "night_owl"]]
        assert rows[0][0] == "1" and rows[0][1].startswith("hidden") and "walker" not in str(rows)
    finally:
        browser.close()
