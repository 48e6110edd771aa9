"""The distance display of the running client: opened at start, fed by injected input,
cycled by the right button, dragged by the left one, and looked at in screenshots."""
import subprocess

import pytest

from harness import ARTIFACTS, ClientSession, wait_until

WDX = r"HKCU\Software\WDX"


def display_state(client):
    """{"open": "1", "text": "line|line", "rect": (l, t, r, b)} of the client's display."""
    state = {}
    for line in client.drive("display").splitlines():
        key, _, value = line.partition("=")
        if key in ("open", "text", "rect"):
            state[key] = value
    if "rect" in state:
        state["rect"] = tuple(int(v) for v in state["rect"].split(","))
    return state


def wait_for_display(client, predicate, what):
    found = {}

    def check():
        found.update(display_state(client))
        return found.get("open") == "1" and predicate(found)

    wait_until(check, 60, interval=0.3, what=what)
    return dict(found)


def number(line):
    return int(line.split(" K")[0].replace(" ", ""))


def centre(rect):
    return (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2


def test_display_opens_at_start_counts_cycles_and_stays_where_dragged(prefix, display):
    client = ClientSession(prefix, display, settings={
        "MoreClics": "False", "DDStartOpen": "True", "DisplayData": "13", "TotalTouches": "1000"})
    client.start()
    inp = client.input
    state = wait_for_display(client, lambda s: len(s["text"].split("|")) == 2,
                             "the display with two lines")
    assert state["text"].split("|")[1].endswith(" Scrolls")

    inp.move_to(300, 300)
    for key in "abc":
        inp.key(key)
    keys = wait_until(lambda: client.query(1), 10, what="a count")["keys"]
    assert keys >= 3
    wait_for_display(client, lambda s: number(s["text"]) == client.query(1)["keys"],
                     "the keys on the display")

    # Right button: To be sent -> Total -> Speed -> To be sent (the settings each mode
    # writes are proven with the mode cycle, in tests/unit/display_test.cpp).
    x, y = centre(state["rect"])
    inp.move_to(x, y)
    inp.click(3)
    wait_until(lambda: prefix.reg_query(WDX, "DDCurrent") == "False", 10, what="DDCurrent")
    total = wait_for_display(client, lambda s: number(s["text"]) >= 1000, "the total keys")
    assert number(total["text"]) == 1000 + client.query(1)["keys"]
    inp.screenshot("display_total.png")

    inp.click(3)
    wait_for_display(client, lambda s: s["text"].startswith("0 Keys/min"), "Speed mode")
    for key in "wandrel":
        inp.key(key)
    wait_for_display(client, lambda s: s["text"].split(" ")[0] not in ("0", ""), "a key rate")
    inp.screenshot("display_speed.png")

    inp.click(3)
    wait_for_display(client, lambda s: s["text"].endswith(" Scrolls") and "/min" not in s["text"],
                     "To be sent again")

    # Left-drag: the window keeps the pointer's offset, and comes back there at the next
    # start (its place in twips is proven on the window, tests/win/display_window_test.cpp).
    before = display_state(client)["rect"]
    inp._xdo("mousedown", 1)
    for _ in range(10):
        inp.move_by(-15, -10)
    inp._xdo("mouseup", 1)
    moved = wait_for_display(client, lambda s: s["rect"][0] == before[0] - 150, "the drag")
    assert moved["rect"][1] == before[1] - 100

    assert client.quit() == 0
    client.start()
    again = wait_for_display(client, lambda s: True, "the display after a restart")
    assert again["rect"] == moved["rect"]

    # Closed from the menu: the next start leaves it closed.
    client.menu_command(1)
    wait_until(lambda: display_state(client).get("open") == "0", 10, what="the display to close")
    assert client.quit() == 0
    assert prefix.reg_query(WDX, "DDStartOpen") == "False"


def crop(png, rect, name):
    left, top = max(rect[0] - 10, 0), max(rect[1] - 10, 0)
    right, bottom = rect[2] + 10, rect[3] + 10
    subprocess.run(["convert", str(png), "-crop", f"{right - left}x{bottom - top}+{left}+{top}",
                    "+repage", str(ARTIFACTS / name)], check=True, timeout=30)


@pytest.mark.parametrize("language,dpi", [("0", 96), ("1", 96), ("0", 144), ("1", 144)])
def test_display_screenshots_in_each_mode_and_size(prefix, display, language, dpi):
    prefix.reg_add(r"HKCU\Control Panel\Desktop", "LogPixels", str(dpi), kind="REG_DWORD")
    client = ClientSession(prefix, display, settings={
        "MoreClics": "False", "DDStartOpen": "True", "DisplayData": "012345",
        "Language": language, "DDSize": "1", "TotalUptime": "3000", "TotalUsetime": "1500",
        "DTotale": "123456789", "TotalTouches": "1234567"})
    client.start()
    inp = client.input
    tag = f"{'en' if language == '0' else 'fr'}_{dpi}"
    for size in ("1", "2", "7"):
        if size != "1":
            prefix.reg_add(WDX, "DDSize", size)
            client.menu_command(1)  # closes the display
            wait_until(lambda: display_state(client).get("open") == "0", 10, what="closing")
            client.menu_command(1)  # opens it again with the new size
        state = wait_for_display(client, lambda s: len(s["text"].split("|")) == 6, "six lines")
        crop(inp.screenshot(f"display_{tag}_size{size}.png"), state["rect"],
             f"display_{tag}_size{size}_crop.png")
    x, y = centre(state["rect"])
    inp.move_to(x, y)
    for mode in ("total", "speed"):
        inp.click(3)
        state = wait_for_display(client, lambda s: (
            "/min" in s["text"] if mode == "speed"
            else number(s["text"].split("|")[1]) >= 1234567), mode)
        crop(inp.screenshot(f"display_{tag}_{mode}.png"), state["rect"],
             f"display_{tag}_{mode}_crop.png")
    assert client.quit() == 0
