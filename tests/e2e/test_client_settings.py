"""The configuration dialog of the running client: opened from the tray menu, each page
looked at in both languages and at two DPIs, the language and units switched from it, and
its totals check against a real trekhold-server."""
import re

import pytest

from harness import ClientSession, wait_until
from registered import registered_client, server_totals

WDX = r"HKCU\Software\WDX"
TITLE = "TheWandrel 4.2 - Settings"
SETTINGS_ENTRY = 5  # Send, Display, DataCounting, Icon change, Website, Settings

# Control identifiers of resources/dialog_resources.h.
TABS = [2001, 2002, 2003, 2004, 2005, 2006]
PAGES = ["inputs", "settings", "display", "account", "logs", "about"]
COMBO_LANGUE = 2202
CE = 2209
LOG_SIZE = 2502
LUT = 2134
LTOUCHES = 2130
CHECK_TOTAL_DATA = 2408
FRAME_OF_PAGE = {page: 2100 + 100 * n for n, page in enumerate(PAGES)}


def control(client, ident, *action):
    out = client.drive("settings", str(ident), *map(str, action))
    return dict(line.split("=", 1) for line in out.splitlines() if "=" in line)


def open_settings(client):
    client.menu_command(SETTINGS_ENTRY)
    client.drive("window", TITLE)


def show_page(client, n):
    control(client, TABS[n], "click")
    wait_until(lambda: control(client, FRAME_OF_PAGE[PAGES[n]])["visible"] == "1", 10,
               what=f"the {PAGES[n]} page")


@pytest.mark.parametrize("language,dpi", [("0", 96), ("1", 96), ("0", 144), ("1", 144)])
def test_every_page_in_both_languages_and_dpis(prefix, display, language, dpi):
    prefix.reg_add(r"HKCU\Control Panel\Desktop", "LogPixels", str(dpi), kind="REG_DWORD")
    client = ClientSession(prefix, display, settings={"MoreClics": "False", "Language": language})
    client.start()
    open_settings(client)
    tab_names = [control(client, t)["text"] for t in TABS]
    assert tab_names[0] == ("Saisies" if language == "1" else "Inputs")
    for n, page in enumerate(PAGES):
        show_page(client, n)
        client.input.screenshot(f"settings_{page}_{'fr' if language == '1' else 'en'}_{dpi}.png")
    assert re.fullmatch(r"(Logs size:|Taille du journal :) [0-9.,]+ Ko",
                        control(client, LOG_SIZE)["text"])


def test_language_and_units_apply_at_once(prefix, display):
    client = ClientSession(prefix, display, settings={
        "MoreClics": "False", "DDStartOpen": "True", "DisplayData": "0", "Unit": "Km"})
    client.start()
    wait_until(lambda: client.drive("display").find("open=1") >= 0, 30, what="the display")
    open_settings(client)
    # The Inputs page follows the counts while it shows.
    for key in "abc":
        client.input.key(key)
    keys = client.wait_counts(lambda c: c["keys"] >= 3, "three keys")["keys"]
    wait_until(lambda: control(client, LTOUCHES)["text"].replace(" ", "") == str(keys), 10,
               what="the keys on the Inputs page")

    control(client, COMBO_LANGUE, "select", 2)  # English, Espanol, Français, Portugues
    wait_until(lambda: prefix.reg_query(WDX, "Language") == "1", 10, what="Language = 1")
    wait_until(lambda: control(client, TABS[1])["text"] == "Paramètres", 10,
               what="the dialog in French")
    assert "Jour" in control(client, LUT)["text"]  # the uptime rewritten in French at once
    # The tray menu in French: its Settings entry is now "Paramètres".
    client.drive("tray", "0x205")
    client.drive("menu", "open")
    client.input.screenshot("settings_tray_menu_fr.png")
    client.input.key("Escape")
    client.drive("menu", "closed")

    show_page(client, 1)
    assert control(client, CE)["checked"] == "0"
    control(client, CE, "click")
    wait_until(lambda: prefix.reg_query(WDX, "Unit") == "Miles", 10, what="Unit = Miles")
    wait_until(lambda: re.search(r"(In|Yd|Mi)$", client.drive("display").split("text=")[1]
                                 .splitlines()[0]), 10, what="English units on the display")
    client.quit()


def test_check_total_data_takes_the_server_totals(prefix, display, server):
    client = registered_client(prefix, display, server,
                               settings={"TotalTouches": "1000", "DTotale": "123456"})
    open_settings(client)
    show_page(client, 3)
    control(client, CHECK_TOTAL_DATA, "click")
    text = client.answer_box("Data checked")
    assert "updated" in text
    assert prefix.reg_query(WDX, "TotalTouches") == "0"
    assert prefix.reg_query(WDX, "DTotale") == "0"
    assert server_totals(server)["keys"] == 0
    client.quit()


def test_a_sending_without_a_nickname_opens_the_account_page(prefix, display):
    client = ClientSession(prefix, display)
    client.start()
    prefix.reg_add(WDX, "Login", "")  # without an account the client would not start
    client.drive("tray", "0x203")
    client.answer_box("TheWandrel")
    wait_until(lambda: control(client, FRAME_OF_PAGE["account"])["visible"] == "1", 20,
               what="the Account page")
    assert control(client, FRAME_OF_PAGE["inputs"])["visible"] == "0"
    client.quit()
