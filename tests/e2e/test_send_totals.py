"""The client's exchanges (key request, sendings, totals check) against a real
trekhold-server, through WinINet under Wine: the record, the cipher, the URL and every
answer as the server really gives them."""
from harness import BUILD_WIN
from server_harness import Server

NICK = "walker"
# Every kind of character the server allows in a password.
PASSWORD = "Pa$$w0rd-_.!()*,;:@"


def test_key_sendings_and_totals_check_against_the_server(prefix):
    server = Server()
    try:
        server.add_account(NICK, PASSWORD)
        server.start()
        done = prefix.run([BUILD_WIN / "win_tests.exe", "--gtest_also_run_disabled_tests",
                           "--gtest_filter=ServerRoundTrip.*"], timeout=180,
                          env_extra={"WANDREL_E2E_SERVER": server.url("/"),
                                     "WANDREL_E2E_NICK": NICK,
                                     "WANDREL_E2E_PASSWORD": PASSWORD})
        assert done.returncode == 0, done.stdout[-4000:] + done.stderr[-2000:]
        assert "[  PASSED  ] 1 test" in done.stdout
    finally:
        server.cleanup()
