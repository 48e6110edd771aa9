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

TEST(CounterSet, CountsToBeSentTakenClearedAndGivenBackWithoutWrapping) {
    CounterSet c;
    c.Distance = 7;
    c.NbTouches = 2147483000;
    c.NCGauche = 1;
    c.NCDroit = 2;
    c.NCSpecial = 3;
    c.NClics = 6;
    c.NScrolls = 4;
    c.UpTime = 5;
    c.UseTime = 6;
    c.NbTouches_Ever = 99;
    const SentCounts taken = ToBeSent(c);
    EXPECT_EQ(taken.Fields(), (std::array<int32_t, 8>{7, 2147483000, 1, 2, 3, 4, 5, 6}));

    ClearToBeSent(c);
    EXPECT_EQ(ToBeSent(c).Fields(), SentCounts{}.Fields());
    EXPECT_EQ(c.NClics, 0);
    EXPECT_EQ(c.NbTouches_Ever, 99); // the confirmed totals stay

    // Counted meanwhile, then given back: the sums, held at the 32-bit limits.
    c.NbTouches = 1000;
    c.NCGauche = -5;
    GiveBack(c, taken);
    EXPECT_EQ(c.NbTouches, 2147483647);
    EXPECT_EQ(c.NCGauche, -4);
    EXPECT_EQ(c.NClics, 1); // the click sum of its parts
    EXPECT_EQ(SaturatingAdd(-2147483647, -10), -2147483647 - 1);
    EXPECT_EQ(SaturatingAdd(5, int64_t{1} << 40), 2147483647);
}
