#include "app/counter_set.h"
#include "storage/settings_store.h"

#include <gtest/gtest.h>

TEST(CounterSet, SplitsCentimetresIntoKmMetresCentimetres) {
    const DistanceParts p = SplitCentimetres(123456789);
    EXPECT_EQ(p.km, 1234);
    EXPECT_EQ(p.m, 567);
    EXPECT_EQ(p.cm, 89);
    for (int64_t n : {0, 99, 100, 99999, 100000, 2147483647})
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
