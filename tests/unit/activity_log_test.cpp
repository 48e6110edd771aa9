#include "storage/activity_log.h"
#include "tests/fakes/memory_stores.h"
#include "storage/settings_table.h"

#include <gtest/gtest.h>

namespace {

class FixedClock : public LogClock {
  public:
    LogMoment Now() override { return moments.at(next++); }
    std::vector<LogMoment> moments;
    size_t next = 0;
};

} // namespace

TEST(ActivityLog, LinesCarryNicknameShortDateAndTime) {
    EXPECT_EQ(LigneLog("", {"2026-12-06", 23, 59}, "a\r\nb"), "() 2026-12-06 23:59 > a\r\nb");
    MemoryFileStore files;
    MemorySettingsStore settings;
    FixedClock clock;
    clock.moments = {{"06/12/2026", 9, 7}, {"06/12/2026", 10, 0}, {"x", 0, 0}};
    EXPECT_TRUE(Enregistre_log(files, settings, clock, "first"));
    settings.Write(SettingPath(Setting::Login), "bob");
    EXPECT_TRUE(Enregistre_log(files, settings, clock, "second"));
    EXPECT_EQ(files.ReadAll(kLogFileName).value_or(""),
              "() 06/12/2026 09:07 > first\r\n(bob) 06/12/2026 10:00 > second\r\n");
    EXPECT_FALSE(settings.Read(SettingPath(Setting::Save_logs))); // the caller's business
    files.fail_writes = true;
    EXPECT_FALSE(Enregistre_log(files, settings, clock, "lost"));
}

TEST(ActivityLog, SizeInKilobytesWithHalvesToEven) {
    const std::pair<uint64_t, float> sizes[] = {{1536, 1.5f},
                                                {5, 0.0f},
                                                {6, 0.01f},
                                                {128, 0.12f},
                                                {384, 0.38f}, // 0.125, 0.375
                                                {uint64_t{1} << 40, 1073741824.0f}};
    for (auto [bytes, kb] : sizes)
        EXPECT_EQ(KilobytesTwoDecimals(bytes), kb) << bytes;

    MemoryFileStore files;
    EXPECT_EQ(Taille_logs(files), 0.0f);
    Supprime_logs(files); // a missing log: nothing happens
    files.Replace(kLogFileName, std::string(1536, 'x'));
    EXPECT_EQ(Taille_logs(files), 1.5f);
    Supprime_logs(files);
    EXPECT_FALSE(files.Exists(kLogFileName));
}
