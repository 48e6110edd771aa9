#include "storage/changement_version.h"
#include "tests/fakes/memory_stores.h"
#include "storage/account_key.h"
#include "storage/data_files.h"
#include "storage/settings_table.h"

#include <gtest/gtest.h>

namespace {

// An old file: two leading and three trailing characters around the binary text.
std::string Wrapped(const std::string& plain) {
    return "#!" + TexteEnBinaire(plain) + "~~~\r\n";
}

std::string Codes(std::initializer_list<int> codes) {
    return std::string(codes.begin(), codes.end());
}

// Code texts for 125 under K = 3120 (key "AAAAAA"), padded to 16 characters.
const std::string kFormA125 = Codes({71, 66, 69, 71}) + "............";
const std::string kFormB125 = Codes({71, 69, 68, 72}) + "%%%%%%%%%%%%";

void PrepareOldFolder(MemoryFileStore& files, const std::string& old_key) {
    files.Replace("Cle.tk", Wrapped(old_key));
    files.Replace("Di1.tk", Wrapped(kFormA125));
    files.Replace("Di2.tk", Wrapped(kFormB125));
    files.Replace("pw.ctk", Wrapped("old pass"));
    files.Replace("Dd.tk", "whatever");
    files.Replace("To1.tk", "left for the installer");
}

} // namespace

TEST(ChangementVersion, DecodersFollowTheOldKeyDigits) {
    EXPECT_EQ(OldKeyDigits("AAAAAA"), "3120");
    EXPECT_EQ(DecodeOldDistance(kFormA125, "3120", OldDistanceForm::A), 125);
    EXPECT_EQ(DecodeOldDistance(kFormB125, "3120", OldDistanceForm::B), 125);
    // Form A read backwards cyclically past the start of K: 5 digits keyed 1,3,1,3,1.
    EXPECT_EQ(
        DecodeOldDistance(Codes({73, 75, 68, 66, 68, 67}) + "0123456789", "31", OldDistanceForm::A),
        90001);
    const std::string bad[] = {kFormA125.substr(0, 15),
                               kFormA125 + "x",
                               Codes({64}) + kFormA125.substr(1),         // negative length
                               Codes({90}) + kFormA125.substr(1),         // length beyond the text
                               Codes({71, 66, 200, 71}) + "............", // not a digit
                               std::string(1, 65 + 3 + 11) +
                                   std::string(15, 'J')}; // eleven digits: beyond 32 bits
    for (const std::string& text : bad)
        EXPECT_EQ(DecodeOldDistance(text, "3120", OldDistanceForm::A), 0) << text;
    EXPECT_EQ(UnwrapOldLine("ab12345cde\r\nmore").value_or("?"), "12345");
    EXPECT_EQ(UnwrapOldLine("abcde").value_or("?"), "");
    EXPECT_FALSE(UnwrapOldLine("abcd"));
}

TEST(ChangementVersion, TakesOverKeyPasswordDistanceAndStartupEntryOnce) {
    MemoryFileStore files;
    MemorySettingsStore settings;
    PrepareOldFolder(files, "AAAAAA");
    settings.Write(kOldRunEntryPath, "C:\\Old\\WDX.exe");

    const std::string Clef = RecupereCle(files, settings);
    EXPECT_EQ(DecodePaires(Clef), "AAAAAA");
    EXPECT_EQ(files.ReadAll(kKeyFileName).value(), Clef + "\r\n");
    EXPECT_EQ(RecuperePwd(files), "old pass");
    CounterSet c;
    RecupereDonnees(files, c, Clef);
    EXPECT_EQ(c.Distance, 125);
    EXPECT_EQ(c.NbTouches + c.NClics + c.NScrolls + c.UpTime + c.UseTime, 0);
    EXPECT_EQ(settings.Read(kRunEntryPath).value_or(""), "TheWandrel.exe");
    EXPECT_FALSE(settings.Read(kOldRunEntryPath));
    for (const char* old : {"Cle.tk", "Di1.tk", "Di2.tk", "pw.ctk", "Dd.tk"})
        EXPECT_FALSE(files.Exists(old)) << old;
    EXPECT_TRUE(files.Exists("To1.tk"));
    EXPECT_EQ(files.ReadAll(kMigrationMarkerName).value_or(""), "1");

    // With the marker present the old files are never looked at again.
    files.Remove(kKeyFileName);
    PrepareOldFolder(files, "BBBBBB");
    EXPECT_EQ(RecupereCle(files, settings), "0");
    EXPECT_TRUE(files.Exists("Cle.tk"));
}

TEST(ChangementVersion, DisagreeingOrMalformedOldFilesGiveDefaults) {
    MemoryFileStore files;
    MemorySettingsStore settings;
    PrepareOldFolder(files, "AAAAAA");
    files.Replace("Di2.tk", Wrapped(Codes({71, 69, 68, 73}) + "%%%%%%%%%%%%")); // 126
    files.Replace("pw.ctk", "ab0cde");
    const std::string Clef = RecupereCle(files, settings);
    CounterSet c;
    c.Distance = 5;
    RecupereDonnees(files, c, Clef);
    EXPECT_EQ(c.Distance, 0);
    EXPECT_EQ(RecuperePwd(files), "0");         // the old password "0" stays "0"
    EXPECT_FALSE(settings.Read(kRunEntryPath)); // no old entry: nothing written

    // Unreadable password and distance files: empty password, distance 0.
    MemoryFileStore bare;
    bare.Replace("Cle.tk", Wrapped("Key123"));
    EXPECT_EQ(DecodePaires(RecupereCle(bare, settings)), "Key123");
    EXPECT_EQ(RecuperePwd(bare), "");
}

TEST(ChangementVersion, NoTakeoverStillCleansUp) {
    for (const std::string& content :
         {Wrapped("AAAAA"), Wrapped("AAAAAAA"), std::string(), std::string("abcd"),
          "ab" + std::string(48, '2') + "cde", std::string(1 << 20, '1'),
          Wrapped(Codes({200, 65, 65, 65, 65, 65}))}) {
        MemoryFileStore files;
        MemorySettingsStore settings;
        PrepareOldFolder(files, "AAAAAA");
        files.Replace("Cle.tk", content);
        settings.Write(kOldRunEntryPath, "x");
        EXPECT_EQ(RecupereCle(files, settings), "0");
        for (const char* gone :
             {kKeyFileName, kPasswordFileName, kTotalsFileName, "Cle.tk", "Di1.tk"})
            EXPECT_FALSE(files.Exists(gone)) << gone;
        EXPECT_TRUE(files.Exists(kMigrationMarkerName));
        EXPECT_TRUE(settings.Read(kOldRunEntryPath)); // moved only with a takeover
    }
}

TEST(ChangementVersion, KeyThatCannotBeStoredLeavesTheOldFilesForTheNextStart) {
    MemoryFileStore files;
    MemorySettingsStore settings;
    PrepareOldFolder(files, "AAAAAA");
    files.fail_writes = true;
    EXPECT_EQ(ChangementVersion(files, settings).old_key, "AAAAAA");
    EXPECT_TRUE(files.Exists("Cle.tk"));
    EXPECT_FALSE(files.Exists(kMigrationMarkerName));
    files.fail_writes = false;
    EXPECT_EQ(DecodePaires(RecupereCle(files, settings)), "AAAAAA");
}
