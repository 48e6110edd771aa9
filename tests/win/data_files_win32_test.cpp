#include "storage/activity_log.h"
#include "storage/changement_version.h"
#include "storage/account_key.h"
#include "storage/data_files.h"
#include "storage/data_folder_win32.h"
#include "storage/file_store_win32.h"
#include "storage/log_clock_win32.h"
#include "storage/registry_settings_store_win32.h"
#include "storage/settings_table.h"
#include "base/text_encoding.h"

#include "base/win32/last_error.h"
#include "base/win32/unique_handle.h"
#include "win_test_support.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

class DataFolderFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        std::optional<std::wstring> folder = DataFolder();
        ASSERT_TRUE(folder);
        files = std::make_unique<Win32FileStore>(*folder);
        TearDown();
    }
    void TearDown() override {
        if (!files)
            return;
        SupprimeFichiersDonnees(*files);
        files->Remove(kMigrationMarkerName);
        files->Remove(kLogFileName);
    }
    std::unique_ptr<Win32FileStore> files;
    RegistrySettingsStore settings;
};

} // namespace

TEST_F(DataFolderFiles, LiveInLocalAppDataAndAreReplacedWhole) {
    wchar_t local[MAX_PATH];
    ASSERT_GT(::GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH), 0u);
    EXPECT_EQ(_wcsicmp(files->folder().c_str(), (std::wstring(local) + L"\\TheWandrel\\").c_str()),
              0);

    // The files' formats are proven with the logic on a store in memory; here, the store
    // under them.
    const std::string Clef = CodePaires("Ab3xY9").value();
    ASSERT_EQ(EnregistreCle(*files, Clef), SaveResult::Saved);
    ASSERT_EQ(EnregistrePwd(*files, "pa'ss w0rd"), SaveResult::Saved);
    EXPECT_EQ(RecupereCle(*files, settings), Clef);

    // One line with CR LF, in a file of that name; no temporary file left behind.
    const std::string key = files->ReadAll(kKeyFileName).value();
    EXPECT_EQ(key, Clef + "\r\n");
    EXPECT_EQ(::GetFileAttributesW((files->folder() + L"Key.dat.tmp").c_str()),
              INVALID_FILE_ATTRIBUTES);

    // While another program holds the file open, the replacement fails as a whole and says
    // so; the old content stays readable and the next save succeeds.
    win32::UniqueHandleKernel reader(
        ::CreateFileW(files->PathOf(kPasswordFileName).c_str(), GENERIC_READ,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader);
    const SaveResult while_open = EnregistrePwd(*files, "second");
    EXPECT_EQ(RecuperePwd(*files), while_open == SaveResult::Saved ? "second" : "pa'ss w0rd");
    reader.reset();
    ASSERT_EQ(EnregistrePwd(*files, "second"), SaveResult::Saved);
    EXPECT_EQ(RecuperePwd(*files), "second");

    // Several megabytes are read whole, a file beyond what the store reads is no content (the
    // readers take either as the default, proven in tests/unit/data_files_test.cpp).
    ASSERT_TRUE(files->Replace(kTotalsFileName, std::string(size_t{3} << 20, '1')));
    EXPECT_EQ(files->ReadAll(kTotalsFileName).value_or("").size(), size_t{3} << 20);
    ASSERT_TRUE(files->Replace(kTotalsFileName, std::string(size_t{20} << 20, '1')));
    EXPECT_FALSE(files->ReadAll(kTotalsFileName));
    EXPECT_FALSE(files->ReadAll("no such file"));
    EXPECT_FALSE(files->Exists("no such file"));
    EXPECT_FALSE(files->Remove("no such file"));
    ASSERT_TRUE(files->Replace("empty", ""));
    EXPECT_EQ(files->ReadAll("empty").value_or("?"), "");
    EXPECT_TRUE(files->Remove("empty"));
}

TEST_F(DataFolderFiles, LogLinesWithTheUserShortDate) {
    settings.Write(SettingPath(Setting::Login), "bob");
    SystemLogClock clock;
    auto today = [] {
        wchar_t date[128];
        int n = ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, 128);
        return std::wstring(date, n > 0 ? n - 1 : 0);
    };
    const std::wstring before = today();
    ASSERT_TRUE(Enregistre_log(*files, settings, clock, "Sent 12 Km"));
    const std::wstring after = today();
    const std::string log = files->ReadAll(kLogFileName).value();
    std::smatch m;
    ASSERT_TRUE(std::regex_match(
        log, m, std::regex("\\(bob\\) (.+) ([01][0-9]|2[0-3]):[0-5][0-9] > Sent 12 Km\r\n")))
        << log;
    const std::wstring date = WideFromCp1252(m[1].str());
    EXPECT_TRUE(date == before || date == after);

    std::optional<std::wstring> path = LogFilePath();
    ASSERT_TRUE(path);
    EXPECT_NE(::GetFileAttributesW(path->c_str()), INVALID_FILE_ATTRIBUTES);
    Supprime_logs(*files);
    EXPECT_EQ(::GetFileAttributesW(path->c_str()), INVALID_FILE_ATTRIBUTES);
    settings.Delete(SettingPath(Setting::Login));
}

// A failing call reaches the debugger with its name, its file and its error; a file that is
// simply not there is no failure.
TEST(Win32FileStoreFailures, AreReportedWithTheCallAndTheFile) {
    const std::wstring blocker = wintest::TempPath(L"TheWandrelNotAFolder.txt");
    {
        win32::UniqueHandleKernel file(::CreateFileW(blocker.c_str(), GENERIC_WRITE, 0, nullptr,
                                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
    }
    wintest::DebugOutputCapture debugger;
    Win32FileStore under_a_file(blocker + L"\\TheWandrel");
    EXPECT_FALSE(under_a_file.Replace("Totals.dat", "x"));
    EXPECT_NE(debugger.Find(L"TheWandrel: CreateDirectoryW " + blocker + L"\\TheWandrel\\ failed ("),
              L"")
        << (debugger.lines().empty() ? L"" : debugger.lines().back());

    std::optional<std::wstring> folder = DataFolder();
    ASSERT_TRUE(folder);
    Win32FileStore files(*folder);
    const size_t before = debugger.lines().size();
    EXPECT_FALSE(files.ReadAll("NoSuchFile.dat"));
    EXPECT_EQ(debugger.lines().size(), before);
    ::DeleteFileW(blocker.c_str());
}
