"""Headless Chromium driven through its DevTools pipe (no package beyond Chromium): opens a
page as a phone shows it and evaluates a script in it."""
import fcntl
import json
import os
import select
import shutil
import subprocess
import tempfile
import time


class PhoneBrowser:
    """Chromium emulating a phone screen `width` CSS pixels wide."""

    def __init__(self, width=360, height=740, timeout=60):
        self.timeout = timeout
        self.profile = tempfile.mkdtemp(prefix="trekhold-chromium-")
        to_browser, self._write = os.pipe()
        self._read, from_browser = os.pipe()
        # The DevTools pipe is the browser's descriptors 3 (commands) and 4 (replies): moved
        # above them first, so that putting one in place never closes the other. (Descriptors
        # the child is given by pass_fds would be closed after they are put in place; the
        # others of this process close at exec, being close-on-exec.)
        to_browser, from_browser = (self._above(fd) for fd in (to_browser, from_browser))
        self.proc = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--remote-debugging-pipe", "--user-data-dir=" + self.profile, "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, close_fds=False,
            preexec_fn=lambda: (os.dup2(to_browser, 3), os.dup2(from_browser, 4)))
        os.close(to_browser)
        os.close(from_browser)
        self._buffer = b""
        self._next_id = 0
        page = next(t for t in self.call("Target.getTargets")["targetInfos"]
                    if t["type"] == "page")
        self.session = self.call("Target.attachToTarget", targetId=page["targetId"],
                                 flatten=True)["sessionId"]
        self.call("Emulation.setDeviceMetricsOverride", session=True, width=width,
                  height=height, deviceScaleFactor=2, mobile=True)
        self.call("Page.enable", session=True)

    @staticmethod
    def _above(fd):
        moved = fcntl.fcntl(fd, fcntl.F_DUPFD, 10)
        os.close(fd)
        return moved

    def _message(self, deadline):
        while b"\0" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self._read], [], [], left)[0]:
                raise TimeoutError("no answer from chromium")
            chunk = os.read(self._read, 65536)
            if not chunk:
                raise RuntimeError("chromium closed its DevTools pipe")
            self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, session=False, wait_event=None, **params):
        """Sends one command; its result once it and (when given) the event `wait_event`
        have come."""
        self._next_id += 1
        command = {"id": self._next_id, "method": method, "params": params}
        if session:
            command["sessionId"] = self.session
        os.write(self._write, json.dumps(command).encode() + b"\0")
        deadline = time.monotonic() + self.timeout
        result, event_seen = None, wait_event is None
        while result is None or not event_seen:
            message = self._message(deadline)
            if message.get("id") == self._next_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                result = message["result"]
            event_seen = event_seen or message.get("method") == wait_event
        return result

    def open(self, url):
        self.call("Page.navigate", session=True, wait_event="Page.loadEventFired", url=url)

    def evaluate(self, expression):
        """The value of a script expression in the page, as JSON gives it back."""
        answer = self.call("Runtime.evaluate", session=True, expression=expression,
                           returnByValue=True)
        return answer["result"].get("value")

    def close(self):
        self.proc.kill()
        self.proc.wait(20)
        os.close(self._write)
        os.close(self._read)
        shutil.rmtree(self.profile, ignore_errors=True)
