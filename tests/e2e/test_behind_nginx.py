"""trekhold-server behind nginx with the shipped server/deploy/nginx.conf, as deployed:
the client's exchanges, the update files served by nginx itself, slow clients held off by
nginx, the request limits, and the systemd unit's command line."""
import os
import re
import shlex
import time

import pytest

from harness import wait_until
from nginx_harness import Nginx
from registered import NICK, PASSWORD, registered_client, send_from_tray, server_totals
from server_harness import (ROOT, SlowClients, exchange, status_of, through, tool_output)

SETUP = bytes(range(256)) * 40


@pytest.fixture
def proxied(server, tmp_path):
    """The conftest server (with the registered account) restarted as deployed, behind a
    started nginx; yields (server, nginx)."""
    updates = tmp_path / "updates"
    updates.mkdir()
    (updates / "TheWandrelSetup.exe").write_bytes(SETUP)
    server.stop()
    server.extra += ["--behind-proxy", "--update-folder", str(updates), "--threads", "4",
                     "--request-seconds", "5"]
    server.start()
    nginx = Nginx(server, str(updates)).start()
    yield server, nginx
    nginx.cleanup()


def test_the_clients_exchanges_through_nginx(prefix, display, proxied):
    server, nginx = proxied
    session = registered_client(prefix, display, server, url=nginx.url("/"))
    session.input.move_to(600, 300)
    for key in "walk":
        session.input.key(key)
    session.wait_counts(lambda c: c["keys"] == 4, "the keys")
    send_from_tray(session)
    wait_until(lambda: server_totals(server)["keys"] == 4, 60, interval=0.5,
               what="the sending to reach the server through nginx")
    wait_until(lambda: session.query(1)["keys"] == 0, 10, what="the counts to be cleared")
    assert session.prefix.reg_query(r"HKCU\Software\WDX", "TotalTouches") == "4"
    assert re.search(r'"GET /Envoi\.php\?Data=\S+ HTTP/1\.1" 200', nginx.access_log())


def test_protocol_and_update_files_through_nginx(proxied):
    server, nginx = proxied
    via = through(server, nginx.port)
    answer = via.answer("Request_cle.php", f"{NICK}'{PASSWORD}")
    assert answer.startswith("OK-")
    assert via.answer("CheckData.php", f"{NICK}'{PASSWORD}") == "0;0;0;0;0;0;0;0"
    login = tool_output("encipher", f"{NICK}'{PASSWORD}").encode()
    head = exchange(nginx.port, b"HEAD /Request_cle.php?Data=" + login +
                    b" HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n")
    assert status_of(head) == 405
    assert via.get("/healthz")[:2] == (200, b"ok")

    client_request = (b"GET /TheWandrelSetup.exe HTTP/1.1\r\nAccept: */*\r\nRange: bytes=0-\r\n"
                      b"Host: 127.0.0.1\r\nConnection: close\r\n\r\n")

    def download(request=client_request):
        head, _, body = exchange(nginx.port, request).partition(b"\r\n\r\n")
        return status_of(head), head.lower(), body

    status, head, body = download()
    assert status == 206 and body == SETUP
    assert b"content-type: application/octet-stream" in head
    assert b"content-length: 10240" in head
    status, _, body = download(client_request.replace(b"bytes=0-", b"bytes=0-0,5-9,0-"))
    assert (status, body) == (200, SETUP)  # one range at most
    # nginx sends the update files itself: they come while the server is down.
    server.stop()
    status, _, body = download()
    assert (status, body) == (206, SETUP)
    assert via.get("/Liste.php")[0] == 502
    assert via.get("/NotThere.exe")[0] == 502  # not a file: asked of the server


def test_slow_clients_meet_nginx_not_the_server(proxied):
    server, nginx = proxied
    via = through(server, nginx.port)
    # Sixty clients sending their heads a byte at a time, against a server of 4 workers.
    slow = SlowClients(nginx.port, 60, interval=0.3)
    try:
        for _ in range(10):
            start = time.monotonic()
            assert via.answer("CheckData.php", f"{NICK}'{PASSWORD}") == "0;0;0;0;0;0;0;0"
            assert time.monotonic() - start < 3
        # An oversized head is refused by nginx.
        big = exchange(nginx.port, b"GET / HTTP/1.1\r\nHost: x\r\nX-Big: " + b"b" * 20000 +
                       b"\r\nConnection: close\r\n\r\n")
        assert status_of(big) in (400, 431, 494)
    finally:
        slow.stop()


def test_requests_per_address_are_limited(server, tmp_path):
    updates = tmp_path / "updates"
    updates.mkdir()
    nginx = Nginx(server, str(updates), limit_loopback=True).start()
    try:
        statuses = [status_of(exchange(nginx.port, b"GET /Liste.php HTTP/1.1\r\nHost: x\r\n"
                                                   b"Connection: close\r\n\r\n"))
                    for _ in range(120)]
        assert statuses.count(200) >= 50 and statuses.count(429) >= 20, statuses
    finally:
        nginx.cleanup()


def test_the_systemd_unit_starts_the_server_as_written(server, tmp_path):
    with open(os.path.join(ROOT, "server", "deploy", "trekhold-server.service")) as f:
        unit = f.read().replace("\\\n", " ")
    settings = dict(re.findall(r"(?m)^(\w+)=(.*)$", unit))
    assert settings["Restart"] == "on-failure" and settings["ProtectSystem"] == "strict"
    assert settings["User"] not in ("", "root")
    args = shlex.split(settings["ExecStart"])[1:]
    db = args[args.index("--db") + 1]
    # The database folder is the only writable path.
    assert settings["ReadWritePaths"] == os.path.dirname(db)
    assert settings["StateDirectory"] == os.path.basename(os.path.dirname(db))
    # The same options with the test's paths and a free port: the server runs with them.
    updates = tmp_path / "updates"
    updates.mkdir()
    args[args.index("--db") + 1] = server.db
    args[args.index("--update-folder") + 1] = str(updates)
    args[args.index("--port") + 1] = "0"
    server.stop()
    server.extra = [a for a in args if a != "serve"]
    server.start()
    assert server.get("/healthz")[0] == 200
