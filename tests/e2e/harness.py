"""Helpers for the end-to-end tests: Wine prefixes, the Xvfb display, injected input.

Every wait is bounded; everything started is stopped by the fixtures that started it.
"""
import os
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

SRC = Path(__file__).resolve().parents[2]
BUILD_WIN = Path(os.environ.get("WANDREL_BUILD_WIN", SRC / "build" / "win"))
BUILD_NATIVE = Path(os.environ.get("WANDREL_BUILD_NATIVE", SRC / "build" / "native"))
ARTIFACTS = SRC / "build" / "test-artifacts"
ENV_SCRIPT = SRC / "scripts" / "wine-env.sh"


def wait_until(predicate, timeout, interval=0.05, what="condition"):
    """Polls predicate until it returns a truthy value; raises on timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError(f"timed out after {timeout}s waiting for {what}")
        time.sleep(interval)


def _bash(script, env=None, timeout=300):
    return subprocess.run(["bash", "-c", f"source '{ENV_SCRIPT}'; {script}"], env=env,
                          capture_output=True, text=True, timeout=timeout)


def wine_binary():
    return "/usr/lib/wine/wine64" if os.path.exists("/usr/lib/wine/wine64") else "wine"


class Display:
    """The X display the tests use: $DISPLAY when it answers, else a private Xvfb."""

    def __init__(self, size="1024x768"):
        self.size = size
        self.proc = None
        self.name = os.environ.get("DISPLAY", "")
        if self.name and self._answers(self.name):
            return
        # -displayfd lets Xvfb pick a free display itself: no race with other runs.
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                                      f"{size}x24", "-nolisten", "tcp"],
                                     pass_fds=(write_fd,), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            number = pipe.readline().strip()
        if not number:
            self.stop()
            raise RuntimeError("Xvfb did not start")
        self.name = f":{number}"

    @staticmethod
    def _answers(name):
        env = dict(os.environ, DISPLAY=name)
        return subprocess.run(["xdpyinfo"], env=env, capture_output=True).returncode == 0

    def stop(self):
        if self.proc:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
            self.proc = None


class WinePrefix:
    """A fresh copy of the run's Wine prefix template, removed by close()."""

    def __init__(self, display, version=None):
        self.display = display
        self.env = dict(os.environ, DISPLAY=display.name, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=", WINEARCH="win64")
        root = Path(os.environ.get("WANDREL_WINE_ROOT", SRC / "build" / "wine"))
        self.env["WANDREL_WINE_ROOT"] = str(root)
        r = _bash("wandrel_prepare_template", env=self.env, timeout=300)
        if r.returncode != 0:
            raise RuntimeError("wine template: " + r.stderr)
        root.mkdir(parents=True, exist_ok=True)
        self.path = Path(tempfile.mkdtemp(prefix="e2e.", dir=root))
        r = _bash(f"wandrel_new_prefix '{self.path}'", env=self.env)
        if r.returncode != 0:
            raise RuntimeError("wine prefix: " + r.stderr)
        self.env["WINEPREFIX"] = str(self.path)
        self.procs = []
        if version:
            self.reg_add(r"HKCU\Software\Wine", "Version", version)

    # --- running programs -------------------------------------------------------------
    def run(self, args, timeout=60, cwd=None):
        return subprocess.run([wine_binary()] + [str(a) for a in args], env=self.env, cwd=cwd,
                              capture_output=True, text=True, errors="replace",
                              timeout=timeout)

    def start(self, args, cwd=None):
        p = subprocess.Popen([wine_binary()] + [str(a) for a in args], env=self.env, cwd=cwd,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.procs.append(p)
        return p

    def wineserver_wait(self, timeout=30):
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=timeout)

    # --- registry ---------------------------------------------------------------------
    def reg_add(self, key, name, value, kind="REG_SZ"):
        r = self.run(["reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f"])
        assert r.returncode == 0, r.stdout + r.stderr

    def reg_query(self, key, name):
        """The value's text, or None when it is missing."""
        r = self.run(["reg", "query", key, "/v", name])
        if r.returncode != 0:
            return None
        for line in r.stdout.splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[0].lower() == name.lower():
                return parts[2] if len(parts) == 3 else ""
        return None

    # --- files ------------------------------------------------------------------------
    def user_dir(self):
        users = self.path / "drive_c" / "users"
        return next(p for p in users.iterdir() if p.name not in ("Public",))

    def local_appdata(self):
        return self.user_dir() / "AppData" / "Local"

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=30)
        for p in self.procs:
            if p.poll() is None:
                p.kill()
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                pass
        shutil.rmtree(self.path, ignore_errors=True)


class Input:
    """Input injected into the X display. Presses are held long enough for polling."""

    HOLD = 0.06

    def __init__(self, display):
        self.env = dict(os.environ, DISPLAY=display.name)

    def _xdo(self, *args):
        subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, check=True,
                       timeout=10)

    def move_to(self, x, y):
        self._xdo("mousemove", "--sync", x, y)

    def move_by(self, dx, dy):
        self._xdo("mousemove_relative", "--sync", "--", dx, dy)

    def key(self, name):
        self._xdo("keydown", name)
        time.sleep(self.HOLD)
        self._xdo("keyup", name)
        time.sleep(self.HOLD)

    def type_text(self, text):
        self._xdo("type", "--delay", 80, text)

    def click(self, button=1):
        self._xdo("mousedown", button)
        time.sleep(self.HOLD)
        self._xdo("mouseup", button)
        time.sleep(self.HOLD)

    def screenshot(self, name):
        ARTIFACTS.mkdir(parents=True, exist_ok=True)
        path = ARTIFACTS / name
        subprocess.run(["import", "-window", "root", str(path)], env=self.env, check=True,
                       timeout=20)
        return path
