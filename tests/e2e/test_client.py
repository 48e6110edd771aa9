"""The client as a user runs it: TheWandrel.exe under Wine in the virtual desktop, input
injected with xdotool, counts read back with the query tool."""
import time

import pytest

from harness import ClientSession, Input, WinePrefix, wait_until


@pytest.fixture
def client(prefix, display):
    session = ClientSession(prefix, display)
    session.start()
    return session


def test_keys_clicks_and_wheel_count_as_the_rules_say(client):
    inp = client.input
    inp.move_to(600, 300)
    client.settle()
    before = client.query(1)

    inp.key("a")
    inp.key("b")
    # A held key counts once, however long it is held.
    inp._xdo("keydown", "c")
    time.sleep(0.6)
    inp._xdo("keyup", "c")
    inp.click(1)
    inp.click(1)
    inp.click(3)
    inp.click(2)
    # Buttons 4 and 5 of the mouse (X buttons 8 and 9) are not counted without MoreClics.
    inp.click(8)
    inp.click(9)
    # Two separate wheel turns are two scrolls.
    inp.click(5)
    time.sleep(0.3)
    inp.click(5)
    client.settle()

    after = client.query(1)
    assert after["keys"] - before["keys"] == 3
    assert after["left_clicks"] - before["left_clicks"] == 2
    assert after["right_clicks"] - before["right_clicks"] == 1
    assert after["special_clicks"] - before["special_clicks"] == 1
    assert after["scrolls"] - before["scrolls"] == 2
    # Mode 0 adds the confirmed totals (none yet) to the counts waiting to be sent.
    assert client.query(0)["keys"] == after["keys"]


def test_extra_buttons_count_with_more_clics(prefix, display):
    session = ClientSession(prefix, display, settings={"MoreClics": "True"})
    session.start()
    session.input.move_to(600, 300)
    session.settle()
    session.input.click(8)
    session.input.click(9)
    session.settle()
    counts = session.query(1)
    assert counts["special_clicks"] == 2
    assert counts["left_clicks"] == counts["right_clicks"] == 0


def test_pointer_travel_counts_centimetres_and_software_jumps_count_nothing(client):
    inp = client.input
    inp.move_to(100, 100)
    client.settle(0.6)
    start = client.query(1)["distance_cm"]

    # A jump made by software while the mouse is still adds nothing.
    inp.move_to(900, 600)
    client.settle(0.6)
    assert client.query(1)["distance_cm"] == start

    # Movement in small steps: at 1024x768 a centimetre is 32 pixels. Wine moves the pointer
    # a few milliseconds before DirectInput reports the move, so the first step after each
    # clearing of the 300 ms movement window only moves the reference (as the first instant
    # of every real movement does): with 4-pixel steps that loses under a centimetre in all.
    inp.move_to(100, 300)
    client.settle(0.6)
    inp.move_by(1, 0)  # lead-in: opens the movement window
    base = client.query(1)["distance_cm"]
    chain = []
    for _ in range(20 * 32 // 4):
        chain += ["mousemove_relative", "--", "4", "0", "sleep", "0.004"]
    inp._xdo(*chain)
    client.settle()
    travelled = client.query(1)["distance_cm"] - base
    assert travelled in (19, 20)
