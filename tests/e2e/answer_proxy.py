"""An HTTP relay on 127.0.0.1 in front of a trekhold-server that can hold back, replace or
drop the server's answers, one request at a time, so the client meets the failures a real
network gives. The server always receives the request (so a dropped or replaced answer may
follow a committed sending)."""
import http.server
import threading
import time


class AnswerProxy:
    def __init__(self, server):
        self.target = server
        self.plans = {}     # endpoint -> list of (action, value), used in order
        self.requests = []  # endpoints of the requests relayed, in order
        self.lock = threading.Lock()
        self.httpd = self.thread = None
        self.port = None

    def then(self, endpoint, action, value=None):
        """The next request to `endpoint` ("Envoi.php", ...) is handled by `action`:
        "delay" (seconds, then the real answer), "replace" (the body to answer instead),
        "drop" (the connection closes without an answer)."""
        assert action in ("delay", "replace", "drop")
        with self.lock:
            self.plans.setdefault(endpoint, []).append((action, value))
        return self

    def url(self):
        return f"http://127.0.0.1:{self.port}/"

    def start(self):
        proxy = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def do_GET(self):
                endpoint = self.path.lstrip("/").split("?", 1)[0]
                with proxy.lock:
                    proxy.requests.append(endpoint)
                    plan = proxy.plans.get(endpoint) or []
                    action, value = plan.pop(0) if plan else (None, None)
                if action == "delay":
                    time.sleep(value)
                status, body, headers = proxy.target.get(self.path)
                if action == "drop":
                    self.close_connection = True
                    return
                if action == "replace":
                    body = value.encode("latin-1") if isinstance(value, str) else value
                self.send_response(status)
                self.send_header("Content-Type", headers.get("Content-Type", "text/html"))
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.httpd.daemon_threads = True
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()
        return self

    def stop(self):
        if self.httpd:
            self.httpd.shutdown()
            self.httpd.server_close()
            self.thread.join(10)
            self.httpd = None
