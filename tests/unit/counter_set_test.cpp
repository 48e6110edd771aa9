#include "app/counter_set.h"
#include "storage/settings_store.h"

#include <gtest/gtest.h>

TEST(CounterSet, SplitsCentimetresIntoKmMetresCentimetres) {
    DistanceParts p = SplitCentimetres(123456);
    EXPECT_EQ(p.km, 1);
    EXPECT_EQ(p.m, 234);
    EXPECT_EQ(p.cm, 56);
    EXPECT_EQ(CombineCentimetres(p), 123456);

    p = SplitCentimetres(123456789);
    EXPECT_EQ(p.km, 1234);
    EXPECT_EQ(p.m, 567);
    EXPECT_EQ(p.cm, 89);

    for (int64_t n : {int64_t{0}, int64_t{99}, int64_t{100}, int64_t{99999}, int64_t{100000},
                      int64_t{2147483647}})
        EXPECT_EQ(CombineCentimetres(SplitCentimetres(n)), n) << n;
}

TEST(MemorySettingsStore, ReadsWritesDeletesIgnoringCase) {
    MemorySettingsStore store;
    EXPECT_FALSE(store.Read(kSettingsKey + "Language"));
    EXPECT_TRUE(store.Write(kSettingsKey + "Language", "1"));
    EXPECT_EQ(store.Read(kSettingsKey + "LANGUAGE").value_or(""), "1");
    EXPECT_TRUE(store.Delete(kSettingsKey + "language"));
    EXPECT_FALSE(store.Delete(kSettingsKey + "language"));
    store.fail_writes = true;
    EXPECT_FALSE(store.Write(kSettingsKey + "Language", "1"));
}
