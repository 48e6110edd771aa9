#include "base/counter_set.h"

#include <gtest/gtest.h>

TEST(CounterSet, SplitsCentimetresIntoKmMetresCentimetres) {
    const DistanceParts p = SplitCentimetres(123456789);
    EXPECT_EQ(p.km, 1234);
    EXPECT_EQ(p.m, 567);
    EXPECT_EQ(p.cm, 89);
    for (int64_t n : {0, 99, 100, 99999, 100000, 2147483647})
        EXPECT_EQ(CombineCentimetres(SplitCentimetres(n)), n) << n;
}
