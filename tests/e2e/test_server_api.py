"""The JSON API of trekhold-server, fed by real sendings through the protocol: history and
period sums grow, a month's last second and the next month's first land apart, an
implausible sending stays out, a private member is ranked without a name, a hidden member
disappears, hostile requests get 400/404."""
import calendar
import json
import os
import sqlite3

import pytest

from server_harness import Server, decode_key, sending_record

JAN_31_LAST_SECOND = calendar.timegm((2026, 1, 31, 23, 59, 59))
ODD = 'x<y&z"\\'  # an account of an older rule, made in the database


@pytest.fixture
def api():
    s = Server(judge=True)
    clock = os.path.join(s.folder, "clock")
    s.extra += ["--clock-file", clock, "--page-cache-ms", "0"]
    s.set_clock = lambda t: open(clock, "w").write(str(t))
    s.set_clock(JAN_31_LAST_SECOND - 600)
    for nick in ("ann", "bob", "odd"):
        s.add_account(nick, "secret1")
    with sqlite3.connect(s.db) as db:
        db.execute("UPDATE accounts SET nick = ?, distance = 100, keystrokes = 1 "
                   "WHERE nick = 'odd'", (ODD,))
    yield s.start()
    s.cleanup()


def get_json(server, path):
    status, body, headers = server.get(path)
    assert headers["Content-Type"] == "application/json"
    assert headers["Cache-Control"].startswith("public, max-age=" if status == 200 else "no-store")
    return status, json.loads(body)


def login(server, nick):
    answer = server.answer("Request_cle.php", nick + "'secret1")
    assert answer.startswith("OK-"), answer
    return decode_key(answer[3:])


def send(server, nick, key, counts):
    answer = server.answer("Envoi.php", sending_record(nick, "secret1", key, counts))
    assert answer.startswith("OK"), answer
    return decode_key(answer[5:])


def test_history_periods_plausibility_and_hiding(api):
    ann, bob = login(api, "ann"), login(api, "bob")
    api.set_clock(JAN_31_LAST_SECOND)
    ann = send(api, "ann", ann, [500, 40, 3, 1, 0, 2, 10, 5])
    bob = send(api, "bob", bob, [300, 900000, 0, 0, 0, 0, 10, 5])  # implausible: held
    api.set_clock(JAN_31_LAST_SECOND + 1)  # 1 February 00:00:00
    ann = send(api, "ann", ann, [70, 4, 0, 0, 0, 0, 1, 1])

    status, month = get_json(api, "/api/v1/rankings?quantity=distance&period=month")
    assert status == 200 and month["from"] == "2026-02-01T00:00:00Z"
    assert [(r["nick"], r["value"]) for r in month["rows"]] == [("ann", 70)]
    _, all_time = get_json(api, "/api/v1/rankings?quantity=keystrokes&period=all&size=1&page=2")
    assert all_time["pages"] == 3
    assert all_time["rows"] == [{"rank": 2, "nick": ODD, "hidden": False, "value": 1}]
    assert api.get("/api/v1/rankings?quantity=keystrokes&size=1&page=2")[1].count(b"<") == 0
    _, found = get_json(api, "/api/v1/rankings?quantity=distance&period=all&size=1&nick=X%3Cy%26Z%22%5C")
    assert found["page"] == 2 and found["rows"][0]["nick"] == ODD

    status, member = get_json(api, "/api/v1/member/ann")
    assert status == 200 and member["totals"]["distance"] == 570 and member["sendings"] == 2
    assert member["first_sent"] == "2026-01-31T23:59:59Z" and member["ranks"]["distance"] == 1
    assert [(d["date"], d["distance"]) for d in member["daily"][-2:]] == [
        ("2026-01-31", 500), ("2026-02-01", 70)]
    assert [(m["month"], m["clicks"]) for m in member["monthly"][-2:]] == [
        ("2026-01", 4), ("2026-02", 0)]
    assert len(member["daily"]) == 30 and len(member["monthly"]) == 12
    assert member["computers"] == [dict(member["computers"][0], machine="C293A4B5", share=1.0)]

    _, community = get_json(api, "/api/v1/community")
    assert community["totals"]["distance"] == 570 and community["totals_today"]["distance"] == 70
    assert community["members"] == 3 and community["active_this_week"] == 1  # bob held

    api.set_clock(JAN_31_LAST_SECOND + 3600)  # more of the history the next hour
    ann = send(api, "ann", ann, [30, 1, 0, 0, 0, 0, 1, 1])
    _, member = get_json(api, "/api/v1/member/ann")
    assert member["daily"][-1]["distance"] == 100 and member["daily"][-1]["sendings"] == 2

    assert api.get("/api/v1/member/bob")[0] == 200  # in no ranking yet, but a member
    # Private (the member's own choice): at its place without a name, found by no name.
    with sqlite3.connect(api.db) as db:
        db.execute("UPDATE accounts SET private_page = 1 WHERE nick = 'bob'")
    _, all_time = get_json(api, "/api/v1/rankings?quantity=keystrokes")
    assert [(r["rank"], r["nick"], r["hidden"]) for r in all_time["rows"]] == [
        (1, "ann", False), (2, ODD, False), (3, None, True)]
    assert api.get("/api/v1/member/bob")[0] == 404
    assert api.get("/api/v1/rankings?quantity=keystrokes&nick=bob")[0] == 404
    assert api.answer("Request_cle.php", "ann'secret1").startswith("OK-")
    code, out, err = __import__("server_harness").run_tool("account", "hide", "ann", "--db", api.db)
    assert code == 0, err
    assert get_json(api, "/api/v1/member/ann") == (404, {"error": "no such member"})
    _, month = get_json(api, "/api/v1/rankings?period=month")
    assert month["rows"] == [] and month["ranked"] == 0
    _, all_time = get_json(api, "/api/v1/rankings")
    assert [r["nick"] for r in all_time["rows"]] == [ODD, None]


@pytest.mark.parametrize("path,status", [
    ("/api/v1/rankings?quantity=password", 400), ("/api/v1/rankings?period=year", 400),
    ("/api/v1/rankings?page=0", 400), ("/api/v1/rankings?page=-1", 400),
    ("/api/v1/rankings?page=1e3", 400), ("/api/v1/rankings?size=1001", 400),
    ("/api/v1/rankings?page=2", 404), ("/api/v1/rankings?nick=nobody", 404),
    ("/api/v1/member/nobody", 404), ("/api/v1/member/%22%3E%3Cscript%3E", 404),
    ("/api/v1/member/ann%00x", 404), ("/api/v1/member/" + "a" * 5000, 404),
    ("/api/v1/member/ann/extra", 404), ("/api/v1/members", 404), ("/api/v1/", 404),
    ("/api/v1/rankings?quantity=%FF%FE", 400)])
def test_bad_requests(api, path, status):
    got, answer = get_json(api, path)
    assert got == status and set(answer) == {"error"}
