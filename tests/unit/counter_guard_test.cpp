#include "app/counter_guard.h"
#include "app/minute_accounting.h"
#include "app/sampling.h"
#include "net/check_totals.h"
#include "net/send_totals.h"
#include "net_fakes.h"
#include "storage/data_files.h"
#include "storage/settings_readers.h"
#include "storage/settings_table.h"
#include "base/localisation.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

void ExpectSameValues(const CounterValues& a, const CounterValues& b) {
    EXPECT_EQ(a.NClics, b.NClics);
    EXPECT_EQ(ToBeSent(a).Fields(), ToBeSent(b).Fields());
    EXPECT_EQ(EverTotals(a), EverTotals(b));
}

// Every legitimate path of the program, driven in random order: sampling ticks, minutes,
// sendings answered in every way, give-backs, loads of the data file and of the totals, the
// totals check. The guard never finds a mismatch.
class GuardedPaths : public ::testing::Test, protected FakeServices {
  protected:
    void SetUp() override {
        LangueCourante = 0;
        settings.Write(SettingPath(Setting::Login), "bob");
        settings.Write(SettingPath(Setting::Save_logs), "False");
        EnregistrePwd(files, "secret");
        state.Clef = CodePaires("KEY123").value();
        ResetSampling(sampling, {0, 0});
        sampling.MoreClics = true;
        sampling.Coef_distance = 3;
    }

    void Tick(std::mt19937& rng) {
        InputSnapshot in;
        in.mouse_dx = static_cast<int32_t>(rng() % 40);
        in.cursor = {static_cast<int32_t>(rng() % 2000), static_cast<int32_t>(rng() % 1000)};
        in.wheel_delta = rng() % 3 == 0 ? 120 : 0;
        for (auto& b : in.buttons)
            b = rng() % 4 == 0 ? 0x80 : 0;
        for (int k = 0; k < 6; ++k)
            in.keys[rng() % 256] = 0x80;
        SamplingTick(sampling, counters, in);
        if (rng() % 50 == 0)
            ClearMovementWindow(sampling);
    }

    void Sending(std::mt19937& rng) {
        static const char* const kAnswers[] = {"OK000", "", "Errlogin", "Errpwd", "Errcle"};
        const std::string answer = kAnswers[rng() % 5];
        // A successful answer carries the next key; a refused new key leaves the old one.
        http.answers.push_back(answer == "OK000" ? answer + state.Clef : answer);
        http.answers.push_back(""); // the key request after "Errcle" fails: counts given back
        Send_Click(services, state, counters, host, host);
        http.answers.clear();
    }

    void Step(std::mt19937& rng) {
        switch (rng() % 10) {
        case 0:
            MinuteAccounting(counters, sampling.ActiviteMinute, false);
            break;
        case 1:
            Sending(rng);
            break;
        case 2: // a sending's clear and give-back, as when its answer is a refusal
        {
            const SentCounts taken = ToBeSent(counters);
            ClearToBeSent(counters);
            GiveBack(counters, taken);
            break;
        }
        case 3:
            EnregistreDonnees(files, counters, state.Clef, random);
            RecupereDonnees(files, counters, state.Clef);
            break;
        case 4:
            Recupere_Distancetotale(settings, counters);
            Recupere_TotauxEver(settings, counters);
            break;
        case 5: {
            const std::string answer = std::to_string(rng() % 900000000) + ";" +
                                       std::to_string(rng() % 1000) + ";2;3;4;5;6;7";
            AppliqueTotaux(answer, counters, settings);
            break;
        }
        default:
            Tick(rng);
        }
    }

    CounterSet counters;
    CounterGuard guard;
    SamplingState sampling;
    ServerLinkState state;
    RecordingHost host;
};

TEST_F(GuardedPaths, NoLegitimateSequenceGivesAVerdict) {
    for (unsigned seed = 1; seed <= 8; ++seed) {
        std::mt19937 rng(seed);
        for (int step = 0; step < 400; ++step) {
            Step(rng);
            ASSERT_TRUE(CountersIntact(counters)) << "seed " << seed << " step " << step;
        }
        EXPECT_FALSE(guard.Check(counters));
        EXPECT_FALSE(guard.tampered());
    }
    // The sequences reached real counts and real totals.
    EXPECT_GT(counters.NbTouches_Ever + counters.NbTouches, 0);
}

