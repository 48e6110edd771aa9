"""The client's exchanges (key request, sendings, totals check) against a real
trekhold-server, through WinINet under Wine: the record, the cipher, the URL and every
answer as the server really gives them."""
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time

import pytest

from harness import BUILD_NATIVE, BUILD_WIN

SERVER = os.environ.get("TREKHOLD_SERVER", str(BUILD_NATIVE / "server" / "trekhold-server"))
WIN_TESTS = BUILD_WIN / "win_tests.exe"
NICK = "walker"
# Every kind of character the server allows in a password.
PASSWORD = "Pa$$w0rd-_.!()*,;:@"


@pytest.fixture
def trekhold():
    if not os.path.exists(SERVER) or not WIN_TESTS.exists():
        pytest.skip("trekhold-server or win_tests.exe not built")
    folder = tempfile.mkdtemp(prefix="wandrel-send-")
    db = os.path.join(folder, "t.db")
    added = subprocess.run([SERVER, "account", "add", NICK, PASSWORD, "--db", db,
                            "--minimum-hash-cost"], capture_output=True, text=True, timeout=60)
    assert added.returncode == 0, added.stderr
    proc = subprocess.Popen([SERVER, "--db", db, "--port", "0"], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)
    try:
        # The first line names the address it listens on ("...:PORT").
        deadline = time.monotonic() + 20
        line = b""
        while not line.endswith(b"\n"):
            left = deadline - time.monotonic()
            assert left > 0 and proc.poll() is None, "trekhold-server did not start"
            if select.select([proc.stdout], [], [], left)[0]:
                line += os.read(proc.stdout.fileno(), 1)
        yield "http://127.0.0.1:%d/" % int(line.decode().strip().rsplit(":", 1)[1])
    finally:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(timeout=20)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait(timeout=20)
        proc.stdout.close()
        proc.stderr.close()
        shutil.rmtree(folder, ignore_errors=True)


def test_key_sendings_and_totals_check_against_the_server(prefix, trekhold):
    env = dict(prefix.env, WANDREL_E2E_SERVER=trekhold, WANDREL_E2E_NICK=NICK,
               WANDREL_E2E_PASSWORD=PASSWORD)
    done = subprocess.run(["/usr/lib/wine/wine64" if os.path.exists("/usr/lib/wine/wine64")
                           else "wine", str(WIN_TESTS), "--gtest_also_run_disabled_tests",
                           "--gtest_filter=ServerRoundTrip.*"],
                          env=env, capture_output=True, text=True, errors="replace", timeout=180)
    assert done.returncode == 0, done.stdout[-4000:] + done.stderr[-2000:]
    assert "[  PASSED  ] 1 test" in done.stdout
