"""The client as a user runs it: TheWandrel.exe under Wine in the virtual desktop, input
injected with xdotool, counts read back with the query tool. Which presses count, of every
button and key, is proven with the sampling rules and with the sampler on the devices
(tests/win/sampler_test.cpp); here, what the running program does with them."""
import shutil
import time

import pytest

from harness import BUILD_WIN, TRAY_REGION, ClientSession, region_signature, wait_until


@pytest.fixture
def client(prefix, display):
    session = ClientSession(prefix, display)
    session.start()
    return session


def test_second_instance_exits_at_once(client):
    started = time.monotonic()
    r = client.prefix.run([BUILD_WIN / "TheWandrel.exe"], timeout=60)
    assert r.returncode == 0
    assert time.monotonic() - started < 30
    assert client.proc.poll() is None
    assert client.query(1) is not None


def test_tray_icon_is_shown_and_comes_back_after_taskbar_re_creation(client):
    inp = client.input
    shown = region_signature(inp.screenshot("tray_icon.png"), TRAY_REGION)
    client.drive("remove-tray-icon")
    wait_until(lambda: region_signature(inp.screenshot("tray_removed.png"), TRAY_REGION) != shown,
               20, interval=0.5, what="the icon to go")
    client.drive("taskbar-created")
    wait_until(lambda: region_signature(inp.screenshot("tray_back.png"), TRAY_REGION) == shown,
               20, interval=0.5, what="the icon to come back")


def test_counting_can_be_paused_from_the_menu(client):
    inp = client.input
    inp.move_to(600, 300)
    client.menu_command(2)  # "DataCounting Enabled" unchecked
    before = client.query(1)
    inp.key("a")
    inp.click(1)
    time.sleep(0.5)  # time to count them, were counting on
    paused = client.query(1)
    assert (paused["keys"], paused["left_clicks"]) == (before["keys"], before["left_clicks"])

    client.menu_command(2)  # checked again
    inp.key("a")
    # "a" counts again (the Return that resumed counting may or may not be seen down).
    again = client.wait_counts(lambda c: c["keys"] > paused["keys"], "the key after resuming")
    assert again["keys"] - paused["keys"] in (1, 2)


def test_exit_saves_the_counts_and_the_next_start_reads_them_back(client):
    inp = client.input
    inp.move_to(600, 300)
    for key in "wander":
        inp.key(key)
    inp.click(3)
    before_quit = client.wait_counts(lambda c: c["keys"] == 6 and c["right_clicks"] == 1,
                                     "the keys and the click")
    assert client.quit() == 0
    assert client.data_file("Totals.dat").exists()

    client.start()
    after = client.query(1)
    # The keys that chose Exit in the menu were counted before the save.
    assert after["right_clicks"] == before_quit["right_clicks"]
    assert after["keys"] >= before_quit["keys"]
    assert after["keys"] <= before_quit["keys"] + 2


def test_kill_loses_at_most_what_the_periodic_save_had_not_written(prefix, display):
    # A minute lasts 250 ms here: with the default interval the counts are saved every
    # 16 minutes, that is every 4 seconds.
    session = ClientSession(prefix, display, minute_ms=250)
    session.start()
    inp = session.input
    inp.move_to(600, 300)
    for key in "abc":
        inp.key(key)
    session.wait_counts(lambda c: c["keys"] == 3, "the three keys")
    session.wait_for_save()
    saved = session.query(1)
    assert saved["uptime_min"] >= 16
    inp.key("d")
    before_kill = session.wait_counts(lambda c: c["keys"] == 4, "the fourth key")
    session.proc.kill()
    session.proc.wait(30)
    assert session.query(1) is None  # the client is gone

    restarted = time.monotonic()
    session.start()
    after = session.query(1)
    # The restarted client counts on from what was saved: at least the 15 minutes the save at
    # the 16th minute tick held (it comes before that tick's minute is counted), at most one
    # minute per 250 ms since the restart on top of what was lost.
    minutes_since = int((time.monotonic() - restarted) / 0.25) + 1
    assert saved["keys"] <= after["keys"] <= before_kill["keys"]
    assert 15 <= after["uptime_min"] <= before_kill["uptime_min"] + minutes_since


