// A process killed at a random moment of a save loop never leaves a totals data file that
// reads back as anything but a whole record, old or new.
#include "storage/data_files.h"
#include "storage/data_folder_win32.h"
#include "storage/file_store_win32.h"

#include "base/win32/unique_handle.h"
#include "win_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

namespace {

const wchar_t kChildVariable[] = L"WANDREL_CRASH_CHILD_FOLDER";
const char kPlainKey[] = "Cr4shK";

// Every counter holds the same value n, so a record mixing two saves would show.
CounterSet Uniform(int32_t n) {
    CounterSet c;
    c.Distance = c.NbTouches = c.NCGauche = c.NCDroit = c.NCSpecial = n;
    c.NScrolls = c.UpTime = c.UseTime = n;
    return c;
}

// The value of the saved record, or -1 when the file reads as anything else.
int32_t SavedValue(FileStore& files, const std::string& Clef) {
    std::optional<std::string> content = files.ReadAll(kTotalsFileName);
    std::optional<std::string> record =
        content ? DecrypteAvecClef(FirstLine(*content), Clef) : std::nullopt;
    std::optional<CounterSet> c = record ? ParseTotalsRecord(*record, kPlainKey) : std::nullopt;
    if (!c || c->NbTouches != c->Distance || c->UseTime != c->Distance ||
        c->NClics != 3 * c->Distance)
        return -1;
    return c->Distance;
}

// The key lives in the folder too, so parent and child use the same one.
std::string ClefFor(FileStore& files) {
    if (std::optional<std::string> line = files.ReadAll(kKeyFileName))
        return FirstLine(*line);
    std::string Clef = CodePaires(kPlainKey).value();
    EXPECT_EQ(EnregistreCle(files, Clef), SaveResult::Saved);
    return Clef;
}

} // namespace

// Runs only as the child of the test below: saves ever larger values until it is killed.
TEST(CrashSafety, DISABLED_ChildSavesUntilKilled) {
    wchar_t folder[MAX_PATH];
    ASSERT_GT(::GetEnvironmentVariableW(kChildVariable, folder, MAX_PATH), 0u);
    Win32FileStore files(folder);
    const std::string Clef = ClefFor(files);
    for (int32_t n = std::max(SavedValue(files, Clef), 0);;)
        EnregistreDonnees(files, Uniform(++n), Clef);
}

TEST(CrashSafety, KilledSaverLeavesAWholeRecord) {
    std::optional<std::wstring> base = DataFolder();
    ASSERT_TRUE(base);
    const std::wstring folder = *base + L"crash-test\\";
    Win32FileStore files(folder);
    const std::string temporary = std::string(kTotalsFileName) + ".tmp";
    const auto clean = [&] {
        for (const std::string& name :
             {std::string(kTotalsFileName), std::string(kKeyFileName), temporary})
            files.Remove(name);
    };
    clean();
    const std::string Clef = ClefFor(files);
    ASSERT_EQ(EnregistreDonnees(files, Uniform(0), Clef), SaveResult::Saved);

    ASSERT_TRUE(::SetEnvironmentVariableW(kChildVariable, folder.c_str()));

    std::mt19937 random(12345);
    std::uniform_int_distribution<int> pause_ms(0, 40);
    // As many kills as fit in the time budget (starting a process under Wine is slow).
    const auto budget_end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int32_t last = 0;
    int kill = 0, inside_save = 0;
    for (; kill < 12 && (kill < 5 || std::chrono::steady_clock::now() < budget_end); ++kill) {
        win32::UniqueHandleKernel process(
            wintest::StartPeerTest(L"CrashSafety.DISABLED_ChildSavesUntilKilled"));
        ASSERT_TRUE(process);

        // Wait until the child is saving (the value moved on), then kill it a little later.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (SavedValue(files, Clef) == last && std::chrono::steady_clock::now() < deadline &&
               ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms(random)));
        ::TerminateProcess(process.get(), 9);
        ASSERT_EQ(::WaitForSingleObject(process.get(), 10000), WAIT_OBJECT_0);

        // A temporary file left behind means the kill landed inside a save.
        if (files.Exists(temporary)) {
            ++inside_save;
            files.Remove(temporary);
        }
        const int32_t value = SavedValue(files, Clef);
        ASSERT_GE(value, 0) << "after kill " << kill << ", the file is not a whole record";
        ASSERT_GT(value, last) << "a save went missing or the child never saved";
        last = value;
    }
    ::SetEnvironmentVariableW(kChildVariable, nullptr);
    std::printf("%d kills (%d inside a save), %d saves survived in order\n", kill, inside_save,
                last);
    // Kills that all fell between two saves would prove nothing about a save cut short.
    EXPECT_GT(inside_save, 0) << "no kill landed inside a save";
    clean();
    ::RemoveDirectoryW(folder.c_str());
}
