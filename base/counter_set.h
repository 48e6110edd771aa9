// The counter set of the main window: what is counted and waits to be sent, and the
// totals as last confirmed by the server. Widths are part of the behaviour (the data
// files, the registry and the server all carry these exact ranges).
#pragma once

#include <array>
#include <cstdint>

struct CounterSet {
    // To be sent (since the last successful sending).
    int32_t Distance = 0; // whole centimetres
    int32_t NbTouches = 0;
    int32_t NClics = 0; // always NCGauche + NCDroit + NCSpecial
    int32_t NCGauche = 0;
    int32_t NCDroit = 0;
    int32_t NCSpecial = 0;
    int32_t NScrolls = 0;
    int32_t UpTime = 0;  // minutes
    int32_t UseTime = 0; // minutes

    // Confirmed totals. The distance total is kept split into km / m / cm parts.
    int16_t Ever_KmSouris = 0;
    int16_t Ever_MSouris = 0;
    int16_t Ever_CmSouris = 0;
    int32_t NbTouches_Ever = 0;
    int32_t NCGauche_Ever = 0;
    int32_t NCDroit_Ever = 0;
    int32_t NCSpecial_Ever = 0;
    int32_t NScrolls_Ever = 0;
    int32_t UpTime_Ever = 0;
    int32_t UseTime_Ever = 0;
};

// A centimetre count split into kilometres, metres and centimetres.
struct DistanceParts {
    int16_t km = 0;
    int16_t m = 0;
    int16_t cm = 0;
};

// km = n / 100000, m = (n - km*100000) / 100, cm = the rest (integer division, so a
// negative count splits into non-positive parts). The km part is held in 16 bits, as the
// totals are: counts beyond 32767 km wrap exactly as the stored field would.
DistanceParts SplitCentimetres(int64_t n);

// km * 100000 + m * 100 + cm, in 64 bits so no combination of parts overflows.
int64_t CombineCentimetres(const DistanceParts& parts);

// The confirmed distance total in centimetres.
inline int64_t TotalDistanceCm(const CounterSet& c) {
    return CombineCentimetres(DistanceParts{c.Ever_KmSouris, c.Ever_MSouris, c.Ever_CmSouris});
}

// The eight counts a sending carries, in the order of every record that holds them (the
// totals data file, the sending, the count query): distance, keys, left, right and special
// clicks, wheel scrolls, uptime, usetime. NClics is never carried: it is their click sum.
struct SentCounts {
    int32_t Distance = 0, NbTouches = 0, NCGauche = 0, NCDroit = 0, NCSpecial = 0, NScrolls = 0,
            UpTime = 0, UseTime = 0;

    std::array<int32_t, 8> Fields() const {
        return {Distance, NbTouches, NCGauche, NCDroit, NCSpecial, NScrolls, UpTime, UseTime};
    }
};

// a + b, held at the 32-bit limits instead of wrapping.
int32_t SaturatingAdd(int32_t a, int64_t b);

// The counts waiting to be sent.
SentCounts ToBeSent(const CounterSet& counters);
// Sets the nine counts waiting to be sent to 0, NClics included.
void ClearToBeSent(CounterSet& counters);
// Adds counts back to those waiting to be sent (each held at the 32-bit limits), NClics
// their click sum.
void GiveBack(CounterSet& counters, const SentCounts& counts);
