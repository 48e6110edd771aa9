#include "base/counter_set.h"

#include <algorithm>
#include <limits>

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

SentCounts ToBeSent(const CounterSet& c) {
    return SentCounts{c.Distance,  c.NbTouches, c.NCGauche, c.NCDroit,
                      c.NCSpecial, c.NScrolls,  c.UpTime,   c.UseTime};
}

void ClearToBeSent(CounterSet& c) {
    c.Distance = c.NbTouches = c.NClics = c.NCGauche = c.NCDroit = c.NCSpecial = 0;
    c.NScrolls = c.UpTime = c.UseTime = 0;
}

void GiveBack(CounterSet& c, const SentCounts& s) {
    c.Distance = SaturatingAdd(c.Distance, s.Distance);
    c.NbTouches = SaturatingAdd(c.NbTouches, s.NbTouches);
    c.NCGauche = SaturatingAdd(c.NCGauche, s.NCGauche);
    c.NCDroit = SaturatingAdd(c.NCDroit, s.NCDroit);
    c.NCSpecial = SaturatingAdd(c.NCSpecial, s.NCSpecial);
    c.NScrolls = SaturatingAdd(c.NScrolls, s.NScrolls);
    c.UpTime = SaturatingAdd(c.UpTime, s.UpTime);
    c.UseTime = SaturatingAdd(c.UseTime, s.UseTime);
    c.NClics = SaturatingAdd(0, int64_t{c.NCGauche} + c.NCDroit + c.NCSpecial);
}