// Counts that went through the program's own paths: some of each kind waiting, totals read.
CounterSet CountedSet() {
    CounterSet c;
    GiveBack(c, SentCounts{350020, 10, 3, 2, 1, 7, 60, 30});
    SetDistanceTotal(c, SplitCentimetres(123456789));
    int32_t total = 100;
    for (auto field :
         {&CounterValues::NbTouches_Ever, &CounterValues::NCGauche_Ever,
          &CounterValues::NCDroit_Ever, &CounterValues::NCSpecial_Ever,
          &CounterValues::NScrolls_Ever, &CounterValues::UpTime_Ever, &CounterValues::UseTime_Ever})
        SetCount(c, field, total += 11);
    return c;
}

TEST(CounterGuard, AnEditedFieldOfEachKindIsFoundAndPutBack) {
    const CounterSet honest = CountedSet();
    for (auto field : {&CounterValues::Distance, &CounterValues::NbTouches, &CounterValues::NClics,
                       &CounterValues::NCGauche, &CounterValues::NCDroit, &CounterValues::NCSpecial,
                       &CounterValues::NScrolls, &CounterValues::UpTime, &CounterValues::UseTime,
                       &CounterValues::NbTouches_Ever, &CounterValues::NCGauche_Ever,
                       &CounterValues::NCDroit_Ever, &CounterValues::NCSpecial_Ever,
                       &CounterValues::NScrolls_Ever, &CounterValues::UpTime_Ever,
                       &CounterValues::UseTime_Ever}) {
        CounterSet c = honest;
        CounterGuard guard;
        c.*field = 999999;
        EXPECT_TRUE(guard.Check(c));
        EXPECT_TRUE(guard.tampered());
        ExpectSameValues(c, honest);
        EXPECT_TRUE(CountersIntact(c));
    }
    for (auto field : {&CounterValues::Ever_KmSouris, &CounterValues::Ever_MSouris,
                       &CounterValues::Ever_CmSouris}) {
        CounterSet c = honest;
        CounterGuard guard;
        c.*field = static_cast<int16_t>(c.*field + 1);
        EXPECT_TRUE(guard.Check(c));
        ExpectSameValues(c, honest);
    }
}

TEST(CounterGuard, AnEditSurvivesLaterCountingAndOnlyTheFirstFindIsNew) {
    CounterSet c = CountedSet();
    CounterGuard guard;
    c.NbTouches = 999999;
    // Keys typed, a minute, a give-back after the edit: each applies to both sides apart.
    AddCount(c, &CounterValues::NbTouches, 5);
    AddCount(c, &CounterValues::UpTime, 1);
    GiveBack(c, SentCounts{0, 2, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(c.NbTouches, 999999 + 7);
    EXPECT_TRUE(guard.Check(c));
    EXPECT_EQ(c.NbTouches, 10 + 7);
    EXPECT_EQ(c.UpTime, 61);
    // Edited again later in the run: put back again, but the run was already tampered.
    c.Distance = INT32_MAX;
    EXPECT_FALSE(guard.Check(c));
    EXPECT_EQ(c.Distance, 350020);
    EXPECT_TRUE(guard.tampered());
}

TEST(CounterGuard, ASaturatedEditStaysApartFromTheShadow) {
    CounterSet c = CountedSet();
    c.NScrolls = INT32_MAX; // the visible side can no longer grow; the shadow does
    AddCount(c, &CounterValues::NScrolls, 1);
    CounterGuard guard;
    EXPECT_TRUE(guard.Check(c));
    EXPECT_EQ(c.NScrolls, 8);
}

// What a memory search for a counter's value finds: the visible field, never its shadow.
TEST(CounterGuard, ASearchForAValueFindsOnlyTheVisibleField) {
    // None of these is the value of another field of the set.
    for (int32_t value : {0, 12345, 999999, -1, INT32_MAX}) {
        CounterSet c = CountedSet();
        SetCount(c, &CounterValues::NbTouches, value);
        int hits = 0;
        const auto* bytes = reinterpret_cast<const unsigned char*>(&c);
        for (size_t at = 0; at + sizeof value <= sizeof c; at += alignof(int32_t)) {
            int32_t word;
            std::memcpy(&word, bytes + at, sizeof word);
            hits += word == value;
        }
        EXPECT_EQ(hits, 1) << value;
    }
}

TEST(CounterGuard, TheVerdictIsWrittenAsCleanOrTampered) {
    MemorySettingsStore settings;
    CounterGuard guard;
    EnregistreVerdict(settings, guard);
    EXPECT_EQ(settings.Read(SettingPath(Setting::CounterGuard)), kVerdictClean);
    CounterSet c;
    c.UseTime = 3;
    guard.Check(c);
    EnregistreVerdict(settings, guard);
    EXPECT_EQ(settings.Read(SettingPath(Setting::CounterGuard)), kVerdictTampered);
    // The next run begins clean.
    EXPECT_FALSE(CounterGuard().tampered());
}

} // namespace
