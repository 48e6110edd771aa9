"""The counters' guard against a cheating program: another process finds the keystroke
counter in the client's memory by its value, as a memory editor does, and writes a large
number into it. The client puts the count back at its next minute, stops counting for the
rest of the run, sends and saves only what it counted, and records the verdict at exit."""
from harness import wait_until
from registered import registered_client, send_from_tray, server_totals

GUARD_LINE = "Counting stopped: the counters were changed by another program."


def type_keys(session, keys, total):
    session.input.move_to(600, 300)
    for key in keys:
        session.input.key(key)
    session.wait_counts(lambda c: c["keys"] == total, f"{total} keystrokes")


def test_counter_edited_by_another_program_is_put_back_and_counting_stops(
        prefix, display, server, tmp_path):
    session = registered_client(prefix, display, server, env={"WANDREL_MINUTE_MS": "1500"})
    found = "Z:" + str(tmp_path / "candidates.txt").replace("/", "\\")

    def candidates(value):
        out = session.drive("memory-find", str(value), found)
        return int(out.split("candidates=")[1].split()[0])

    # Search, type more, narrow down: what is left holds the count as it grows.
    typed = 0
    left = None
    for keys in ("trekhold", "wander", "guardian", "memory"):
        typed += len(keys)
        type_keys(session, keys, typed)
        left = candidates(typed)
        if left <= 2:
            break
    assert 1 <= left <= 2, f"{left} places still hold the count"
    session.drive("memory-write", "999999", found)

    # The next minute finds the edit: the count is back, counting has stopped, and the log
    # says why, once.
    session.wait_counts(lambda c: c["keys"] == typed, "the count to be put back", timeout=15)
    log = session.data_file("TheWandrel.log")
    wait_until(lambda: log.exists() and GUARD_LINE in log.read_text(encoding="cp1252"), 10,
               what="the guard's log line")
    session.input.move_to(600, 300)
    for key in "stopped":
        session.input.key(key)
    assert session.steady()["keys"] == typed
    # The counting entry is unchecked and greyed (a screenshot for a look), and choosing it
    # does not bring counting back.
    session.input.move_to(500, 400)
    session.drive("tray", "0x205")
    session.drive("menu", "open")
    session.input.screenshot("guard_menu_after_tampering.png")
    for key in ("Home", "Down", "Down", "Return", "Escape"):
        session.input.key(key)
    session.drive("menu", "closed")
    for key in "again":
        session.input.key(key)
    assert session.steady()["keys"] == typed

    # A sending carries what was counted, not what was written.
    send_from_tray(session)
    wait_until(lambda: server_totals(server)["keys"], 30, interval=0.5,
               what="the sending to reach the server")
    assert server_totals(server)["keys"] == typed
    wait_until(lambda: session.query(1)["keys"] == 0, 10, what="the counts to be cleared")

    assert session.quit() == 0
    assert session.prefix.reg_query(r"HKCU\Software\WDX", "CounterGuard") == "Tampered"
    assert log.read_text(encoding="cp1252").count(GUARD_LINE) == 1
    # That the next run begins clean is proven with the guard (counter_guard_test.cpp).
