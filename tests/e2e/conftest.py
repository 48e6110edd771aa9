import pytest

from harness import Display, Input, WinePrefix


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
