"""The client and trekhold-server together: registration in the installer, sendings from
the tray icon. The server listens on a free port of 127.0.0.1; the client finds it
through its `Server` setting. A sending's counts, totals and log line are proven on the
sending (tests/unit/send_totals_test.cpp); its whole way from a double click on the icon to
the server's totals in test_client_refusals.py and test_behind_nginx.py."""
import time

from answer_proxy import AnswerProxy
from harness import TRAY_REGION, ClientSession, region_signature, wait_until
from registered import NICK, PASSWORD, registered_client, send_from_tray, server_totals


def wait_for_installer(session):
    """Waits (a minute at most) until the installer shows an enabled "Go!" button."""
    session.drive("window", "TheWandrel Installer", "Go!")


def test_first_run_installer_through_a_refusal_to_a_counting_client(prefix, display, server):
    # Each refusal's box, what it empties and that nothing is written are proven on the
    # window (tests/win/installer_window_test.cpp); here, the keyboard and the real server.
    session = ClientSession(prefix, display, seed=False,
                            settings={"MoreClics": "False", "Server": server.url("/")})
    session.start(wait=False)
    # The installer opens with the nickname box focused; Tab leads to the password box and
    # Enter there registers (a nickname typed elsewhere would be refused as missing).
    wait_for_installer(session)
    session.input.screenshot("installer.png")
    session.input.type_text(NICK)
    session.input.key("Tab")
    session.input.type_text("not-the-password")
    session.input.key("Return")

    # The server refuses the password: the password box is emptied and has the keyboard
    # focus, the nickname is kept (what each refusal empties is proven on the window).
    assert "Error: Wrong Password." in session.answer_box("TheWandrel Installer: Password Error")
    wait_for_installer(session)
    # The installer unloaded the counting client: a program asking for the counts learns
    # that no client runs.
    assert session.query_exit_code(1) == 2

    # So the right password can simply be typed (into anything but an empty, focused password
    # box it would be refused), and Enter registers; the client counts.
    session.input.type_text(PASSWORD)
    session.input.key("Return")
    session.answer_box("Installed")
    counts = wait_until(lambda: session.query(1), 90, interval=0.5, what="the counting client")
    assert counts["nickname"] == NICK
    assert session.prefix.reg_query(r"HKCU\Software\WDX", "Login") == NICK
    session.input.move_to(600, 300)
    session.input.key("a")
    session.wait_counts(lambda c: c["keys"] == 1, "the key")


def test_tray_icon_animates_while_sending_and_comes_back_to_rest(prefix, display, server,
                                                                 inject):
    proxy = AnswerProxy(server).start()
    try:
        # The answer is held back long enough for many 200 ms animation steps.
        proxy.then("Envoi.php", "delay", 5)
        session = registered_client(prefix, display, server, url=proxy.url(),
                                    waiting={"keys": 2})

        def tray(name):
            return region_signature(inject.screenshot(name), TRAY_REGION)

        # No input since the start: the icon shows its resting image.
        rest = wait_until(lambda: (lambda a, b: a if a == b else None)(
            tray("tray_rest.png"), tray("tray_rest.png")), 20, interval=0.5,
            what="a steady icon")

        send_from_tray(session)
        seen = []
        deadline = time.monotonic() + 30
        while server_totals(server)["keys"] == 0 and time.monotonic() < deadline:
            seen.append(tray("tray_sending.png"))
        assert server_totals(server)["keys"] == 2
        # Several images other than the resting one while the answer was awaited...
        assert len(set(seen) - {rest}) >= 2, seen
        # ...and the resting image once the sending is over.
        wait_until(lambda: tray("tray_after.png") == rest, 15, interval=0.3,
                   what="the icon to come back to rest")
        assert proxy.requests.count("Envoi.php") == 1
    finally:
        proxy.stop()
