"""A real nginx (Debian's) on a loopback port with the shipped server/deploy/nginx.conf,
in front of a trekhold-server of server_harness. Ports and paths of the shipped file are
replaced by the test's own; nginx runs as the current user with everything under a
temporary folder. Every wait is bounded; a started nginx is always stopped."""
import os
import shutil
import socket
import subprocess
import tempfile
import time

from server_harness import ROOT, stop_process

NGINX = os.environ.get("NGINX", "/usr/sbin/nginx")
SHIPPED = os.path.join(ROOT, "server", "deploy", "nginx.conf")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def site_config(server_port, listen_port, updates, limit_loopback=False):
    """The shipped configuration with the test's ports and update folder."""
    with open(SHIPPED) as f:
        text = f.read()
    swaps = [("listen 80;", f"listen 127.0.0.1:{listen_port};"),
             ("server 127.0.0.1:8035;", f"server 127.0.0.1:{server_port};"),
             ("root /srv/trekhold/updates;", f"root {updates};")]
    if limit_loopback:
        swaps.append(("    127.0.0.1 0;\n", "    127.0.0.1 1;\n"))
    for old, new in swaps:
        assert text.count(old) == 1, "the shipped nginx.conf no longer has " + old
        text = text.replace(old, new)
    return text


class Nginx:
    def __init__(self, server, updates, limit_loopback=False):
        self.prefix = tempfile.mkdtemp(prefix="trekhold-nginx-")
        self.port = free_port()
        self.proc = None
        with open(os.path.join(self.prefix, "trekhold.conf"), "w") as f:
            f.write(site_config(server.port, self.port, updates, limit_loopback))
        p = self.prefix
        # As root, nginx's workers would otherwise run as "nobody" and could not read the
        # test's private folders.
        user = "user root;" if os.geteuid() == 0 else ""
        temp = " ".join(f"{kind}_temp_path {p}/{kind};"
                        for kind in ("client_body", "proxy", "fastcgi", "uwsgi", "scgi"))
        with open(os.path.join(p, "nginx.conf"), "w") as f:
            f.write(f"""{user}
worker_processes 2;
pid {p}/nginx.pid;
error_log {p}/error.log warn;
daemon off;
events {{ worker_connections 1024; }}
http {{
    access_log {p}/access.log;
    {temp}
    include {p}/trekhold.conf;
}}
""")

    def start(self, timeout=20):
        p = self.prefix
        check = subprocess.run([NGINX, "-t", "-p", p, "-c", f"{p}/nginx.conf", "-e",
                                f"{p}/error.log"], capture_output=True, text=True, timeout=30)
        assert check.returncode == 0, check.stderr
        self.proc = subprocess.Popen([NGINX, "-p", p, "-c", f"{p}/nginx.conf", "-e",
                                      f"{p}/error.log"], stdout=subprocess.DEVNULL,
                                     stderr=subprocess.PIPE)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.proc.poll() is not None:
                raise RuntimeError("nginx did not start: " + self.proc.stderr.read().decode())
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return self
            except OSError:
                time.sleep(0.05)
        self.stop()
        raise RuntimeError("nginx did not listen in time")

    def stop(self):
        stop_process(self.proc)
        self.proc = None

    def cleanup(self):
        self.stop()
        shutil.rmtree(self.prefix, ignore_errors=True)

    def url(self, path):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def access_log(self):
        with open(os.path.join(self.prefix, "access.log")) as f:
            return f.read()
