#include "storage/changement_version.h"
#include "tests/fakes/memory_stores.h"
#include "storage/account_key.h"
#include "storage/data_files.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

CounterSet Dirty() {
    CounterSet c;
    c.Distance = c.NbTouches = c.NClics = c.NCGauche = c.NCDroit = c.NCSpecial = 77;
    c.NScrolls = c.UpTime = c.UseTime = 77;
    return c;
}

bool AllZero(const CounterSet& c) {
    return ToBeSent(c).Fields() == SentCounts{}.Fields() && c.NClics == 0;
}

const std::string kClef = CodePaires("K3y9ab").value();

std::string Enciphered(const std::string& record) {
    return CrypteAvecClef(record, kClef).value() + "\r\n";
}

} // namespace

TEST(DataFiles, TotalsRoundTripAsOneEncipheredLine) {
    MemoryFileStore files;
    CounterSet written;
    written.Distance = 123456, written.NbTouches = INT32_MAX, written.NCGauche = 3;
    written.NCDroit = -4, written.NCSpecial = 5, written.NScrolls = INT32_MIN;
    written.UseTime = 8, written.NClics = 999; // not stored: recomputed on reading
    ASSERT_EQ(EnregistreDonnees(files, written, kClef), SaveResult::Saved);
    const std::string content = files.ReadAll(kTotalsFileName).value();
    EXPECT_EQ(content.substr(content.size() - 2), "\r\n");
    EXPECT_EQ(DecrypteAvecClef(FirstLine(content), kClef).value_or(""),
              "123456'2147483647'3'-4'5'-2147483648'0'8'K3y9ab'35");

    CounterSet read = Dirty();
    read.NbTouches_Ever = 42; // the totals are not the file's business
    RecupereDonnees(files, read, kClef);
    EXPECT_EQ(ToBeSent(read).Fields(),
              (SentCounts{123456, INT32_MAX, 3, -4, 5, INT32_MIN, 0, 8}.Fields()));
    EXPECT_EQ(read.NClics, 4);
    EXPECT_EQ(read.NbTouches_Ever, 42);

    // Another account key, or none, reads nothing; no key writes nothing.
    for (const std::string& other : {CodePaires("Other1").value(), std::string("0")}) {
        read = Dirty();
        RecupereDonnees(files, read, other);
        EXPECT_TRUE(AllZero(read));
    }
    EXPECT_EQ(EnregistreDonnees(files, written, "0"), SaveResult::NotEncodable);
    // A valid record followed by more lines still counts.
    files.Replace(kTotalsFileName, Enciphered("1'2'3'4'5'6'7'8'K3y9ab'35") + "junk\r\n");
    RecupereDonnees(files, read, kClef);
    EXPECT_EQ(read.UseTime, 8);
}

TEST(DataFiles, HostileTotalsFilesReadAsZero) {
    const std::string valid = Enciphered("1'2'3'4'5'6'7'8'K3y9ab'35");
    const std::vector<std::string> contents = {
        "",
        "\r\n",
        "0",
        "0101012101010101",
        valid.substr(0, 200),
        valid.substr(1), // truncated, shifted
        std::string("\x00\xff\x01binary\r\n", 11),
        std::string(3 << 20, '1'),
        std::string(2 << 20, '\xA0'),
        TexteEnBinaire("x") + std::string(4, '0'),
        Enciphered("1'2'3'4'5'6'7'8'K3y9ab"),             // nine fields
        Enciphered("1'2'3'4'5'6'7'8'K3y9ab'35'9"),        // eleven fields
        Enciphered("1'2'x'4'5'6'7'8'K3y9ab'35"),          // not a number
        Enciphered("1'2''4'5'6'7'8'K3y9ab'35"),           // empty field
        Enciphered("2147483648'2'3'4'5'6'7'8'K3y9ab'35"), // beyond 32 bits
        Enciphered("1'2'2147483647'1'0'6'7'8'K3y9ab'35"), // click sum beyond 32 bits
        Enciphered("1'2'3'4'5'6'7'8'K3y9aB'35"),          // another key in field 9
    };
    for (const std::string& content : contents) {
        MemoryFileStore files;
        files.Replace(kTotalsFileName, content);
        CounterSet c = Dirty();
        RecupereDonnees(files, c, kClef);
        EXPECT_TRUE(AllZero(c)) << content.substr(0, 40);
    }
    MemoryFileStore missing;
    CounterSet c = Dirty();
    RecupereDonnees(missing, c, kClef);
    EXPECT_TRUE(AllZero(c));
}

TEST(DataFiles, KeyFileHoldsSixCharacterKeysOnly) {
    MemoryFileStore files;
    MemorySettingsStore settings;
    EXPECT_EQ(RecupereCle(files, settings), "0");
    ASSERT_EQ(EnregistreCle(files, kClef), SaveResult::Saved);
    EXPECT_EQ(files.ReadAll(kKeyFileName).value(), kClef + "\r\n");
    EXPECT_EQ(RecupereCle(files, settings), kClef);
    for (const std::string& junk :
         {CodePaires("12345").value(), CodePaires("1234567").value(), std::string("0"),
          std::string(96, '2'), std::string("\xff\xfe", 2), std::string(1 << 20, '0')}) {
        files.Replace(kKeyFileName, junk + "\r\n");
        EXPECT_EQ(RecupereCle(files, settings), "0") << junk.substr(0, 40);
    }
    files.fail_writes = true;
    EXPECT_EQ(EnregistreCle(files, kClef), SaveResult::WriteFailed);
}

TEST(DataFiles, PasswordFileRefusesWhatThePairCodeCannotCarry) {
    MemoryFileStore files;
    EXPECT_EQ(RecuperePwd(files), "0");
    ASSERT_EQ(EnregistrePwd(files, "s3cret 'pw'"), SaveResult::Saved);
    EXPECT_EQ(RecuperePwd(files), "s3cret 'pw'");
    // "é" (233) cannot be encoded: refused, the stored password untouched.
    EXPECT_EQ(EnregistrePwd(files, "caf\xE9"), SaveResult::NotEncodable);
    EXPECT_EQ(RecuperePwd(files), "s3cret 'pw'");
    files.Replace(kPasswordFileName, "01x1");
    EXPECT_EQ(RecuperePwd(files), "0");
    files.fail_reads = true;
    EXPECT_EQ(RecuperePwd(files), "0");
}

TEST(DataFiles, InstallerDeletesEveryDataFileButTheLogAndMarker) {
    MemoryFileStore files;
    for (const char* name :
         {kTotalsFileName, kKeyFileName, kPasswordFileName, "Cle.tk", "Di1.tk", "Di2.tk", "pw.ctk",
          "Dd.tk", "Cc2.tk", "To1.tk", "TheWandrel.log", kMigrationMarkerName})
        files.Replace(name, "x");
    SupprimeFichiersDonnees(files);
    EXPECT_EQ(files.size(), 2u);
    EXPECT_TRUE(files.Exists("TheWandrel.log"));
    EXPECT_TRUE(files.Exists(kMigrationMarkerName));
}