def test_a_refused_platform_shows_its_box_and_ends(prefix, display):
    # Which platforms are refused is proven with the start-up rules.
    prefix.reg_add(r"HKCU\Software\Wine", "Version", "win98")
    session = ClientSession(prefix, display)
    proc = session.start(wait=False)
    session.answer_box("Windows non NT detected")
    wait_until(lambda: proc.poll() is not None, 60, what="the client to end")
    assert proc.returncode == 2


@pytest.mark.parametrize("library, title, code", [
    (None, "TheWandrel: Missing zeptal.dll", 3),
    (b"not the library this client was built with", "TheWandrel: Wrong library version", 4),
])
def test_companion_library_is_checked(prefix, display, library, title, code):
    folder = prefix.path / "drive_c" / "TheWandrel"
    folder.mkdir()
    shutil.copy(BUILD_WIN / "TheWandrel.exe", folder)
    if library is not None:
        original = (BUILD_WIN / "zeptal.dll").read_bytes()
        (folder / "zeptal.dll").write_bytes(original + library)
    session = ClientSession(prefix, display)
    proc = prefix.start([folder / "TheWandrel.exe"])
    session.answer_box(title)
    wait_until(lambda: proc.poll() is not None, 60, what="the client to end")
    assert proc.returncode == code


def test_stored_language_chooses_the_start_up_texts_and_a_damaged_one_gives_english(
        prefix, display):
    # The missing library's box is the first localised text of a start-up.
    folder = prefix.path / "drive_c" / "TheWandrel"
    folder.mkdir()
    shutil.copy(BUILD_WIN / "TheWandrel.exe", folder)
    session = ClientSession(prefix, display, seed=False)
    # Which stored values are unusable is proven with the settings readers.
    for value, first_line in (("4", "< zeptal.dll > fehlt in C:\\TheWandrel\\."),
                              ("abc", "Missing < zeptal.dll > in C:\\TheWandrel\\.")):
        prefix.reg_add(r"HKCU\Software\WDX", "Language", value)
        proc = prefix.start([folder / "TheWandrel.exe"])
        text = session.answer_box("TheWandrel: Missing zeptal.dll")
        wait_until(lambda: proc.poll() is not None, 60, what="the client to end")
        assert text.split("|")[0] == first_line, value
        assert prefix.reg_query(r"HKCU\Software\WDX", "Language") == value


def test_directinput_that_cannot_be_set_up_shows_its_box_and_ends(prefix, display):
    folder = prefix.path / "drive_c" / "TheWandrel"
    folder.mkdir()
    for name in ("TheWandrel.exe", "zeptal.dll", "refusing_dinput8/dinput8.dll"):
        shutil.copy(BUILD_WIN / name, folder)
    session = ClientSession(prefix, display)  # an account, so start-up reaches DirectInput
    proc = prefix.start([folder / "TheWandrel.exe"], env_extra={
        "WINEDLLOVERRIDES": prefix.env["WINEDLLOVERRIDES"] + ";dinput8=n"})
    assert "Directx 8 or greater is needed" in session.answer_box("TheWandrel: Directx 8 needed")
    wait_until(lambda: proc.poll() is not None, 60, what="the client to end")
    assert proc.returncode == 6
    assert session.query(1) is None  # no client was left counting


def test_a_program_folder_in_any_script_gets_a_whole_start_with_windows_entry(prefix, display):
    folder = prefix.user_dir() / "Программы" / "TheWandrel"
    folder.mkdir(parents=True)
    for name in ("TheWandrel.exe", "zeptal.dll"):
        shutil.copy(BUILD_WIN / name, folder)
    run_key = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
    prefix.reg_add(run_key, "TheWandrel", r"C:\Old\TheWandrel.exe")  # start with Windows on
    session = ClientSession(prefix, display)
    session.proc = prefix.start([folder / "TheWandrel.exe"])
    wait_until(lambda: session.query(1) is not None, 120, interval=0.3, what="the client")
    # The start-up rewrote the entry with the folder the program runs from, as Windows
    # names it; an export keeps the value's UTF-16 text as it is.
    assert prefix.run(["reg", "export", run_key, r"C:\run.reg", "/y"]).returncode == 0
    exported = (prefix.path / "drive_c" / "run.reg").read_bytes().decode("utf-16")
    path = "\\".join(("C:",) + folder.relative_to(prefix.path / "drive_c").parts +
                     ("TheWandrel.exe",))
    assert '"TheWandrel"="%s"' % path.replace("\\", "\\\\") in exported, exported
