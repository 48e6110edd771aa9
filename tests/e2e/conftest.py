import pytest

from harness import Display, Input, WinePrefix
from registered import NICK, PASSWORD
from server_harness import Server


@pytest.fixture(scope="session")
def display():
    d = Display()
    yield d
    d.stop()


@pytest.fixture
def prefix(display):
    p = WinePrefix(display)
    yield p
    p.close()


@pytest.fixture
def inject(display):
    return Input(display)


@pytest.fixture
def server():
    """A trekhold-server with the account the registered clients use."""
    srv = Server()
    srv.add_account(NICK, PASSWORD)
    srv.start()
    yield srv
    srv.cleanup()
