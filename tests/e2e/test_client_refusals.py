"""The client's sendings whose answer is lost or spoilt on the way, or refused while minutes
pass: the counts are given back and the real trekhold-server never counts a sending twice.
Each refusal's box, log line and given-back counts are proven with the sending itself
(tests/unit/send_totals_test.cpp). The client reaches the server through an
AnswerProxy, which loses or spoils one answer."""
import time

from answer_proxy import AnswerProxy
from harness import wait_until
from registered import registered_client, send_from_tray, server_totals

WDX = r"HKCU\Software\WDX"
SERVER_FAILURE = "Error: Probable server failure. Please try again later"
UNREACHABLE = "Error: Can't reach the server. Please check your Internet connection"
# What the server keeps of a sending and the client reports of its waiting counts.
SERVER_FIELDS = {"distance": "distance_cm", "keys": "keys", "left": "left_clicks",
                 "right": "right_clicks", "special": "special_clicks", "scrolls": "scrolls"}


def waiting(session):
    """The client's counts not yet sent, without the minute counts (a minute tick may come)."""
    counts = session.query(1)
    return counts and {k: counts[k] for k in SERVER_FIELDS.values()}


def sent_totals(srv):
    totals = server_totals(srv)
    return {mine: totals[theirs] for theirs, mine in SERVER_FIELDS.items()}


def last_result(session):
    """The text of the activity log's last line, after its "(nick) date HH:MM > "."""
    log = session.data_file("TheWandrel.log")
    lines = log.read_text(encoding="cp1252").splitlines() if log.exists() else []
    return lines[-1].split(" > ", 1)[1] if lines else None


def wait_for_result(session, text, timeout=30):
    wait_until(lambda: last_result(session) == text, timeout, interval=0.3,
               what=f"the log line {text!r}")


def wait_until_sent(session, held, timeout=30):
    """Waits for the log line of the accepted sending of `held` (the counts go to 0 as soon
    as a sending starts, its log line comes with the answer)."""
    clicks = held["left_clicks"] + held["right_clicks"] + held["special_clicks"]
    line = f"[{held['keys']} Keystrokes] [{clicks} Clicks] [{held['scrolls']} Scroll Wheel]"
    wait_until(lambda: line in (last_result(session) or "")
               and last_result(session).endswith(" have been sent"), timeout, interval=0.3,
               what=f"the log line of {line}")


def wait_for_counts(session, expected, timeout=20):
    wait_until(lambda: waiting(session) == expected, timeout, interval=0.3,
               what=f"the waiting counts {expected}")


def type_keys(session, keys, clicks=0):
    """Keystrokes and left clicks; returns the waiting counts once the client has them all."""
    before = waiting(session)
    for key in keys:
        session.input.key(key)
    for _ in range(clicks):
        session.input.click(1)

    def counted():
        now = waiting(session)
        return now if (now and now["keys"] == before["keys"] + len(keys)
                       and now["left_clicks"] == before["left_clicks"] + clicks) else None

    return wait_until(counted, 10, interval=0.2, what="the client to count the input")


def proxied_client(prefix, display, srv, proxy):
    session = registered_client(prefix, display, srv)
    session.prefix.reg_add(WDX, "Server", proxy.url())
    session.input.move_to(600, 300)
    session.steady()
    return session


def test_a_lost_or_spoilt_answer_gives_the_counts_back_and_they_are_counted_once(
        prefix, display, server):
    proxy = AnswerProxy(server).start()
    try:
        session = proxied_client(prefix, display, server, proxy)
        held = type_keys(session, "ab", clicks=1)

        # The server commits the sending but its answer is lost: the client keeps its counts
        # and its old key, and sends them again with the next ones.
        proxy.then("Envoi.php", "drop")
        send_from_tray(session)
        wait_for_result(session, UNREACHABLE)
        wait_for_counts(session, held)
        assert sent_totals(server) == held
        held = type_keys(session, "cde", clicks=2)
        send_from_tray(session)
        wait_until_sent(session, held)
        assert waiting(session) == dict.fromkeys(held, 0)
        assert sent_totals(server) == held
        assert held["keys"] == 5 and held["left_clicks"] == 3

        # An "OK" whose key does not decode: a server failure, although the server counted it.
        proxy.then("Envoi.php", "replace", "OK000" + "ab" * 5)
        more = type_keys(session, "fg")
        send_from_tray(session)
        wait_for_result(session, SERVER_FAILURE)
        wait_for_counts(session, more)
        assert session.query(0)["keys"] == 5 + 2  # confirmed + waiting
        # The next sending carries them again with the old key: still counted once.
        final = type_keys(session, "h")
        send_from_tray(session)
        wait_until_sent(session, final)
        assert waiting(session) == dict.fromkeys(final, 0)
        totals = sent_totals(server)
        assert totals["keys"] == 8 and totals["left_clicks"] == 3
        assert session.query(0)["keys"] == 8
        assert proxy.requests.count("Envoi.php") == 4
    finally:
        proxy.stop()


def test_a_refusal_box_left_up_keeps_the_counts_through_periodic_saves(prefix, display,
                                                                        server):
    # A minute lasts 250 ms: with the default interval a save falls due every 4 seconds.
    session = registered_client(prefix, display, server, password="wrong-password",
                                env={"WANDREL_MINUTE_MS": "250"})
    session.input.move_to(600, 300)
    held = type_keys(session, "abc")
    session.wait_for_save()  # a periodic save has written them
    send_from_tray(session)
    wait_until(lambda: waiting(session)["keys"] == 0, 20, interval=0.2,
               what="the sending to take the counts")  # its box is up now
    # Minute ticks and a due save while the box waits for the user: none may write the
    # held counts away.
    time.sleep(5)
    session.input.key("x")  # not counted: the sending holds the counts until it ends
    time.sleep(0.5)
    session.proc.kill()
    session.proc.wait(30)
    session.start()
    assert waiting(session) == held
