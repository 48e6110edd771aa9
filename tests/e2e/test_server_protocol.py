"""trekhold-server as the client meets it: a key, a sending and the totals, kept through a
crash. The answer words, versions and program digests are proven on the service
(server/tests/service_test.cpp), the update files in test_server_faults.py."""
import sqlite3

import pytest

from server_harness import Server, sending_record

COUNTS = [123456789, 10, 3, 2, 1, 7, 60, 50]  # distance ... usetime, record order
TOTALS = "123456789;3;2;1;7;10;60;50"  # distance, clicks, scrolls, keystrokes, times


@pytest.fixture
def server():
    s = Server()
    s.add_account("walker", "secret1")
    yield s.start()
    s.cleanup()


def test_lost_answer_is_not_counted_twice_and_totals_survive_a_crash(server):
    record = sending_record("walker", "secret1", server.new_key(), COUNTS)
    first = server.answer("Envoi.php", record)
    assert first.startswith("OK") and server.answer("Envoi.php", record) == first
    # An "OK" is only given once the totals are on disk: a killed server keeps them.
    server.stop(hard=True)
    with sqlite3.connect(server.db) as db:
        assert db.execute("SELECT distance, keystrokes, sendings FROM accounts "
                          "WHERE nick = 'walker'").fetchone() == (123456789, 10, 1)
    server.start()
    assert server.answer("Envoi.php", record) == first
    assert server.totals() == TOTALS
