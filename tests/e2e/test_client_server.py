"""The client and trekhold-server together: registration in the installer, sendings from
the tray icon, refusals. The server listens on a free port of 127.0.0.1; the client finds it
through its `Server` setting."""
import time

import pytest

from harness import ClientSession, wait_until
from server_harness import Server, decode_key

NICK = "walker"
PASSWORD = "wandering"


@pytest.fixture
def server():
    srv = Server()
    srv.add_account(NICK, PASSWORD)
    srv.start()
    yield srv
    srv.cleanup()


def server_url(srv):
    return f"http://127.0.0.1:{srv.port}/"


def server_totals(srv):
    fields = srv.answer("CheckData.php", f"{NICK}'{PASSWORD}").split(";")
    names = ["distance", "left", "right", "special", "scrolls", "keys", "uptime", "usetime"]
    return dict(zip(names, map(int, fields)))


def registered_client(prefix, display, srv, password=PASSWORD):
    """A client whose account key was issued by the server, as after an installation."""
    answer = srv.answer("Request_cle.php", f"{NICK}'{PASSWORD}")
    assert answer.startswith("OK")
    key = decode_key(answer[3:])
    session = ClientSession(prefix, display, seed=False,
                            settings={"MoreClics": "False", "Server": server_url(srv)})
    r = session.drive_test("E2EAccount.DISABLED_Write", WANDREL_ACCOUNT_LOGIN=NICK,
                           WANDREL_ACCOUNT_PASSWORD=password, WANDREL_ACCOUNT_KEY=key)
    assert r.returncode == 0, r.stdout[-2000:]
    session.start()
    return session


def send_from_tray(session):
    session.drive("TrayNotify", WANDREL_TRAY_MOUSE="0x203")


def test_first_run_installer_registers_and_the_client_counts(prefix, display, server):
    session = ClientSession(prefix, display, seed=False,
                            settings={"MoreClics": "False", "Server": server_url(server)})
    session.start(wait=False)
    # The installer opens with the nickname box focused; Tab leads to the password box and
    # Enter there registers.
    time.sleep(4)
    session.input.screenshot("installer.png")
    session.input.type_text(NICK)
    session.input.key("Tab")
    session.input.type_text(PASSWORD)
    session.input.key("Return")
    session.drive("AnswerBox", WANDREL_BOX_TITLE="Installed")
    counts = wait_until(lambda: session.query(1), 90, interval=0.5, what="the counting client")
    assert counts["nickname"] == NICK
    assert session.prefix.reg_query(r"HKCU\Software\WDX", "Login") == NICK
    session.input.move_to(600, 300)
    session.input.key("a")
    session.settle()
    assert session.query(1)["keys"] == 1


def test_installer_reports_a_wrong_password(prefix, display, server):
    session = ClientSession(prefix, display, seed=False,
                            settings={"MoreClics": "False", "Server": server_url(server)})
    session.start(wait=False)
    time.sleep(4)
    session.input.type_text(NICK)
    session.input.key("Tab")
    session.input.type_text("not-the-password")
    session.input.key("Return")
    session.drive("AnswerBox", WANDREL_BOX_TITLE="TheWandrel Installer: Password Error")
    # Still the installer: no account was written.
    time.sleep(1)
    assert session.query(1) is None
    assert not session.data_file("Key.dat").exists()


def test_double_click_sends_exactly_the_counts_and_the_totals_grow(prefix, display, server):
    session = registered_client(prefix, display, server)
    inp = session.input
    inp.move_to(600, 300)
    session.settle()
    for key in "trek":
        inp.key(key)
    inp.click(1)
    inp.click(3)
    inp.click(5)
    session.settle()
    waiting = session.query(1)
    assert waiting["keys"] == 4

    send_from_tray(session)
    wait_until(lambda: server_totals(server)["keys"] == 4, 30, interval=0.5,
               what="the sending to reach the server")
    totals = server_totals(server)
    assert totals["left"] == waiting["left_clicks"] == 1
    assert totals["right"] == waiting["right_clicks"] == 1
    assert totals["scrolls"] == waiting["scrolls"] == 1

    wait_until(lambda: session.query(1)["keys"] == 0, 10, what="the counts to be cleared")
    assert session.query(0)["keys"] == 4
    assert session.prefix.reg_query(r"HKCU\Software\WDX", "TotalTouches") == "4"
    assert session.prefix.reg_query(r"HKCU\Software\WDX", "TotalClicsGauche") == "1"
    log = session.data_file("TheWandrel.log").read_text(encoding="cp1252")
    assert "[4 Keystrokes] [2 Clicks] [1 Scroll Wheel]" in log
    assert log.rstrip().endswith("have been sent")


def test_refusals_give_the_counts_back(prefix, display, server):
    session = registered_client(prefix, display, server, password="wrong-password")
    inp = session.input
    inp.move_to(600, 300)
    inp.key("a")
    inp.key("b")
    session.settle()

    send_from_tray(session)
    session.drive("AnswerBox", WANDREL_BOX_TITLE="TheWandrel: Password Error")
    wait_until(lambda: session.query(1) is not None, 20)
    assert session.query(1)["keys"] >= 2
    assert server_totals(server)["keys"] == 0

    # Server down: no box, the counts stay, the log says why.
    server.stop()
    before = session.query(1)["keys"]
    send_from_tray(session)
    wait_until(lambda: "Can't reach the server" in
               (session.data_file("TheWandrel.log").read_text(encoding="cp1252")
                if session.data_file("TheWandrel.log").exists() else ""), 60, interval=0.5,
               what="the failed sending to be logged")
    assert session.query(1)["keys"] == before
