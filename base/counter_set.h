// The counter set of the main window: what is counted and waits to be sent, and the
// totals as last confirmed by the server. Widths are part of the behaviour (the data
// files, the registry and the server all carry these exact ranges).
#pragma once

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
