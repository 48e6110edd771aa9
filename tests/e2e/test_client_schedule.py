"""Automatic sendings of the client against trekhold-server: at a fixed hour of the day and
after every so many kilometres of pointer travel. The counts that wait to be sent are
written before the start with the program's own writers, so the server's totals can be
checked to the unit."""
import time

from harness import wait_until
from registered import registered_client, server_totals


def test_sending_at_a_fixed_hour_happens_once_at_that_hour(prefix, display, server):
    # A minute lasts 250 ms and the client's clock starts at 13:40, so 14:00 comes at the
    # 20th minute tick, about five seconds after the start.
    session = registered_client(
        prefix, display, server, settings={"AS": "H", "HAS": "14"},
        env={"WANDREL_MINUTE_MS": "250", "WANDREL_CLOCK_START": "13:40"},
        waiting={"distance": 1234, "keys": 5})
    wait_until(lambda: server_totals(server)["keys"], 60, interval=0.5,
               what="the sending at 14:00")
    totals = server_totals(server)
    # Sent on the 20th tick, before that tick's minute was counted: 19 minutes of uptime.
    assert (totals["keys"], totals["distance"], totals["uptime"]) == (5, 1234, 19)

    # The rest of the hour passes without another sending, which would carry the minutes
    # counted since.
    waiting = session.wait_counts(lambda c: c["uptime_min"] >= 12, "the clock to pass 14:12")
    assert (waiting["keys"], waiting["distance_cm"]) == (0, 0)
    assert server_totals(server) == totals
    assert session.prefix.reg_query(r"HKCU\Software\WDX", "TotalUptime") == "19"


def test_sending_by_distance_comes_once_the_kilometre_is_reached(prefix, display, server,
                                                                 inject):
    # 999 m wait to be sent: one more metre of travel makes the kilometre.
    session = registered_client(prefix, display, server, settings={"AS": "K", "KmAS": "1"},
                                waiting={"distance": 99_900, "keys": 3})
    inject.move_to(200, 300)
    # Below the kilometre the distance timer (every 1.5 s) sends nothing.
    time.sleep(1.6)
    assert server_totals(server)["distance"] == 0

    # Back and forth in 64-pixel steps: at most 40 cm per stroke (32 pixels make a
    # centimetre at 1024x768), far less than the 20 m window in which the timer sends.
    stroke = []
    for direction in ("64", "-64"):
        for _ in range(10):
            stroke += ["mousemove_relative", "--", direction, "0", "sleep", "0.004"]
    for _ in range(40):
        inject.move_by(1, 0)  # opens the movement window
        before = session.query(1)["distance_cm"]
        inject._xdo(*stroke)
        waiting = session.wait_counts(lambda c: c["distance_cm"] != before,
                                      "the stroke to count")["distance_cm"]
        if not 99_900 <= waiting < 100_000:
            break
        assert server_totals(server)["distance"] == 0
    else:
        raise AssertionError("the pointer travel did not reach the kilometre")

    totals = wait_until(lambda: (lambda t: t if t["distance"] else None)(server_totals(server)),
                        15, interval=0.5, what="the sending by distance")
    assert 100_000 <= totals["distance"] <= 102_000
    assert totals["keys"] == 3
    # Exactly what the client now holds as confirmed, and the distance to be sent starts
    # again from nothing.
    confirmed, waiting = session.query(0), session.query(1)
    assert confirmed["distance_cm"] - waiting["distance_cm"] == totals["distance"]
    assert confirmed["keys"] - waiting["keys"] == 3
    assert waiting["distance_cm"] < 1000
    time.sleep(1.6)
    assert server_totals(server)["distance"] == totals["distance"]
