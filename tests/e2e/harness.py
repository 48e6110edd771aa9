"""Helpers for the end-to-end tests: Wine prefixes, the Xvfb display, injected input.

Every wait is bounded; everything started is stopped by the fixtures that started it.
"""
import os
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

from server_harness import stop_process

SRC = Path(__file__).resolve().parents[2]
BUILD_WIN = Path(os.environ.get("WANDREL_BUILD_WIN", SRC / "build" / "win"))
BUILD_NATIVE = Path(os.environ.get("WANDREL_BUILD_NATIVE", SRC / "build" / "native"))
ARTIFACTS = SRC / "build" / "test-artifacts"
ENV_SCRIPT = SRC / "scripts" / "wine-env.sh"
# The test build of the client and the environment variables only it reads.
CLIENT_WITH_TEST_HOOKS = BUILD_WIN / "test_hooks" / "TheWandrel.exe"
TEST_HOOKS = ("WANDREL_MINUTE_MS", "WANDREL_CLOCK_START")


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


def run_wine_program(args, env, timeout, cwd=None):
    """Runs a Windows program to its end and returns its output as text. The output goes
    through files, not pipes: a program that happens to be the first of its prefix starts
    wineserver and the prefix's services, which inherit its standard handles and hold a pipe
    open for as long as the prefix runs, so reading to the pipe's end would wait that long."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        done = subprocess.run([wine_binary()] + [str(a) for a in args], env=env, cwd=cwd,
                              stdin=subprocess.DEVNULL, stdout=out, stderr=err, timeout=timeout)

        def text(f):
            f.seek(0)
            return f.read().decode(errors="replace").replace("\r\n", "\n")

        return subprocess.CompletedProcess(done.args, done.returncode, text(out), text(err))


def wine_binary():
    return "/usr/lib/wine/wine64" if os.path.exists("/usr/lib/wine/wine64") else "wine"


class Display:
    """The X display the tests use: $DISPLAY when it answers, else a private Xvfb. Tests
    spread over several pytest workers each take a private Xvfb, so that the input one
    injects never reaches another's client."""

    def __init__(self, size="1024x768"):
        self.size = size
        self.proc = None
        self.name = os.environ.get("DISPLAY", "")
        shared = not os.environ.get("PYTEST_XDIST_WORKER")
        if shared and self.name and self._answers(self.name):
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
        stop_process(self.proc)
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
        # One wine server and one desktop process for the prefix's whole life (close() ends
        # them). Without that each program may start its own server and desktop, and a
        # program started while they hand over can wait for ever. The desktop process keeps
        # the standard handles of the program that started it: here they lead nowhere, so
        # no later program's output pipe is held open by it.
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                     stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-p"], env=self.env, timeout=30, **quiet)
        subprocess.run([wine_binary(), str(BUILD_WIN / "wandrel_query.exe"), "1",
                        "--timeout-ms", "1"], env=self.env, timeout=60, **quiet)
        if version:
            self.reg_add(r"HKCU\Software\Wine", "Version", version)

    # --- running programs -------------------------------------------------------------
    def run(self, args, timeout=60, cwd=None, env_extra=None):
        return run_wine_program(args, dict(self.env, **(env_extra or {})), timeout, cwd)

    def start(self, args, cwd=None, env_extra=None):
        """Starts a program that close() ends; its output is not kept (see run_wine_program
        for why it goes nowhere a reader could wait on)."""
        env = dict(self.env, **(env_extra or {}))
        p = subprocess.Popen([wine_binary()] + [str(a) for a in args], env=env, cwd=cwd,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(p)
        return p

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

    def pointer(self):
        r = subprocess.run(["xdotool", "getmouselocation", "--shell"], env=self.env,
                           capture_output=True, text=True, timeout=10, check=True)
        values = dict(line.split("=", 1) for line in r.stdout.split())
        return int(values["X"]), int(values["Y"])

    def move_to(self, x, y):
        # Not --sync: it would wait for ever when the pointer is already there.
        self._xdo("mousemove", x, y)
        wait_until(lambda: self.pointer() == (x, y), 10, what="the pointer")

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


class ClientSession:
    """TheWandrel.exe running in a prefix, with an account seeded by the program's own
    writers, and the tools that look at it and act on it."""

    def __init__(self, prefix, display, settings=None, minute_ms=None, seed=True):
        self.prefix = prefix
        self.input = Input(display)
        self.proc = None
        self.env_extra = {}
        if minute_ms:
            self.env_extra["WANDREL_MINUTE_MS"] = str(minute_ms)
        if seed:
            self.seed_account()
        for name, value in (settings or {"MoreClics": "False"}).items():
            prefix.reg_add(r"HKCU\Software\WDX", name, value)

    def drive(self, *args):
        """Runs the test driver (tests/driver) with one action; its output as text."""
        r = self.prefix.run([BUILD_WIN / "wandrel_drive.exe", *args], timeout=90)
        assert r.returncode == 0, f"wandrel_drive {args}: {r.stdout[-2000:]}{r.stderr[-2000:]}"
        return r.stdout

    def seed_account(self, login="walker", password="secret", key="ABC123", **waiting):
        """An account as the installer leaves it; `waiting` gives counts waiting to be sent
        (distance=cm, keys=n)."""
        self.drive("account", f"login={login}", f"password={password}", f"key={key}",
                   *(f"{name}={value}" for name, value in waiting.items()))

    def answer_box(self, title, button=None):
        """Waits for the box of that title, presses its button; the box's text, lines
        separated by "|"."""
        out = self.drive("answer-box", title, *([str(button)] if button else []))
        return next(line[5:] for line in out.splitlines() if line.startswith("text="))

    def program(self):
        """The shipped client, or its test build when a test hook (WANDREL_MINUTE_MS,
        WANDREL_CLOCK_START) is asked for: the shipped one reads no environment variable."""
        hooked = any(name in self.env_extra for name in TEST_HOOKS)
        return CLIENT_WITH_TEST_HOOKS if hooked else BUILD_WIN / "TheWandrel.exe"

    def start(self, wait=True, exe=None):
        """Starts the client built here, or `exe` (a Windows path, as the installed one)."""
        self.proc = self.prefix.start([exe or self.program()], env_extra=self.env_extra)
        if wait:
            wait_until(lambda: self.query(1) is not None, 120, interval=0.3, what="the client")
        return self.proc

    def query_exit_code(self, mode=1):
        """The query tool's exit code: 0 replied, 1 no reply in time, 2 no client runs."""
        return self.prefix.run([BUILD_WIN / "wandrel_query.exe", str(mode), "--timeout-ms",
                                "3000"], timeout=60).returncode

    def query(self, mode=1):
        """The ten fields of a count query as a dict, or None when no reply came."""
        try:
            r = self.prefix.run([BUILD_WIN / "wandrel_query.exe", str(mode), "--timeout-ms",
                                 "3000"], timeout=60)
        except subprocess.TimeoutExpired:
            return None
        if r.returncode != 0:
            return None
        fields = dict(line.split("=", 1) for line in r.stdout.splitlines() if "=" in line)
        return {k: (v if k in ("tag", "nickname") else int(v)) for k, v in fields.items()}

    def wait_counts(self, predicate, what, timeout=20, mode=1):
        """The counts of a query once `predicate` holds for them."""
        def check():
            counts = self.query(mode)
            return counts if counts and predicate(counts) else None
        return wait_until(check, timeout, interval=0.2, what=what)

    def steady(self, timeout=20):
        """The counts waiting to be sent once input has stopped reaching them: two queries
        further apart than the 300 ms movement window agree (the minutes aside)."""
        def counts():
            c = self.query(1)
            return c and {k: v for k, v in c.items() if k not in ("uptime_min", "usetime_min")}
        last = [counts()]

        def same():
            now = counts()
            agreed, last[0] = now == last[0], now
            return now if agreed else None
        return wait_until(same, timeout, interval=0.4, what="the counts to settle")

    def menu_command(self, position):
        """Opens the tray menu and chooses an entry by the keyboard: Home selects the first
        entry ("Send"), then `position` Down presses (separators are skipped, greyed entries
        are not); a negative position chooses the last entry ("Exit") with End."""
        self.input.move_to(500, 400)
        self.drive("tray", "0x205")
        self.drive("menu", "open")
        if position < 0:
            self.input.key("End")
        else:
            self.input.key("Home")
            for _ in range(position):
                self.input.key("Down")
        self.input.key("Return")
        self.drive("menu", "closed")

    def quit(self, timeout=30):
        self.menu_command(-1)
        wait_until(lambda: self.proc.poll() is not None, timeout, what="the client to quit")
        return self.proc.returncode

    def data_file(self, name):
        return self.prefix.local_appdata() / "TheWandrel" / name

    def wait_for_save(self, timeout=30):
        """Waits until the totals data file is replaced (each save puts a new file in place)."""
        path = self.data_file("Totals.dat")

        def identity():
            try:
                st = path.stat()
                return st.st_ino, st.st_mtime_ns
            except FileNotFoundError:
                return None
        before = identity()
        wait_until(lambda: identity() not in (before, None), timeout, interval=0.1,
                   what="a save of the totals data file")


# The notification area of the virtual desktop's taskbar, where the client's icon sits.
TRAY_REGION = "60x24+964+744"


def region_signature(png, geometry):
    """A hash of one region of a screenshot (ImageMagick geometry WxH+X+Y)."""
    r = subprocess.run(["convert", str(png), "-crop", geometry, "+repage", "-format", "%#",
                        "info:"], capture_output=True, text=True, timeout=30, check=True)
    return r.stdout.strip()
