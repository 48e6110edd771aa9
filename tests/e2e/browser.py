"""Headless Chromium driven through its DevTools pipe (no package beyond Chromium): opens a
page as a phone or a desktop shows it, evaluates a script in it, takes its picture and
checks its accessibility with axe-core (tests/e2e/node_modules, from scripts/install-deps.sh)."""
import base64
import fcntl
import json
import os
import select
import shutil
import subprocess
import tempfile
import time


AXE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "node_modules", "axe-core",
                   "axe.min.js")


class Browser:
    """Chromium emulating a screen `width` CSS pixels wide: a phone's, or a desktop's when
    `mobile` is false. Its cache is off, so that every page comes from the server."""

    def __init__(self, width=360, height=740, mobile=True, timeout=60):
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
                  height=height, deviceScaleFactor=2 if mobile else 1, mobile=mobile)
        self.call("Page.enable", session=True)
        self.call("Network.enable", session=True)
        self.call("Network.setCacheDisabled", session=True, cacheDisabled=True)
        # The pages allow no script of their own: the checker is let in.
        self.call("Page.setBypassCSP", session=True, enabled=True)

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

    def evaluate(self, expression, wait=False):
        """The value of a script expression in the page, as JSON gives it back (of the
        promise it gives when `wait`)."""
        answer = self.call("Runtime.evaluate", session=True, expression=expression,
                           returnByValue=True, awaitPromise=wait)
        if "exceptionDetails" in answer:
            raise RuntimeError(answer["exceptionDetails"].get("text", "script failed"))
        return answer["result"].get("value")

    def submit(self, expression):
        """Runs a script that leaves the page (a form's submit) and waits for the next one."""
        self.call("Runtime.evaluate", session=True, wait_event="Page.loadEventFired",
                  expression=expression)

    def screenshot(self, path):
        """The whole page, not only the screen, as a PNG file."""
        size = self.call("Page.getLayoutMetrics", session=True)["cssContentSize"]
        shot = self.call("Page.captureScreenshot", session=True, format="png",
                         captureBeyondViewport=True,
                         clip={"x": 0, "y": 0, "width": size["width"], "height": size["height"],
                               "scale": 1})
        with open(path, "wb") as f:
            f.write(base64.b64decode(shot["data"]))

    def accessibility_problems(self):
        """What axe-core finds wrong in the page (every rule of WCAG 2 A and AA and its
        best practices): one "rule: help (elements)" line per violation."""
        if not self.evaluate("typeof axe !== 'undefined'"):
            with open(AXE) as f:
                self.evaluate(f.read())
        return self.evaluate(
            "axe.run(document, {runOnly: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', "
            "'best-practice']}).then(r => r.violations.map(v => v.id + ': ' + v.help + ' (' + "
            "v.nodes.map(n => n.target.join(' ')).join(', ') + ')'))", wait=True)

    def close(self):
        self.proc.kill()
        self.proc.wait(20)
        os.close(self._write)
        os.close(self._read)
        shutil.rmtree(self.profile, ignore_errors=True)
