"""A client registered with a real trekhold-server, as after an installation, and what the
tests read back of the server. The `server` fixture (conftest.py) holds the account."""
from harness import ClientSession

NICK = "walker"
PASSWORD = "wandering"


def server_totals(srv):
    fields = srv.totals(NICK, PASSWORD).split(";")
    names = ["distance", "left", "right", "special", "scrolls", "keys", "uptime", "usetime"]
    return dict(zip(names, map(int, fields)))


def registered_client(prefix, display, srv, password=PASSWORD, url=None, settings=None,
                      env=None, waiting=None):
    """A client whose account key was issued by the server, as after an installation,
    reaching the server at `url` (the server itself by default). `waiting` gives counts
    waiting to be sent from the start ({"distance": cm, "keys": n}); `env` is added to the
    client's environment."""
    key = srv.new_key(NICK, PASSWORD)
    session = ClientSession(prefix, display, seed=False,
                            settings={"MoreClics": "False", "Server": url or srv.url("/"),
                                      **(settings or {})})
    session.env_extra.update(env or {})
    session.seed_account(NICK, password, key, **(waiting or {}))
    session.start()
    return session


def send_from_tray(session):
    session.drive("tray", "0x203")
