"""The setup program TheWandrelSetup.exe under Wine: silent installation in either language,
an upgrade over a running client that keeps its counts, and the uninstaller."""
import os

import pytest

from harness import BUILD_WIN, ClientSession, wait_until

SETUP = BUILD_WIN / "TheWandrelSetup.exe"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TheWandrel"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
INSTALLED_EXE = r"C:\Program Files\TheWandrel\TheWandrel.exe"
OLD_TIME = 978307200  # 2001-01-01


def program_folder(prefix):
    return prefix.path / "drive_c" / "Program Files" / "TheWandrel"


def shortcut(prefix):
    return (prefix.path / "drive_c" / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" /
            "Programs" / "TheWandrel.lnk")


def install(prefix, *options):
    r = prefix.run([SETUP, "/S", *options], timeout=120)
    assert r.returncode == 0, r.stdout + r.stderr
    return r


def uninstall(prefix, *options):
    # The uninstaller copies itself to the temporary folder and returns at once: wait for
    # its work instead.
    prefix.run([program_folder(prefix) / "uninstall.exe", "/S", *options], timeout=60)
    wait_until(lambda: prefix.reg_query(UNINSTALL_KEY, "DisplayName") is None and
               not (program_folder(prefix) / "TheWandrel.exe").exists(), 60,
               interval=0.5, what="the uninstaller")


@pytest.mark.parametrize("language", ["1033", "1036"])
def test_silent_installation_registers_the_program_and_its_language(prefix, language):
    install(prefix, f"/LANG={language}")
    folder = program_folder(prefix)
    for name in ("TheWandrel.exe", "zeptal.dll", "uninstall.exe"):
        assert (folder / name).is_file(), name
    assert (folder / "TheWandrel.exe").read_bytes() == (BUILD_WIN / "TheWandrel.exe").read_bytes()
    assert not (folder / "~setup").exists()
    assert shortcut(prefix).is_file()
    assert prefix.reg_query(UNINSTALL_KEY, "NSIS:Language") == language
    assert prefix.reg_query(UNINSTALL_KEY, "DisplayName") == "TheWandrel"
    assert prefix.reg_query(UNINSTALL_KEY, "Publisher") == "The Trekhold project"
    assert prefix.reg_query(UNINSTALL_KEY, "DisplayVersion") == "4.2.0"  # the settings title's
    assert "TheWandrel.exe" in prefix.reg_query(UNINSTALL_KEY, "DisplayIcon")
    assert "uninstall.exe" in prefix.reg_query(UNINSTALL_KEY, "UninstallString")
    assert int(prefix.reg_query(UNINSTALL_KEY, "EstimatedSize"), 16) > 100  # KiB


def test_upgrade_over_a_running_client_keeps_its_counts(prefix, display):
    install(prefix)
    session = ClientSession(prefix, display, seed=False)
    session.seed_account(distance=12345, keys=678)
    client = session.start(exe=INSTALLED_EXE)
    before = session.query(1)
    assert before["distance_cm"] >= 12345

    # Upgrading asks the client to quit as its menu does; its shutdown saves the counts. The
    # running program's file is only marked (not changed under it) so its swap can be seen.
    installed = program_folder(prefix) / "TheWandrel.exe"
    os.utime(installed, (OLD_TIME, OLD_TIME))
    install(prefix)
    wait_until(lambda: client.poll() is not None, 30, what="the client to quit")
    folder = program_folder(prefix)
    assert installed.stat().st_mtime != OLD_TIME
    assert installed.read_bytes() == (BUILD_WIN / "TheWandrel.exe").read_bytes()
    assert not list(folder.glob("*.old")) and not (folder / "~setup").exists()

    session.start(exe=INSTALLED_EXE)
    after = session.query(1)
    assert after["distance_cm"] >= before["distance_cm"]
    assert after["keys"] >= before["keys"] >= 678
    session.quit()


def test_uninstaller_keeps_the_users_data_unless_asked(prefix, display):
    install(prefix)
    session = ClientSession(prefix, display)
    prefix.reg_add(RUN_KEY, "TheWandrel", INSTALLED_EXE)
    data = session.data_file("")
    assert data.is_dir()

    uninstall(prefix)
    assert not shortcut(prefix).exists()
    assert prefix.reg_query(RUN_KEY, "TheWandrel") is None
    assert data.is_dir() and any(data.iterdir())
    assert prefix.reg_query(r"HKCU\Software\WDX", "Login") is not None

    install(prefix)
    uninstall(prefix, "/REMOVEDATA")
    assert not data.exists()
    assert prefix.reg_query(r"HKCU\Software\WDX", "Login") is None


def test_a_swap_that_fails_puts_every_old_file_back(prefix):
    install(prefix)
    folder = program_folder(prefix)
    for name in ("TheWandrel.exe", "zeptal.dll"):
        os.utime(folder / name, (OLD_TIME, OLD_TIME))
    # The uninstaller, swapped last, cannot be moved aside: a folder holds its backup name.
    blocker = folder / "uninstall.exe.old"
    blocker.mkdir()
    (blocker / "keep").write_text("x")
    r = prefix.run([SETUP, "/S"], timeout=120)
    assert r.returncode == 5
    for name in ("TheWandrel.exe", "zeptal.dll"):
        assert (folder / name).stat().st_mtime == OLD_TIME, name
    assert (folder / "uninstall.exe").is_file()
    assert not (folder / "~setup").exists()
    assert {p.name for p in folder.glob("*.old")} == {"uninstall.exe.old"}
