// Writes the first inputs of each fuzzer with the program's own encoders: well-formed
// files and texts, so that the fuzzers start past the outer checks.
//   fuzz_seeds DIR    writes DIR/<fuzzer>/<seed>
#include "fixed_random.h"
#include "net/update_http.h"
#include "storage/cryptage.h"
#include "storage/data_files.h"
#include "tests/fakes/memory_stores.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::filesystem::path g_root;

void Write(const char* fuzzer, const char* name, const std::string& content) {
    std::filesystem::create_directories(g_root / fuzzer);
    std::ofstream(g_root / fuzzer / name, std::ios::binary) << content;
}

// A file of an earlier version: two leading and three trailing characters around the
// binary text.
std::string OldFile(const std::string& plain) {
    return "#!" + TexteEnBinaire(plain) + "~~~\r\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    g_root = argv[1];
    fuzz::FixedRandom random;

    // The data-file fuzzer: its first byte picks the file (totals, key, password, old).
    MemoryFileStore files;
    CounterSet counters;
    // distance, keys, left, right, other clicks, scrolls, uptime, usetime
    GiveBack(counters, SentCounts{125, 2, 3, 4, 5, 6, 7, 8});
    if (EnregistreDonnees(files, counters, fuzz::FuzzKey(), random) != SaveResult::Saved ||
        EnregistreCle(files, fuzz::FuzzKey()) != SaveResult::Saved ||
        EnregistrePwd(files, "secret", random) != SaveResult::Saved)
        return 1;
    // A seed that no longer reads back would leave the fuzzer at the outer checks.
    CounterSet back;
    RecupereDonnees(files, back, fuzz::FuzzKey());
    if (back.Distance != counters.Distance || back.UseTime != counters.UseTime) {
        std::fprintf(stderr, "fuzz_seeds: the totals data file does not read back\n");
        return 1;
    }
    Write("fuzz_data_files", "totals", '\0' + files.ReadAll(kTotalsFileName).value());
    Write("fuzz_data_files", "key", '\1' + files.ReadAll(kKeyFileName).value());
    Write("fuzz_data_files", "password", '\2' + files.ReadAll(kPasswordFileName).value());
    // Old key, the two forms of the old distance file (125 cm), old password.
    Write("fuzz_data_files", "old",
          '\3' + OldFile("AAAAAA") + "|" + OldFile("\x47\x42\x45\x47............") + "|" +
              OldFile("\x47\x45\x44\x48%%%%%%%%%%%%") + "|" + OldFile("oldpw"));

    Write("fuzz_decode_paires", "key", CodePaires("K3y9ab", random).value());
    Write("fuzz_decode_paires", "zero", "0");
    Write("fuzz_decrypte_envoi", "sending", CrypteEnvoi(TotalsRecord(counters, "K3y9ab"), random));
    // A posted form's origin, referer and host, split by NUL bytes.
    Write("fuzz_web_origin", "form",
          std::string("http://trekhold.example\0\0trekhold.example", 41));
    // Two control bytes (piece size, file size), then a request head or a Range value.
    Write("fuzz_request_head", "head",
          "\3\200GET /TheWandrelSetup.exe HTTP/1.1\r\nRange: bytes=0-\r\nHost: x\r\n\r\n");
    Write("fuzz_request_head", "range", "\1\377bytes=10-20");
    // The update download: the cut position, a description, NUL, the server's answer.
    const std::string body = "0123456789";
    Write("fuzz_update_download", "two",
          "\x30" + std::string("2.0 Ko-2-readme.txt-TheWandrelSetup.exe") + '\0' +
              "HTTP/1.1 206 Partial Content\r\nContent-Type: application/octet-stream\r\n"
              "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    Write("fuzz_update_download", "request", '\0' + std::string("1 Ko-1-TheWandrelSetup.exe") +
                                                  '\0' + UpdateRequest("/x", "h:81"));
    return 0;
}
