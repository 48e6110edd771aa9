// Not a test of its own: the end-to-end tests run this (a disabled test, skipped by the
// normal run) to give a fresh Wine prefix an account exactly as the client stores it, with
// the program's own writers. Environment: WANDREL_ACCOUNT_LOGIN, WANDREL_ACCOUNT_PASSWORD,
// WANDREL_ACCOUNT_KEY (six characters), optional WANDREL_ACCOUNT_DISTANCE etc. for the counts
// waiting to be sent.
#include "storage/cryptage.h"
#include "storage/data_files.h"
#include "storage/data_folder_win32.h"
#include "storage/file_store_win32.h"
#include "storage/registry_settings_store_win32.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::string Env(const char* name, const char* fallback = "") {
    const char* value = std::getenv(name);
    return value ? value : fallback;
}

int32_t EnvNumber(const char* name) {
    return static_cast<int32_t>(std::strtol(Env(name, "0").c_str(), nullptr, 10));
}

} // namespace

TEST(E2EAccount, DISABLED_Write) {
    auto folder = DataFolder();
    ASSERT_TRUE(folder);
    Win32FileStore files(*folder);
    RegistrySettingsStore settings;

    const auto clef = CodePaires(Env("WANDREL_ACCOUNT_KEY", "ABC123"));
    ASSERT_TRUE(clef);
    ASSERT_EQ(EnregistreCle(files, *clef), SaveResult::Saved);
    ASSERT_EQ(EnregistrePwd(files, Env("WANDREL_ACCOUNT_PASSWORD", "secret")), SaveResult::Saved);
    ASSERT_TRUE(settings.Write(kSettingsKey + "Login", Env("WANDREL_ACCOUNT_LOGIN", "walker")));

    CounterSet counters;
    counters.Distance = EnvNumber("WANDREL_ACCOUNT_DISTANCE");
    counters.NbTouches = EnvNumber("WANDREL_ACCOUNT_KEYS");
    ASSERT_EQ(EnregistreDonnees(files, counters, *clef), SaveResult::Saved);
}
