#!/usr/bin/env python3
"""Load figures of trekhold-server directly and through nginx with the shipped
configuration (a measurement, not a test): starts nginx on a free loopback port in front of
the port trekhold-load gives its server, and runs trekhold-load with a phase through it.

    bench/server_behind_nginx.py [trekhold-load options...]
"""
import os
import subprocess
import sys
import types

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from nginx_harness import Nginx, free_port  # noqa: E402

LOAD = os.path.join(ROOT, "build", "native", "server", "trekhold-load")


def main():
    server = types.SimpleNamespace(port=free_port())
    updates = os.path.join(ROOT, "build", "bench-updates")
    os.makedirs(updates, exist_ok=True)
    nginx = Nginx(server, updates).start()
    try:
        return subprocess.run([LOAD, "--server-port", str(server.port),
                               "--proxy-port", str(nginx.port), *sys.argv[1:]],
                              timeout=600).returncode
    finally:
        nginx.cleanup()


if __name__ == "__main__":
    sys.exit(main())
