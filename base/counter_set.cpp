#include "base/counter_set.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <random>

namespace {

constexpr int32_t CounterValues::*kWideFields[] = {
    &CounterValues::Distance,       &CounterValues::NbTouches,     &CounterValues::NClics,
    &CounterValues::NCGauche,       &CounterValues::NCDroit,       &CounterValues::NCSpecial,
    &CounterValues::NScrolls,       &CounterValues::UpTime,        &CounterValues::UseTime,
    &CounterValues::NbTouches_Ever, &CounterValues::NCGauche_Ever, &CounterValues::NCDroit_Ever,
    &CounterValues::NCSpecial_Ever, &CounterValues::NScrolls_Ever, &CounterValues::UpTime_Ever,
    &CounterValues::UseTime_Ever,
};
constexpr int16_t CounterValues::*kNarrowFields[] = {
    &CounterValues::Ever_KmSouris, &CounterValues::Ever_MSouris, &CounterValues::Ever_CmSouris};

uint64_t SplitMix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

uint64_t DrawSeed() {
    uint64_t seed =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    try {
        std::random_device device;
        seed ^= (uint64_t{device()} << 32) | device();
    } catch (const std::exception&) {
        // No random source: the clock alone still gives keys no other program knows.
    }
    return seed;
}

// One key a field, none of them 0 (a 0 key would leave the value findable).
CounterValues DrawKeys() {
    uint64_t state = DrawSeed();
    CounterValues keys;
    for (auto field : kWideFields)
        do
            keys.*field = static_cast<int32_t>(static_cast<uint32_t>(SplitMix(state)));
        while (keys.*field == 0);
    for (auto field : kNarrowFields)
        do
            keys.*field = static_cast<int16_t>(static_cast<uint16_t>(SplitMix(state)));
        while (keys.*field == 0);
    return keys;
}

} // namespace

CounterValues Masked(const CounterValues& values) {
    static const CounterValues keys = DrawKeys();
    CounterValues out;
    for (auto field : kWideFields)
        out.*field = values.*field ^ keys.*field;
    for (auto field : kNarrowFields)
        out.*field = static_cast<int16_t>(values.*field ^ keys.*field);
    return out;
}

bool CountersIntact(const CounterSet& c) {
    const CounterValues kept = Masked(c.shadow);
    for (auto field : kWideFields)
        if (c.*field != kept.*field)
            return false;
    for (auto field : kNarrowFields)
        if (c.*field != kept.*field)
            return false;
    return true;
}

void RestoreFromShadow(CounterSet& c) {
    static_cast<CounterValues&>(c) = Masked(c.shadow);
}

void AddCount(CounterSet& c, int32_t CounterValues::*field, int64_t n) {
    ChangeCounters(c, [&](CounterValues& v) { v.*field = SaturatingAdd(v.*field, n); });
}

void SetCount(CounterSet& c, int32_t CounterValues::*field, int32_t value) {
    ChangeCounters(c, [&](CounterValues& v) { v.*field = value; });
}

void SetDistanceTotal(CounterSet& c, const DistanceParts& parts) {
    ChangeCounters(c, [&](CounterValues& v) {
        v.Ever_KmSouris = parts.km;
        v.Ever_MSouris = parts.m;
        v.Ever_CmSouris = parts.cm;
    });
}

DistanceParts SplitCentimetres(int64_t n) {
    const int64_t km = n / 100000;
    const int64_t m = (n - km * 100000) / 100;
    const int64_t cm = n - km * 100000 - m * 100;
    // The km part is a 16-bit field; the conversion keeps its low 16 bits.
    return DistanceParts{static_cast<int16_t>(static_cast<uint16_t>(km & 0xFFFF)),
                         static_cast<int16_t>(m), static_cast<int16_t>(cm)};
}

int64_t CombineCentimetres(const DistanceParts& parts) {
    return int64_t{parts.km} * 100000 + int64_t{parts.m} * 100 + int64_t{parts.cm};
}

int32_t SaturatingAdd(int32_t a, int64_t b) {
    const int64_t sum = int64_t{a} + b;
    return static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

SentCounts ToBeSent(const CounterValues& c) {
    return SentCounts{c.Distance,  c.NbTouches, c.NCGauche, c.NCDroit,
                      c.NCSpecial, c.NScrolls,  c.UpTime,   c.UseTime};
}

void ClearToBeSent(CounterSet& counters) {
    ChangeCounters(counters, [](CounterValues& c) {
        c.Distance = c.NbTouches = c.NClics = c.NCGauche = c.NCDroit = c.NCSpecial = 0;
        c.NScrolls = c.UpTime = c.UseTime = 0;
    });
}

void GiveBack(CounterSet& counters, const SentCounts& s) {
    ChangeCounters(counters, [&s](CounterValues& c) {
        c.Distance = SaturatingAdd(c.Distance, s.Distance);
        c.NbTouches = SaturatingAdd(c.NbTouches, s.NbTouches);
        c.NCGauche = SaturatingAdd(c.NCGauche, s.NCGauche);
        c.NCDroit = SaturatingAdd(c.NCDroit, s.NCDroit);
        c.NCSpecial = SaturatingAdd(c.NCSpecial, s.NCSpecial);
        c.NScrolls = SaturatingAdd(c.NScrolls, s.NScrolls);
        c.UpTime = SaturatingAdd(c.UpTime, s.UpTime);
        c.UseTime = SaturatingAdd(c.UseTime, s.UseTime);
        c.NClics = SaturatingAdd(0, int64_t{c.NCGauche} + c.NCDroit + c.NCSpecial);
    });
}
