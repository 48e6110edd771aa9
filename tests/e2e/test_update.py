"""The update end to end: a client speaking protocol 35 meets a server that wants 36 and
offers the setup program this build made. The user answers Yes, the download window fetches
it, the client quits with its counts saved, the setup program is driven through its pages,
and the upgraded client comes back with the same account and counts. Screenshots of the
download window and of each setup page go to build/test-artifacts/."""
import shutil
import tempfile

import pytest

from harness import BUILD_WIN, ClientSession, wait_until
from registered import NICK, PASSWORD, send_from_tray
from server_harness import Server, decode_key
from test_setup_program import INSTALLED_EXE, SETUP, UNINSTALL_KEY, install

IDYES = 6
NEW_VERSION = "TheWandrel: New version available"


def window(session, title, button=None, click=False):
    """Waits for the window (and its button); the texts of its controls, "|" between them."""
    out = session.drive("window", title, *([button] if button else []),
                        *(["click"] if click else []))
    return next(line[5:] for line in out.splitlines() if line.startswith("text="))


def through_pages(session, pages, language):
    """Each page: wait for its button, take a screenshot, press the button."""
    for shot, title, button in pages:
        window(session, title, button)
        session.input.screenshot(f"setup-{language}-{shot}.png")
        window(session, title, button, click=True)


def test_update_downloads_installs_and_keeps_the_account(prefix, display):
    updates = tempfile.mkdtemp(prefix="trekhold-updates-")
    shutil.copy(SETUP, updates)
    srv = Server("--update-folder", updates, "--required-version", "36")
    try:
        srv.add_account(NICK, PASSWORD)
        srv.start()
        install(prefix, "/LANG=1033")
        key = decode_key(srv.answer("Request_cle.php", f"{NICK}'{PASSWORD}")[3:])
        session = ClientSession(prefix, display, seed=False,
                                settings={"MoreClics": "False", "Server": srv.url("/")})
        session.seed_account(NICK, PASSWORD, key, distance=5000, keys=42)
        client = session.start(exe=INSTALLED_EXE)
        before = session.query(1)
        assert before["nickname"] == NICK and before["distance_cm"] >= 5000

        # The sending meets "Errversion" with the description; the user accepts.
        send_from_tray(session)
        session.answer_box(NEW_VERSION, IDYES)

        # The client ends itself once the file is whole, then the setup program starts.
        wait_until(lambda: client.poll() is not None, 60, interval=0.2,
                   what="the client to quit for the update")
        assert prefix.reg_query(r"HKCU\Software\WDX", "Path").endswith("TheWandrel.exe")
        through_pages(session, [
            ("language", "TheWandrel Setup", "OK"),
            ("welcome", "TheWandrel Setup", "Next >"),
            ("folder", "TheWandrel Setup", "Install"),
            ("finish", "TheWandrel Setup", "Finish"),
        ], "en")

        # The finish page started the upgraded client: same account, same counts.
        after = wait_until(lambda: session.query(1), 120, interval=0.5,
                           what="the upgraded client")
        assert after["nickname"] == NICK
        assert after["distance_cm"] >= before["distance_cm"]
        assert after["keys"] >= before["keys"]
    finally:
        srv.cleanup()
        shutil.rmtree(updates, ignore_errors=True)


@pytest.mark.parametrize("dpi", [96, 144])
def test_a_french_setup_gives_a_french_first_run_installer(prefix, display, dpi):
    if dpi != 96:
        prefix.reg_add(r"HKCU\Control Panel\Desktop", "LogPixels", str(dpi), "REG_DWORD")
    session = ClientSession(prefix, display, seed=False)
    # The language choice offers the language of an earlier installation first.
    prefix.reg_add(UNINSTALL_KEY, "NSIS:Language", "1036")
    prefix.start([SETUP])
    title = "Installation de TheWandrel"
    through_pages(session, [
        ("language", "TheWandrel Setup", "OK"),
        ("welcome", title, "Suivant >"),
        ("folder", title, "Installer"),
        ("finish", title, "Fermer"),
    ], f"fr-{dpi}dpi")
    assert prefix.reg_query(UNINSTALL_KEY, "NSIS:Language") == "1036"
    # No account yet: the client shows its first-run installer, in French.
    texts = window(session, "TheWandrel Installer")
    assert "Votre pseudo" in texts, texts
    session.input.screenshot(f"first-run-installer-fr-{dpi}dpi.png")


@pytest.mark.parametrize("dpi", [96, 144])
def test_download_window_screenshots(prefix, display, dpi):
    """The download window part way, at 96 and 144 DPI, for a person to look at."""
    if dpi != 96:
        prefix.reg_add(r"HKCU\Control Panel\Desktop", "LogPixels", str(dpi), "REG_DWORD")
    session = ClientSession(prefix, display, seed=False)
    done = prefix.path / "drive_c" / "shot-done"
    shower = prefix.start([BUILD_WIN / "win_tests.exe", "--gtest_also_run_disabled_tests",
                           "--gtest_filter=DownloadWindow.DISABLED_ShowPartWay"],
                          env_extra={"WANDREL_SHOT_DONE": r"C:\shot-done"})
    try:
        assert "Received: " in window(session, "TheWandrel Update - Downloading File 1/2")
        # A second tick has passed: the speed and the time left are shown too.
        wait_until(lambda: "/s|" in window(session, "TheWandrel Update"), 20,
                   interval=0.3, what="the speed")
        session.input.screenshot(f"download-window-{dpi}dpi.png")
    finally:
        done.write_text("done")
        shower.wait(60)
